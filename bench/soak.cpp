// Full write/read cycles through the main window's link against the
// controller emulator with random chunking: every write must leave the
// emulator's memory equal to the image, every read must bring it back byte
// for byte. Prints cycles, bytes moved and mismatches.  soak [CYCLES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <QTemporaryDir>

#include "bench/BenchWindow.h"
#include "link/Link.h"
#include "tests/tools/EmulatorProcess.h"

namespace {

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
  BenchApp app(argc, argv);

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
    BenchPrompter prompter;
    BenchWindow window(prompter);
    TMain& main = window.main;
    auto& ctx = main.Context();
    Link& link = main.LinkPart();
    // The image as the last block left it, before the refresh adjusts the controls.
    tesra::ConfigImage received;
    ctx.DebugGridRefresh = [&] {
      if (link.LinkState == Link::Reading) received = ctx.Image;
    };
    if (!window.Connect()) {
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
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("cycles %d, bytes on the line %lld, failed cycles %d, %.1f s\n", done, moved, failures, secs);
  return failures == 0 ? 0 : 1;
}
