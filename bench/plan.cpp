// The plan check over all eight inputs and the timeline's redraw after an
// edit, each timed over 1000 runs; prints the medians. A frame is 16 ms.
//   plan [PROJECT.usr]   (default: docs/example.usr with its .ini)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTableWidget>
#include <QToolButton>

#include "bench/BenchWindow.h"
#include "config/ImageFields.h"
#include "plan/PlanCheck.h"
#include "plan/TFormTimeline.h"
#include "plan/WindowPlan.h"
#include "project/ProjectFiles.h"

namespace {

constexpr int kRuns = 1000;

double MedianMicroseconds(const std::function<void(int)>& run) {
  std::vector<double> us;
  us.reserve(kRuns);
  for (int i = 0; i < kRuns; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    run(i);
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  std::nth_element(us.begin(), us.begin() + kRuns / 2, us.end());
  return us[kRuns / 2];
}

// Every stage of every input on, with relays and zones beyond what is
// fitted: the most the rules have to say.
tesra::ConfigImage Busiest() {
  using namespace tesra;
  ConfigImage img;
  PutField(img.data(), SystemField(FieldId::Splitters), 1);
  PutField(img.data(), SystemField(FieldId::Modules), 1);
  for (int i = 0; i < 8; ++i)
    for (int s = 0; s < 8; ++s) {
      PutField(img.data(), StageField(i, s, FieldId::StageOn), 1);
      PutField(img.data(), StageField(i, s, FieldId::Message), static_cast<unsigned>(s * 9));
      PutField(img.data(), StageField(i, s, FieldId::Repeats), s == 6 ? 0 : 3);
      PutField(img.data(), StageField(i, s, FieldId::Zones), 0x31);
      PutField(img.data(), RelayField(i, s, 5), 3);
    }
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  BenchApp app(argc, argv);
  const std::string project = argc > 1 ? argv[1] : TESRA_SOURCE_DIR "/docs/example.usr";
  tesra::ConfigImage image;
  if (!tesra::ReadImageFile(project, image)) {
    std::fprintf(stderr, "cannot read %s\n", project.c_str());
    return 1;
  }
  const tesra::MessageTimes times = tesra::ReadMessageTimes(tesra::CompanionFileName(project));

  std::size_t sink = 0;
  const double check = MedianMicroseconds([&](int) { sink += tesra::CheckPlan(image, times).size(); });
  const tesra::ConfigImage busiest = Busiest();
  const double checkBusy = MedianMicroseconds([&](int) { sink += tesra::CheckPlan(busiest, times).size(); });

  BenchPrompter prompter;
  TMain main(prompter);
  for (int m = 1; m <= 72; ++m) main.Controls().SetLenMesValue(m, QString::fromStdString(times[m - 1]));
  auto& ctx = main.Context();
  main.ProjectPart().ShowOpenedImage(image);
  // The write's path: the window's message times read from the list, then the check.
  const double checkShown = MedianMicroseconds([&](int) { sink += CheckShownPlan(ctx).size(); });

  TFormTimeline& timeline = main.TimelineWindow();
  timeline.resize(960, 520);
  timeline.show();
  QApplication::processEvents();
  QImage picture(timeline.View->size(), QImage::Format_ARGB32_Premultiplied);
  // An edit as the editor makes it (zone 8 of IN 1 stage 1 on and off), then
  // the view's whole paint: the timeline built from the window, then drawn.
  const tesra::ImageField& zones = tesra::StageField(0, 0, tesra::FieldId::Zones);
  const double redraw = MedianMicroseconds([&](int i) {
    tesra::PutFieldBit(ctx.Image.data(), zones, 7, i % 2);
    ctx.ImageChanged();
    timeline.View->render(&picture);
  });
  ctx.SavedFlag = 1;

  std::printf("plan check, all eight inputs (%s): median %.1f us over %d runs\n", project.c_str(), check, kRuns);
  std::printf("plan check, every stage on with findings:  median %.1f us over %d runs\n", checkBusy, kRuns);
  std::printf("plan check before a write (times from the window): median %.1f us over %d runs\n", checkShown, kRuns);
  std::printf("timeline redraw after an edit (%dx%d): median %.1f us over %d runs\n", picture.width(),
              picture.height(), redraw, kRuns);
  std::printf("a frame is 16000 us (%zu)\n", sink % 10);
  return 0;
}
