// Full write/read cycles through the main window's link against the
// controller emulator with random chunking: every write must leave the
// emulator's memory equal to the image, every read must bring it back byte
// for byte. Prints cycles, bytes moved and mismatches.  soak [CYCLES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
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

class SoakPrompter : public Prompter {
 public:
  int boxes = 0;  // any box but the confirmations is a failure of the cycle
  BoxAnswer Message(BoxKind, const QString&, const QString& text, BoxButtons buttons) override {
    if (buttons != BoxButtons::OkCancel && !text.startsWith(QStringLiteral("Подключено"))) ++boxes;
    return buttons == BoxButtons::YesNoCancel ? BoxAnswer::No : BoxAnswer::Ok;
  }
  QString OpenFileName(QWidget*, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  int ExecModal(QDialog& dialog) override {
    auto& s = static_cast<TSetComPort&>(dialog);
    s.CheckBox1->setChecked(false);
    s.ComboBoxPort->setEditText("1");
    s.ComboBoxSpeed->setEditText("115200");
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

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int Mismatches(const tesra::ConfigImage& image, const std::string& memory) {
  if (memory.size() != tesra::kImageSize) return static_cast<int>(tesra::kImageSize);
  int n = 0;
  for (std::size_t i = 0; i < tesra::kImageSize; ++i)
    if (image[i] != static_cast<std::uint8_t>(memory[i])) ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 200;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tesra::GuiQueue::Main().SetGuiThread();
  tesra::GuiQueue::Main().SetWakeHook([] {
    QMetaObject::invokeMethod(qApp, [] { tesra::GuiQueue::Main().Drain(); }, Qt::QueuedConnection);
  });

  QTemporaryDir dir;
  const std::string memory = dir.path().toStdString() + "/memory.usr";
  qputenv("TESRACONFIG_COM_DIR", dir.path().toLocal8Bit());
  // The backups taken before each write stay in the run's own folder.
  qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
  int failures = 0;
  int done = 0;
  long long moved = 0;
  const auto t0 = std::chrono::steady_clock::now();
  {
    emutest::EmulatorProcess emulator({"--link-dir", dir.path().toStdString(), "--port", "1", "--random-chunks",
                                       "7", "--chunk-gap", "1", "--save", memory});
    if (emulator.path().empty()) {
      std::fprintf(stderr, "the emulator did not start\n");
      return 1;
    }
    SoakPrompter prompter;
    TMain main(prompter);
    TSetComPort setComPort(&main);
    main.AttachWindows({&setComPort, nullptr, nullptr, nullptr});
    auto& ctx = main.Context();
    Link& link = main.LinkPart();
    // The image as the last block left it, before the refresh adjusts the controls.
    tesra::ConfigImage received;
    ctx.DebugGridRefresh = [&] {
      if (link.LinkState == Link::Reading) received = ctx.Image;
    };
    main.Controls().TBFind->click();
    if (!PumpUntil([&] { return main.Controls().TBRead->isEnabled(); }, 10000)) {
      std::fprintf(stderr, "no connection\n");
      return 1;
    }
    std::mt19937 rng(2026);
    for (; done < cycles; ++done) {
      tesra::ConfigImage image;
      for (auto& b : image.bytes) b = static_cast<std::uint8_t>(rng());
      ctx.Image = image;
      main.Controls().TBWrite->click();
      if (!PumpUntil([&] { return link.LinkState == Link::Idle; }, 30000)) {
        std::fprintf(stderr, "cycle %d: write did not finish\n", done);
        ++failures;
        break;
      }
      const int written = Mismatches(image, ReadFile(memory));
      ctx.Image.clear();
      ctx.SavedFlag = 1;
      main.Controls().TBRead->click();
      if (!PumpUntil([&] { return link.LinkState == Link::Idle; }, 30000)) {
        std::fprintf(stderr, "cycle %d: read did not finish\n", done);
        ++failures;
        break;
      }
      const int read = Mismatches(received, ReadFile(memory));
      if (written || read) {
        std::fprintf(stderr, "cycle %d: %d bytes differ after the write, %d after the read\n", done, written, read);
        ++failures;
      }
      moved += 16 * (7 + 39) + 16 * (39 + 39);
    }
    if (prompter.boxes) std::fprintf(stderr, "%d unexpected message boxes\n", prompter.boxes);
    failures += prompter.boxes;
    main.Controls().TBFind->click();
    ctx.SavedFlag = 1;
  }
  tesra::GuiQueue::Main().SetWakeHook(nullptr);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("cycles %d, bytes on the line %lld, failed cycles %d, %.1f s\n", done, moved, failures, secs);
  return failures == 0 ? 0 : 1;
}
