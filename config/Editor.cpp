#include "config/Editor.h"

#include "app/MainContext.h"
#include "app/MainControls.h"

// The bindings themselves arrive with the editor; until then the controls
// only exist and nothing is written.
Editor::Editor(MainContext& ctx) : ctx_(ctx) {}
MainControls& Editor::c() const { return *ctx_.Controls; }
void Editor::ComboBox58Change(QObject*) {}
void Editor::CheckBox180Click(QObject*) {}
void Editor::SpeedButton1Click(QObject*) {}
void Editor::Edit6Change() {}
void Editor::UpdateControlStates(const QString&) {}
void Editor::ShowSystemSection() {}
void Editor::ShowInputAlgorithm() {}
