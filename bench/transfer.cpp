// A full read and a verified write (backup read, write, read-back) of the
// configuration through the main window's link, against the controller
// emulator pacing its line, at 9600 and 115200 baud, clean and with one reply
// in ten damaged. Prints each time, its ratio to the line-rate limit (for the
// write, of its three transfers together) and the resends the replies'
// checks asked for (for the write, those of its last transfer).
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "bench/BenchWindow.h"
#include "link/Link.h"
#include "tests/tools/EmulatorProcess.h"

namespace {

double Seconds(const std::function<void()>& start, Link& link) {
  const auto t0 = std::chrono::steady_clock::now();
  start();
  if (!PumpUntil([&] { return link.LinkState == Link::Idle; }, 60000)) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  BenchApp app(argc, argv);

  std::printf("%-8s %-28s %10s %10s %7s %8s\n", "baud", "kind", "time s", "limit s", "ratio", "resends");
  struct Line { const char* label; std::vector<std::string> faults; };
  // Clean, then one reply in ten damaged (a flipped data bit): each damaged
  // reply costs a quiet period and a resend.
  const Line lines[] = {{"", {}}, {" 1/10 damaged", {"--damage-every", "10"}}};
  for (const auto& line : lines) {
    for (int baud : {9600, 115200}) {
      QTemporaryDir dir;
      qputenv("TESRACONFIG_COM_DIR", dir.path().toLocal8Bit());
      // The backups taken before the write stay in the run's own folder.
      qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
      std::vector<std::string> args = {"--link-dir", dir.path().toStdString(), "--port", "1", "--baud",
                                       std::to_string(baud)};
      args.insert(args.end(), line.faults.begin(), line.faults.end());
      emutest::EmulatorProcess emulator(args);
      if (emulator.path().empty()) {
        std::fprintf(stderr, "the emulator did not start\n");
        return 1;
      }
      BenchPrompter prompter;
      prompter.speed = QString::number(baud);
      BenchWindow window(prompter);
      TMain& main = window.main;
      if (!window.Connect()) {
        std::fprintf(stderr, "no connection at %d baud\n", baud);
        return 1;
      }
      Link& link = main.LinkPart();
      const double readLimit = 16.0 * (7 + 39) * 10 / baud;
      // Backup read + write + read-back.
      const double writeLimit = 2 * readLimit + 16.0 * (39 + 39) * 10 / baud;
      const double read = Seconds([&] { main.Controls().TBRead->click(); }, link);
      const unsigned readResends = link.Transfer.Resends();
      const bool readDone = main.windowTitle() == QStringLiteral("Конфигурация - ");
      const double write = Seconds([&] { main.Controls().TBWrite->click(); }, link);
      const unsigned writeResends = link.Transfer.Resends();
      const bool writeDone = main.Controls().StatusPanelText(1).startsWith(QStringLiteral("Запись проверена"));
      const std::string r = std::string("read") + line.label + (readDone ? "" : " FAILED");
      const std::string w = std::string("verified write") + line.label + (writeDone ? "" : " FAILED");
      std::printf("%-8d %-28s %10.3f %10.3f %7.2f %8u\n", baud, r.c_str(), read, readLimit, read / readLimit,
                  readResends);
      std::printf("%-8d %-28s %10.3f %10.3f %7.2f %8u\n", baud, w.c_str(), write, writeLimit, write / writeLimit,
                  writeResends);
      main.Controls().TBFind->click();
    }
  }
  return 0;
}
