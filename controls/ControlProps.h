// Tag and HelpContext travel with every control as dynamic properties, so a
// handler shared by a family of controls can tell its sender apart.
#pragma once

#include <QObject>
#include <QVariant>

inline void SetTag(QObject* o, int tag) { o->setProperty("Tag", tag); }
inline void SetHelpContext(QObject* o, int hc) { o->setProperty("HelpContext", hc); }
inline int Tag(const QObject* o) { return o ? o->property("Tag").toInt() : 0; }
inline int HelpContext(const QObject* o) { return o ? o->property("HelpContext").toInt() : 0; }

// The HelpContext of each kind of algorithm-editor control, the numbers the
// form gave them; CheckBox180Click tells the kinds apart by it.
namespace help_context {
constexpr int kStage = 0;    // the stage check boxes
constexpr int kMessage = 1;  // the stage combo boxes: message, repeats, pause
constexpr int kRepeats = 2;
constexpr int kPause = 3;
constexpr int kZone1 = 4;    // zone buttons: zone z carries kZone1 - 1 + z
constexpr int kModule1 = 12; // relay boxes: module m carries kModule1 - 1 + m
constexpr int kAlmOut = 20;  // the ALM OUT box of a stage
// The system section's zone and ALM OUT boxes carry the module-1 number as
// well; their handler does not read it.
constexpr int kSystemBox = kModule1;

constexpr bool IsStageCombo(int hc) { return hc >= kMessage && hc <= kPause; }
// The zone (1..8) of a zone button's number, 0 for other kinds.
constexpr int ZoneOf(int hc) { return hc >= kZone1 && hc < kZone1 + 8 ? hc - kZone1 + 1 : 0; }
// The module (1..8) of a relay box's number, 0 for other kinds.
constexpr int ModuleOf(int hc) { return hc >= kModule1 && hc < kModule1 + 8 ? hc - kModule1 + 1 : 0; }
}  // namespace help_context
