// A full read and a full write of the configuration through the main window's
// link, against the controller emulator pacing its line, at 9600 and 115200
// baud. Prints each time and its ratio to the line-rate limit.
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include "app/Prompter.h"
#include "app/TMain.h"
#include "link/Link.h"
#include "link/TSetComPort.h"
#include "serial/GuiQueue.h"
#include "tests/tools/EmulatorProcess.h"

namespace {

// Answers every box with OK and closes the connection dialog with "Ok" on
// port 1 at the chosen speed.
class BenchPrompter : public Prompter {
 public:
  QString speed;
  BoxAnswer Message(BoxKind, const QString&, const QString&, BoxButtons buttons) override {
    return buttons == BoxButtons::YesNoCancel ? BoxAnswer::No : BoxAnswer::Ok;
  }
  QString OpenFileName(QWidget*, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  int ExecModal(QDialog& dialog) override {
    auto& s = static_cast<TSetComPort&>(dialog);
    s.CheckBox1->setChecked(false);
    s.ComboBoxPort->setEditText("1");
    s.ComboBoxSpeed->setEditText(speed);
    s.Button1->click();
    return dialog.result();
  }
};

bool PumpUntil(const std::function<bool()>& done, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (std::chrono::steady_clock::now() > end) return false;
  }
  return true;
}

double Seconds(const std::function<void()>& start, Link& link) {
  const auto t0 = std::chrono::steady_clock::now();
  start();
  if (!PumpUntil([&] { return link.LinkState == Link::Idle; }, 60000)) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tesra::GuiQueue::Main().SetGuiThread();
  tesra::GuiQueue::Main().SetWakeHook([] {
    QMetaObject::invokeMethod(qApp, [] { tesra::GuiQueue::Main().Drain(); }, Qt::QueuedConnection);
  });

  std::printf("%-8s %-6s %10s %10s %7s\n", "baud", "kind", "time s", "limit s", "ratio");
  for (int baud : {9600, 115200}) {
    QTemporaryDir dir;
    qputenv("TESRACONFIG_COM_DIR", dir.path().toLocal8Bit());
    emutest::EmulatorProcess emulator(
        {"--link-dir", dir.path().toStdString(), "--port", "1", "--baud", std::to_string(baud)});
    if (emulator.path().empty()) {
      std::fprintf(stderr, "the emulator did not start\n");
      return 1;
    }
    BenchPrompter prompter;
    prompter.speed = QString::number(baud);
    TMain main(prompter);
    TSetComPort setComPort(&main);
    main.AttachWindows({&setComPort, nullptr, nullptr, nullptr});
    main.Controls().TBFind->click();
    if (!PumpUntil([&] { return main.Controls().TBRead->isEnabled(); }, 10000)) {
      std::fprintf(stderr, "no connection at %d baud\n", baud);
      return 1;
    }
    Link& link = main.LinkPart();
    const double readLimit = 16.0 * (7 + 39) * 10 / baud;
    const double writeLimit = 16.0 * (39 + 39) * 10 / baud;
    const double read = Seconds([&] { main.Controls().TBRead->click(); }, link);
    const double write = Seconds([&] { main.Controls().TBWrite->click(); }, link);
    std::printf("%-8d %-6s %10.3f %10.3f %7.2f\n", baud, "read", read, readLimit, read / readLimit);
    std::printf("%-8d %-6s %10.3f %10.3f %7.2f\n", baud, "write", write, writeLimit, write / writeLimit);
    main.Controls().TBFind->click();
  }
  tesra::GuiQueue::Main().SetWakeHook(nullptr);
  return 0;
}
