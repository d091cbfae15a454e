// Renders the main window, or the check or timeline window over it, to a PNG
// for the documentation:
//   window-screenshot OUT.png [PROJECT.usr [main|check|timeline]]
// Run it under a real display (Xvfb) so fonts and styles are the desktop's.
#include <QApplication>
#include <QPixmap>
#include <QToolButton>
#include <QTimer>

#include "app/controls/Prompter.h"
#include "app/TMain.h"
#include "config/Editor.h"
#include "plan/TFormCheck.h"
#include "plan/TFormTimeline.h"
#include "plan/WindowPlan.h"
#include "project/ProjectFiles.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  WidgetPrompter prompter(nullptr);
  TMain main(prompter);
  if (argc > 2) {
    tesra::ConfigImage image;
    if (!tesra::ReadImageFile(argv[2], image)) return 1;
    const auto times = tesra::ReadMessageTimes(tesra::CompanionFileName(argv[2]));
    for (int row = 1; row <= static_cast<int>(times.size()); ++row)
      main.Controls().SetLenMesValue(row, QString::fromStdString(times[static_cast<std::size_t>(row - 1)]));
    auto& ctx = main.Context();
    ctx.Image = image;
    ctx.RefreshGuard = 1;
    main.EditorPart().ShowSystemSection();
    main.EditorPart().SpeedButton1Click(main.Controls().SpeedButton1);
    ctx.RefreshGuard = 0;
  }
  main.show();
  const QString which = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("main");
  QWidget* shown = &main;
  if (which == QLatin1String("check")) {
    // Without findings the check would answer with a box instead of its window.
    if (CheckShownPlan(main.Context()).empty()) return 1;
    main.Controls().TBCheck->click();
    shown = &main.CheckWindow();
  } else if (which == QLatin1String("timeline")) {
    main.Controls().TBTimeline->click();
    shown = &main.TimelineWindow();
  } else if (which != QLatin1String("main")) {
    return 2;
  }
  int result = 1;
  QTimer::singleShot(500, [&] {
    result = shown->grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    main.Context().SavedFlag = 1;  // nothing to ask on the way out
    app.quit();
  });
  app.exec();
  return result;
}
