// Which component fills which member and which array slot. The catalogue
// creates the controls from these rows and fills the control arrays in this
// order; the numbers are the form's own and are not in numeric order.
#pragma once

#include <array>
#include <type_traits>

#include "controls/MainControls.h"

namespace main_tables {

template <class W>
struct Named {
  const char* name;
  W* MainControls::*member;
};

#define TESRA_NAMED(x) Named<std::remove_pointer_t<decltype(MainControls::x)>>{#x, &MainControls::x}

// The input selector, IN 1 .. IN 8.
inline const std::array<Named<QToolButton>, 8> kInputButtons = {{
    TESRA_NAMED(SpeedButton1), TESRA_NAMED(SpeedButton2), TESRA_NAMED(SpeedButton3), TESRA_NAMED(SpeedButton5),
    TESRA_NAMED(SpeedButton6), TESRA_NAMED(SpeedButton7), TESRA_NAMED(SpeedButton8), TESRA_NAMED(SpeedButton9),
}};
inline const std::array<Named<QCheckBox>, 8> kStageButtons = {{
    TESRA_NAMED(CheckBox180), TESRA_NAMED(CheckBox181), TESRA_NAMED(CheckBox182), TESRA_NAMED(CheckBox183),
    TESRA_NAMED(CheckBox184), TESRA_NAMED(CheckBox185), TESRA_NAMED(CheckBox186), TESRA_NAMED(CheckBox187),
}};
inline const std::array<Named<QComboBox>, 8> kMessageCombos = {{
    TESRA_NAMED(ComboBox43), TESRA_NAMED(ComboBox44), TESRA_NAMED(ComboBox45), TESRA_NAMED(ComboBox49),
    TESRA_NAMED(ComboBox50), TESRA_NAMED(ComboBox51), TESRA_NAMED(ComboBox52), TESRA_NAMED(ComboBox53),
}};
inline const std::array<Named<QComboBox>, 8> kRepeatCombos = {{
    TESRA_NAMED(ComboBox32), TESRA_NAMED(ComboBox34), TESRA_NAMED(ComboBox36), TESRA_NAMED(ComboBox38),
    TESRA_NAMED(ComboBox39), TESRA_NAMED(ComboBox40), TESRA_NAMED(ComboBox41), TESRA_NAMED(ComboBox42),
}};
inline const std::array<Named<QComboBox>, 8> kPauseCombos = {{
    TESRA_NAMED(ComboBox46), TESRA_NAMED(ComboBox47), TESRA_NAMED(ComboBox48), TESRA_NAMED(ComboBox22),
    TESRA_NAMED(ComboBox24), TESRA_NAMED(ComboBox26), TESRA_NAMED(ComboBox28), TESRA_NAMED(ComboBox30),
}};
inline const std::array<Named<QCheckBox>, 8> kAlmOutBoxes = {{
    TESRA_NAMED(CheckBox43), TESRA_NAMED(CheckBox45), TESRA_NAMED(CheckBox47), TESRA_NAMED(CheckBox49),
    TESRA_NAMED(CheckBox51), TESRA_NAMED(CheckBox53), TESRA_NAMED(CheckBox55), TESRA_NAMED(CheckBox57),
}};
inline const std::array<Named<QLabel>, 8> kStageTimeTexts = {{
    TESRA_NAMED(StaticText8), TESRA_NAMED(StaticText9), TESRA_NAMED(StaticText10), TESRA_NAMED(StaticText11),
    TESRA_NAMED(StaticText12), TESRA_NAMED(StaticText13), TESRA_NAMED(StaticText14), TESRA_NAMED(StaticText15),
}};
// Row labels of the zone buttons, zones 1..8.
inline const std::array<Named<QLabel>, 8> kZoneLabels = {{
    TESRA_NAMED(StaticText241), TESRA_NAMED(StaticText242), TESRA_NAMED(StaticText243), TESRA_NAMED(StaticText248),
    TESRA_NAMED(StaticText249), TESRA_NAMED(StaticText251), TESRA_NAMED(StaticText252), TESRA_NAMED(StaticText253),
}};
// Row labels of the relay panels, modules 1..8.
inline const std::array<Named<QLabel>, 8> kModuleLabels = {{
    TESRA_NAMED(StaticText285), TESRA_NAMED(StaticText286), TESRA_NAMED(StaticText287), TESRA_NAMED(StaticText288),
    TESRA_NAMED(StaticText289), TESRA_NAMED(StaticText290), TESRA_NAMED(StaticText291), TESRA_NAMED(StaticText292),
}};
// The K1/K2 header over each stage column.
inline const std::array<Named<QFrame>, 8> kRelayHeaders = {{
    TESRA_NAMED(Panel2), TESRA_NAMED(Panel3), TESRA_NAMED(Panel4), TESRA_NAMED(Panel5),
    TESRA_NAMED(Panel6), TESRA_NAMED(Panel7), TESRA_NAMED(Panel8), TESRA_NAMED(Panel10),
}};
// Preset 1 zones 1..8, then preset 2 zones 1..8.
inline const std::array<Named<QCheckBox>, 16> kMusicZoneBoxes = {{
    TESRA_NAMED(CBMuz1), TESRA_NAMED(CBMuz2), TESRA_NAMED(CBMuz3), TESRA_NAMED(CBMuz4),
    TESRA_NAMED(CBMuz5), TESRA_NAMED(CBMuz6), TESRA_NAMED(CBMuz7), TESRA_NAMED(CBMuz8),
    TESRA_NAMED(CBMuz9), TESRA_NAMED(CBMuz10), TESRA_NAMED(CBMuz11), TESRA_NAMED(CBMuz12),
    TESRA_NAMED(CBMuz13), TESRA_NAMED(CBMuz14), TESRA_NAMED(CBMuz15), TESRA_NAMED(CBMuz16),
}};
// Zone boxes of GroupBox2 by zone 1..8; the numbers are the form's own.
inline const std::array<Named<QCheckBox>, 8> kAuxZoneBoxes = {{
    TESRA_NAMED(CheckBox1), TESRA_NAMED(CheckBox6), TESRA_NAMED(CheckBox11), TESRA_NAMED(CheckBox16),
    TESRA_NAMED(CheckBox21), TESRA_NAMED(CheckBox22), TESRA_NAMED(CheckBox23), TESRA_NAMED(CheckBox24),
}};
inline const std::array<Named<QCheckBox>, 8> kRingZoneBoxes = {{
    TESRA_NAMED(CheckBox2), TESRA_NAMED(CheckBox7), TESRA_NAMED(CheckBox12), TESRA_NAMED(CheckBox17),
    TESRA_NAMED(CheckBox28), TESRA_NAMED(CheckBox27), TESRA_NAMED(CheckBox26), TESRA_NAMED(CheckBox25),
}};
inline const std::array<Named<QCheckBox>, 8> kTelZoneBoxes = {{
    TESRA_NAMED(CheckBox3), TESRA_NAMED(CheckBox8), TESRA_NAMED(CheckBox13), TESRA_NAMED(CheckBox18),
    TESRA_NAMED(CheckBox29), TESRA_NAMED(CheckBox30), TESRA_NAMED(CheckBox31), TESRA_NAMED(CheckBox32),
}};

#undef TESRA_NAMED

}  // namespace main_tables
