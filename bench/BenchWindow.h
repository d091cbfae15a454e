// What the window benchmarks share: an offscreen application whose port
// hand-offs are served from its event loop, a Prompter that answers at once
// and connects on port 1, the main window with its connection dialog, and a
// pump that runs the event loop until a condition holds.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>

#include "controls/Prompter.h"
#include "app/TMain.h"
#include "link/EventLoopQueue.h"
#include "link/TSetComPort.h"
#include "serial/GuiQueue.h"

// Answers every box with OK (the close question with No), closes the
// connection dialog with "Ok" on port 1 at `speed` and any other dialog with
// Cancel. Counts the boxes that are neither a confirmation nor the
// connection's: a cycle should show none.
class BenchPrompter : public Prompter {
 public:
  QString speed = QStringLiteral("115200");
  int boxes = 0;

  BoxAnswer Message(BoxKind, const QString&, const QString& text, BoxButtons buttons) override {
    if (buttons != BoxButtons::OkCancel && !text.startsWith(QStringLiteral("Подключено"))) ++boxes;
    return buttons == BoxButtons::YesNoCancel ? BoxAnswer::No : BoxAnswer::Ok;
  }
  QString OpenFileName(QWidget*, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  int ExecModal(QDialog& dialog) override {
    auto* s = qobject_cast<TSetComPort*>(&dialog);
    if (!s) return 2;
    s->CheckBox1->setChecked(false);
    s->ComboBoxPort->setEditText(QStringLiteral("1"));
    s->ComboBoxSpeed->setEditText(speed);
    s->Button1->click();
    return dialog.result();
  }
};

// The application, offscreen unless QT_QPA_PLATFORM says otherwise, with the
// port's GUI queue drained from its event loop as the program does.
class BenchApp {
 public:
  BenchApp(int& argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc, argv);
    tesra::DrainOnEventLoop(tesra::GuiQueue::Main());
  }
  ~BenchApp() { tesra::GuiQueue::Main().SetWakeHook(nullptr); }

 private:
  std::unique_ptr<QApplication> app_;
};

// Runs the event loop until done() holds; false when `ms` passed first.
inline bool PumpUntil(const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (std::chrono::steady_clock::now() > end) return false;
  }
  return true;
}

// The main window with its connection dialog, as the program starts it.
class BenchWindow {
 public:
  explicit BenchWindow(BenchPrompter& prompter) : main(prompter), setComPort(&main) {
    main.AttachWindows({&setComPort, nullptr, nullptr, nullptr});
  }
  // "Подключить" through the dialog; true once reading is possible.
  bool Connect() {
    main.Controls().TBFind->click();
    return PumpUntil([&] { return main.Controls().TBRead->isEnabled(); }, 10000);
  }

  TMain main;
  TSetComPort setComPort;
};
