// What the widget fuzz targets share: an offscreen application and a
// Prompter that answers at once, so no input ever waits for a person.
#pragma once

#include <memory>

#include <QApplication>

#include "controls/Prompter.h"

class FuzzPrompter : public Prompter {
 public:
  // The answer of an OK/Cancel box; the close question always gets No.
  BoxAnswer okCancelAnswer = BoxAnswer::Ok;
  QString file;  // offered by the open dialog

  BoxAnswer Message(BoxKind, const QString&, const QString&, BoxButtons buttons) override {
    if (buttons == BoxButtons::YesNoCancel) return BoxAnswer::No;
    return buttons == BoxButtons::OkCancel ? okCancelAnswer : BoxAnswer::Ok;
  }
  QString OpenFileName(QWidget*, const QString&) override { return file; }
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  int ExecModal(QDialog&) override { return 2; }
};

class OffscreenApp {
 public:
  OffscreenApp() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }

 private:
  int argc_ = 1;
  char arg0_[8] = "fuzz";
  char* argv_[2] = {arg0_, nullptr};
  std::unique_ptr<QApplication> app_;
};
