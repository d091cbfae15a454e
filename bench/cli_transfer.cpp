// The command line's read and verified write beside the window's, at 9600
// baud against the controller emulator pacing its line. The command line is
// timed as a script sees it, its start-up included. Prints both times and
// their ratio (command line / window); they should be within 5 %.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "bench/BenchWindow.h"
#include "link/Link.h"
#include "tests/tools/EmulatorProcess.h"

namespace {

constexpr int kBaud = 9600;
constexpr int kRounds = 3;

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double WindowSeconds(TMain& main, QToolButton* button, bool& ok, const QString& doneStatus) {
  Link& link = main.LinkPart();
  const auto t0 = std::chrono::steady_clock::now();
  button->click();
  ok = PumpUntil([&] { return link.LinkState == Link::Idle; }, 60000);
  const double s = Since(t0);
  if (!doneStatus.isEmpty()) ok = ok && main.Controls().StatusPanelText(1).startsWith(doneStatus);
  return s;
}

double CliSeconds(const QStringList& args, const QString& comDir, const QString& dataDir, bool& ok) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TESRACONFIG_COM_DIR"), comDir);
  env.insert(QStringLiteral("XDG_DATA_HOME"), dataDir);
  p.setProcessEnvironment(env);
  const auto t0 = std::chrono::steady_clock::now();
  p.start(QStringLiteral(TESRA_CLI), args);
  ok = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  return Since(t0);
}

}  // namespace

int main(int argc, char** argv) {
  BenchApp app(argc, argv);
  QTemporaryDir dir;
  const QString comDir = dir.path();
  const QString data = dir.filePath("data");
  qputenv("TESRACONFIG_COM_DIR", comDir.toLocal8Bit());
  qputenv("XDG_DATA_HOME", data.toLocal8Bit());
  emutest::EmulatorProcess emulator(
      {"--link-dir", comDir.toStdString(), "--port", "1", "--baud", std::to_string(kBaud)});
  if (emulator.path().empty()) {
    std::fprintf(stderr, "the emulator did not start\n");
    return 1;
  }
  const QString usr = dir.filePath("read.usr");
  const QString port = QString::number(1);

  std::printf("%-6s %-16s %10s %10s %7s\n", "baud", "kind", "window s", "cli s", "ratio");
  double windowRead = 0, windowWrite = 0, cliRead = 0, cliWrite = 0;
  bool ok = true;
  for (int round = 0; round < kRounds; ++round) {
    {
      BenchPrompter prompter;
      prompter.speed = QString::number(kBaud);
      BenchWindow window(prompter);
      // The command line's port was just let go; a probe may meet its last bytes.
      bool connected = false;
      for (int attempt = 0; attempt < 3 && !connected; ++attempt) {
        if (window.main.Controls().TBFind->isChecked()) window.main.Controls().TBFind->click();
        connected = window.Connect();
      }
      if (!connected) {
        std::fprintf(stderr, "no connection at %d baud\n", kBaud);
        return 1;
      }
      bool done = false;
      windowRead += WindowSeconds(window.main, window.main.Controls().TBRead, done, {});
      ok = ok && done;
      windowWrite += WindowSeconds(window.main, window.main.Controls().TBWrite, done,
                                   QStringLiteral("Запись проверена"));
      ok = ok && done;
      window.main.Controls().TBFind->click();
    }
    bool done = false;
    cliRead += CliSeconds({"read", "--port", port, "-o", usr}, comDir, data, done);
    ok = ok && done;
    cliWrite += CliSeconds({"write", usr, "--port", port}, comDir, data, done);
    ok = ok && done;
  }
  const auto row = [](const char* kind, double w, double c) {
    std::printf("%-6d %-16s %10.3f %10.3f %7.3f\n", kBaud, kind, w / kRounds, c / kRounds, c / w);
  };
  row("read", windowRead, cliRead);
  row("verified write", windowWrite, cliWrite);
  if (!ok) std::printf("some transfer FAILED\n");
  return ok ? 0 : 1;
}
