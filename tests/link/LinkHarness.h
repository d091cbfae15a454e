// The whole main window with its four windows, the scripted Prompter, a short
// scan period, and controller emulators placed as COMn in a folder of the
// test's own (TESRACONFIG_COM_DIR).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "app/TMain.h"
#include "diag/TDbg.h"
#include "diag/TFormPort.h"
#include "link/EventLoopQueue.h"
#include "link/Link.h"
#include "link/TSetComPort.h"
#include "serial/GuiQueue.h"
#include "tests/support/ScriptedPrompter.h"
#ifndef _WIN32
#include "tests/tools/EmulatorProcess.h"
#endif

namespace linktest {

inline void WireGuiQueue() {
  static const bool wired = [] {
    tesra::DrainOnEventLoop(tesra::GuiQueue::Main());
    return true;
  }();
  (void)wired;
}

// Runs the event loop until pred() holds; false when `ms` passed first.
inline bool PumpUntil(const std::function<bool()>& pred, int ms = 15000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (pred()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

inline void PumpFor(int ms) { PumpUntil([] { return false; }, ms); }

// A memory the editor shows as it is: stage 1 of IN 1 with message 5, zone
// bytes, an identity, and bytes the editor only carries.
inline QByteArray ControllerMemory() {
  QByteArray m(512, '\0');
  m[3] = 0x0F;
  m[7] = static_cast<char>(0x81);
  m[8] = static_cast<char>(0x80);  // stage on, pause 0
  m[9] = 1;                        // one repeat
  m[10] = 0x01;                    // zone 1
  m[13] = 5;                       // message 5
  const char identity[] = "SN\0" "1234" "\0" "12" "\0" "05" "\0" "24";
  for (int i = 0; i < 16; ++i) m[400 + i] = identity[i];
  for (int i = 416; i < 512; ++i) m[i] = static_cast<char>(i * 7 + 3);
  for (int i = 392; i < 400; ++i) m[i] = static_cast<char>(0xC0 + i);
  return m;
}

struct LinkHarness {
  static constexpr int kShortInterval = 100;

  QTemporaryDir dir;
  ScriptedPrompter prompter;
  std::unique_ptr<TMain> main;
  TSetComPort* setComPort = nullptr;
  TDbg* dbg = nullptr;
  TFormPort* formPort = nullptr;
#ifndef _WIN32
  std::vector<std::unique_ptr<emutest::EmulatorProcess>> emulators;
#endif

  explicit LinkHarness(int intervalMs = kShortInterval) {
    WireGuiQueue();
    qputenv("TESRACONFIG_COM_DIR", dir.path().toLocal8Bit());
    // The backups taken before each write go into the test's own folder.
    qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
    main = std::make_unique<TMain>(prompter);
    setComPort = new TSetComPort(main.get());
    dbg = new TDbg(main.get());
    formPort = new TFormPort(main.get());
    formPort->SetLogDirectory(dir.path());
    formPort->TimeOfDay = [] { return QStringLiteral("12:34:56"); };
    main->AttachWindows({setComPort, nullptr, dbg, formPort});
    link().SetTimerInterval(intervalMs);
    main->show();
  }
  ~LinkHarness() {
    link().CommPort.SetOpen(false);
    main.reset();
#ifndef _WIN32
    emulators.clear();
#endif
  }

  Link& link() { return main->LinkPart(); }
  MainControls& c() { return main->Controls(); }
  QString Status() { return c().StatusPanelText(0); }
  QStringList MemoLines() { return formPort->Memo1->toPlainText().split('\n', Qt::SkipEmptyParts); }

#ifndef _WIN32
  // An emulator on COM `port` with extra options; its memory file, when given, is used.
  emutest::EmulatorProcess& StartEmulator(int port, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--link-dir", dir.path().toStdString(), "--port", std::to_string(port)};
    args.insert(args.end(), extra.begin(), extra.end());
    emulators.push_back(std::make_unique<emutest::EmulatorProcess>(args));
    EXPECT_FALSE(emulators.back()->path().empty()) << "emulator did not start";
    return *emulators.back();
  }
#endif

  // The next opening of the dialog: `setup` changes its controls, then Ok
  // (or "Отмена") is clicked, as the user would.
  void ScriptDialog(std::function<void(TSetComPort&)> setup, bool ok = true) {
    prompter.dialogs.push_back([setup, ok](QDialog& d) {
      auto& s = static_cast<TSetComPort&>(d);
      if (setup) setup(s);
      (ok ? s.Button1 : s.ButtonOk)->click();
      return d.result();
    });
  }
  static void Manual(TSetComPort& s, int port) {
    s.CheckBox1->setChecked(false);
    s.ComboBoxPort->setEditText(QString::number(port));
  }

  // Connects by a manual port number and waits for the answer.
  bool Connect(int port) {
    ScriptDialog([port](TSetComPort& s) { Manual(s, port); });
    c().TBFind->click();
    const QString want = QStringLiteral("Подключено на COM ") + QString::number(port);
    const bool ok = PumpUntil([&] { return Status() == want; });
    prompter.Clear();
    return ok;
  }
  bool WaitIdle() {
    return PumpUntil([&] { return link().LinkState == Link::Idle; });
  }
};

}  // namespace linktest
