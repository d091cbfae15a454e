// Renders the main window, or the check, timeline or backups window over it,
// to a PNG for the documentation:
//   window-screenshot OUT.png [PROJECT.usr [main|check|timeline|backups]]
// Run it under a real display (Xvfb) so fonts and styles are the desktop's.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTimer>

#include "controls/Prompter.h"
#include "app/TMain.h"
#include "editor/Editor.h"
#include "editor/UndoHistory.h"
#include "link/Link.h"
#include "plan/TFormCheck.h"
#include "plan/TFormTimeline.h"
#include "plan/WindowPlan.h"
#include "project/Backups.h"
#include "project/ProjectFiles.h"
#include "project/TFormBackups.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The program's name, so the backups folder shown is the program's.
  app.setApplicationName(QStringLiteral("TesraConfig"));
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
    // Opened, not edited: nothing to undo.
    main.UndoPart().Clear();
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
  } else if (which == QLatin1String("backups")) {
    // Three writes' backups: one of the project itself, two that differ from it.
    static QTemporaryDir folder;
    const std::filesystem::path dir = folder.path().toStdString();
    std::array<std::string, tesra::kMessageCount> times;
    for (int row = 1; row <= tesra::kMessageCount; ++row)
      times[static_cast<std::size_t>(row - 1)] = main.Controls().LenMesValue(row).toStdString();
    tesra::ConfigImage older = main.Context().Image, newer = main.Context().Image;
    older[0x40] ^= 0x0f;
    older[0x41] ^= 0x01;
    older[0x100] ^= 0x22;
    newer[0x48] ^= 0x04;
    const struct { tesra::BackupStamp when; int port; const tesra::ConfigImage* image; } backups[] = {
        {{2026, 11, 27, 16, 20, 11}, 1, &older},
        {{2026, 12, 8, 14, 3, 27}, 3, &main.Context().Image},
        {{2026, 12, 9, 9, 41, 5}, 3, &newer},
    };
    std::filesystem::path failed;
    for (const auto& b : backups)
      if (tesra::SaveBackup(dir, tesra::BackupStem(b.when, b.port), *b.image, times, failed).empty()) return 1;
    TFormBackups& w = main.BackupsWindow();
    w.Fill(folder.path());
    // The folder the program itself uses, not the temporary one.
    w.LabelFolder->setText(QStringLiteral("Папка: ") + QDir::toNativeSeparators(Link::BackupFolder()));
    w.show();
    shown = &w;
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
