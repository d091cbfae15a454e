// The editor: every control of the main window writes its field into the
// image at once, and any image can be shown in the controls.
#pragma once

#include <QString>

#include "controls/EditorHandlers.h"

struct MainContext;
class MainControls;

class Editor : public EditorHandlers {
 public:
  explicit Editor(MainContext& ctx);

  void ComboBox58Change(QObject* sender) override;
  void CheckBox180Click(QObject* sender) override;
  void ComboBox43Exit(QObject* sender) override;
  void SpeedButton1Click(QObject* sender) override;
  void Edit6Change() override;

  // Scope words: "ALL", "PultFire", "PultDiktor", "RU", "PHASE", "Modul".
  void UpdateControlStates(const QString& scope);
  void ShowSystemSection();
  void ShowInputAlgorithm();

 private:
  // Unchecks and disables the stage boxes after stage t; each raises its own click.
  void UncheckLaterStages(int t);

  MainContext& ctx_;
  MainControls& c() const;
};
