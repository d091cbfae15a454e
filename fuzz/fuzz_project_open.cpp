// Project Open through the real main window on any image and companion
// file: whatever the files hold, the window opens them without a fault and
// the image holds at most the file's first 512 bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QDir>
#include <QToolButton>

#include "app/TMain.h"
#include "fuzz/FuzzWindow.h"

namespace {

struct World {
  OffscreenApp app;
  FuzzPrompter prompter;
  std::unique_ptr<TMain> main;
  std::string dir;

  World() {
    prompter.okCancelAnswer = BoxAnswer::Cancel;  // never save over the files under test
    main = std::make_unique<TMain>(prompter);
    dir = QDir::tempPath().toStdString() + "/tesra-fuzz-open-" + std::to_string(QCoreApplication::applicationPid());
    QDir().mkpath(QString::fromStdString(dir));
  }
};

World& TheWorld() {
  static World w;
  return w;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& w = TheWorld();
  FuzzedDataProvider in(data, size);
  const std::string image = in.ConsumeRandomLengthString(1200);
  const std::string companion = in.ConsumeRemainingBytesAsString();
  const std::string usr = w.dir + "/project.v1.usr";
  WriteFile(usr, image);
  WriteFile(w.dir + "/project.v1.ini", companion);
  w.prompter.file = QString::fromStdString(usr);

  w.main->Controls().TBOpen->click();
  const auto& ctx = w.main->Context();
  if (ctx.RefreshGuard != 0) std::abort();
  if (ctx.CurrentProject != QString::fromStdString(w.dir + "/project.v1")) std::abort();
  // Past the file's end the image is zero, apart from the marker the refresh writes.
  for (std::size_t i = image.size(); i < tesra::kImageSize; ++i)
    if (i != 400 && i != 401 && i >= 416 && ctx.Image[i] != 0) std::abort();
  return 0;
}
