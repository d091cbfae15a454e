// Projects opened from outside the file dialog: a drop onto the window, the
// recent projects in Открыть's menu, and the backups window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QToolButton>
#include <QUrl>

#include "link/Link.h"
#include "link/TFormCompare.h"
#include "project/Backups.h"
#include "project/RecentProjects.h"
#include "project/TFormBackups.h"
#include "tests/project/TempDir.h"
#include "tests/support/MainWindowFixture.h"

using tesra::ConfigImage;
using tesra::test::TempDir;

void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }

namespace {

const QString kQuestion = QStringLiteral("Хотите сохранить текущий проект конфигурации ?");

void PutProject(const std::filesystem::path& usr, std::uint8_t mark) {
  ConfigImage img;
  img[300] = mark;
  ASSERT_TRUE(tesra::WriteImageFile(usr, img));
}

// A window whose recent list lives in a settings file of the test's own.
struct Window : MainWindowFixture {
  TempDir settingsDir;
  explicit Window() {
    main.SetRecentProjects(std::make_unique<RecentProjects>(
        std::make_unique<QSettings>(Q(settingsDir / "settings.ini"), QSettings::IniFormat)));
  }
  void Drop(const QList<QUrl>& urls, bool* accepted = nullptr) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &enter);
    if (accepted) *accepted = enter.isAccepted();
    if (!enter.isAccepted()) return;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&main, &drop);
    QApplication::processEvents();
  }
  QStringList MenuTexts() {
    QMenu* menu = c.TBOpen->menu();
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
  }
  void Pick(const QString& text) {
    MenuTexts();
    for (QAction* a : c.TBOpen->menu()->actions())
      if (a->text() == text) return a->trigger();
    ADD_FAILURE() << "no menu entry " << text.toStdString();
  }
};

QString Native(const std::filesystem::path& p) { return QDir::toNativeSeparators(Q(p)); }

}  // namespace

TEST(OpenFromOutside, DroppedFiles) {
  TempDir dir;
  PutProject(dir / "drop me.usr", 5);
  PutProject(dir / "UPPER.USR", 6);
  PutProject(dir / "other.usr", 7);
  struct Case {
    const char* what;
    QList<QUrl> urls;
    bool accepted;
    int opened;  // the mark of the project opened, 0 for none
  };
  const Case cases[] = {
      {"a .usr with a space", {QUrl::fromLocalFile(Q(dir / "drop me.usr"))}, true, 5},
      {"capitals", {QUrl::fromLocalFile(Q(dir / "UPPER.USR"))}, true, 6},
      {"two files", {QUrl::fromLocalFile(Q(dir / "drop me.usr")), QUrl::fromLocalFile(Q(dir / "other.usr"))}, false, 0},
      {"another kind", {QUrl::fromLocalFile(Q(dir / "notes.txt"))}, false, 0},
      {"not a local file", {QUrl(QStringLiteral("https://example.org/a.usr"))}, false, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Window w;
    bool accepted = false;
    w.Drop(k.urls, &accepted);
    EXPECT_EQ(accepted, k.accepted);
    EXPECT_EQ(w.ctx.Image[300], k.opened);
    EXPECT_TRUE(w.prompter.shown.empty());
  }
}

// The question comes first, as Открыть asks it; a transfer running refuses the drop.
TEST(OpenFromOutside, DropAsksAboutUnsavedWorkAndWaitsForTransfers) {
  TempDir dir;
  PutProject(dir / "p.usr", 5);
  struct Case { BoxAnswer answer; QString saveName; std::uint8_t linkState; int mark; bool asked; };
  const Case cases[] = {
      {BoxAnswer::Cancel, {}, Link::Idle, 5, true},
      {BoxAnswer::Ok, {}, Link::Idle, 9, true},  // the save dialog cancelled: the work stays
      {BoxAnswer::Ok, Q(dir / "saved.usr"), Link::Idle, 5, true},
      {BoxAnswer::Cancel, {}, Link::Reading, 9, false},
      {BoxAnswer::Cancel, {}, Link::Writing, 9, false},
  };
  for (const Case& k : cases) {
    Window w;
    w.ctx.Image[300] = 9;
    w.ctx.SavedFlag = 0;
    w.prompter.answers = {k.answer};
    w.prompter.saveNames = {k.saveName};
    w.main.LinkPart().LinkState = k.linkState;
    w.Drop({QUrl::fromLocalFile(Q(dir / "p.usr"))});
    EXPECT_EQ(w.ctx.Image[300], k.mark);
    EXPECT_EQ(!w.prompter.shown.empty() && w.prompter.shown[0].text == kQuestion, k.asked);
    w.main.LinkPart().LinkState = Link::Idle;
  }
}

TEST(OpenFromOutside, RecentProjects) {
  TempDir dir;
  for (int i = 1; i <= 10; ++i) PutProject(dir / ("p" + std::to_string(i) + ".usr"), static_cast<std::uint8_t>(i));
  Window w;
  EXPECT_EQ(w.MenuTexts(), QStringList({QStringLiteral("Резервные копии...")}));

  // Opened and saved files, newest first, each once, the last eight.
  for (int i = 1; i <= 10; ++i) ASSERT_TRUE(w.main.ProjectPart().OpenProjectFile(Q(dir / ("p" + std::to_string(i) + ".usr"))));
  w.prompter.saveNames = {Q(dir / "p4.usr")};
  w.c.TBSave->click();
  QStringList expected;
  for (int i : {4, 10, 9, 8, 7, 6, 5, 3}) expected << Native(dir / ("p" + std::to_string(i) + ".usr"));
  EXPECT_EQ(w.main.Recent().Paths(), expected);
  EXPECT_EQ(w.MenuTexts(), expected + QStringList({"-", QStringLiteral("Резервные копии...")}));

  // Picking one opens it as Открыть would, the question included.
  w.ctx.SavedFlag = 0;
  w.prompter.answers = {BoxAnswer::Cancel};
  w.Pick(Native(dir / "p7.usr"));
  EXPECT_EQ(w.ctx.Image[300], 7);
  ASSERT_EQ(w.prompter.Texts(), std::vector<QString>({kQuestion}));
  EXPECT_EQ(w.main.Recent().Paths().front(), Native(dir / "p7.usr"));

  // A file no longer there leaves the list with a box.
  std::filesystem::remove(dir / "p9.usr");
  w.prompter.Clear();
  w.Pick(Native(dir / "p9.usr"));
  EXPECT_EQ(w.prompter.Texts(), std::vector<QString>({QStringLiteral("Файл ") + Native(dir / "p9.usr") + QStringLiteral(" не найден !")}));
  EXPECT_FALSE(w.main.Recent().Paths().contains(Native(dir / "p9.usr")));
  EXPECT_EQ(w.ctx.Image[300], 7);

  // A name with '&' is shown as it is, not as a mnemonic.
  PutProject(dir / "a&b.usr", 11);
  w.prompter.answers = {BoxAnswer::Cancel};
  ASSERT_TRUE(w.main.ProjectPart().OpenProjectFile(Q(dir / "a&b.usr")));
  EXPECT_EQ(w.MenuTexts().front(), Native(dir / "a&&b.usr"));
}

TEST(OpenFromOutside, BackupsWindow) {
  TempDir dir;
  const auto folder = dir / "backups";
  const std::array<std::string, tesra::kMessageCount> times{};
  // As a window shows it, so that opening it changes nothing.
  ConfigImage raw;
  raw[300] = 1;
  const ConfigImage project = RefreshedInFreshWindow(raw);
  ConfigImage twoFields = project;
  twoFields[301] = 3;  // message of a stage and its repeats differ
  twoFields[302] = 4;
  std::filesystem::path failed;
  const struct { tesra::BackupStamp when; int port; const ConfigImage* image; } saved[] = {
      {{2026, 12, 8, 14, 3, 27}, 3, &project},
      {{2026, 12, 9, 9, 0, 5}, 12, &twoFields},
      {{2026, 11, 30, 23, 59, 59}, 1, &twoFields},
  };
  for (const auto& s : saved)
    ASSERT_FALSE(tesra::SaveBackup(folder, tesra::BackupStem(s.when, s.port), *s.image, times, failed).empty());

  Window w;
  w.ctx.Image = project;
  TFormBackups& b = w.main.BackupsWindow();
  QString folderOpened;
  b.OpenFolder = [&](const QString& f) { folderOpened = f; };
  b.Fill(Q(folder));
  EXPECT_EQ(b.windowTitle(), QStringLiteral("Резервные копии"));
  const int differing = static_cast<int>(tesra::ImageDifferences(twoFields, project).size());
  ASSERT_GE(differing, 1);
  const QStringList rows[] = {
      {"09.12.2026 09:00:05", "COM12", QStringLiteral("отличий: %1").arg(differing)},
      {"08.12.2026 14:03:27", "COM3", QStringLiteral("совпадает с проектом")},
      {"30.11.2026 23:59:59", "COM1", QStringLiteral("отличий: %1").arg(differing)},
  };
  ASSERT_EQ(b.List->rowCount(), 3);
  for (int r = 0; r < 3; ++r)
    for (int col = 0; col < 3; ++col) EXPECT_EQ(b.List->item(r, col)->text(), rows[r][col]) << r << "," << col;
  EXPECT_TRUE(b.ButtonOpen->isEnabled());

  // The newest is chosen: its differences, the backup's values beside the project's.
  b.ButtonCompare->click();
  auto* differences = w.main.findChild<TFormCompare*>("FormBackupDifferences");
  ASSERT_NE(differences, nullptr);
  EXPECT_TRUE(differences->isVisible());
  ASSERT_EQ(differences->Grid->rowCount(), differing);
  const QStringList headers = {QStringLiteral("Параметр"), QStringLiteral("Резервная копия"), QStringLiteral("Проект")};
  for (int col = 0; col < 3; ++col) EXPECT_EQ(differences->Grid->horizontalHeaderItem(col)->text(), headers[col]);
  const auto first = tesra::ImageDifferences(twoFields, project).front();
  EXPECT_EQ(differences->Grid->item(0, 1)->text(), QString::fromStdString(first.valueA));
  EXPECT_EQ(differences->Grid->item(0, 2)->text(), QString::fromStdString(first.valueB));

  b.ButtonFolder->click();
  EXPECT_EQ(folderOpened, Q(folder));

  // Открыть: the backup becomes the project, after the question, and the list
  // now finds it equal to the project.
  w.ctx.SavedFlag = 0;
  w.prompter.answers = {BoxAnswer::Cancel};
  b.ButtonOpen->click();
  EXPECT_EQ(w.prompter.Texts(), std::vector<QString>({kQuestion}));
  EXPECT_EQ(w.ctx.CurrentProject, Q(folder / "2026-12-09_09-00-05_COM12"));
  EXPECT_EQ(b.List->item(0, 2)->text(), QStringLiteral("совпадает с проектом"));
  EXPECT_EQ(b.List->currentRow(), 0);

  // Shown, it follows the project as it changes.
  b.show();
  w.Click(w.c.CheckBox4);
  QApplication::processEvents();
  EXPECT_EQ(b.List->item(0, 2)->text(), QStringLiteral("отличий: 1"));

  // While a transfer runs the project stays.
  w.main.LinkPart().LinkState = Link::Reading;
  b.List->selectRow(1);
  b.ButtonOpen->click();
  EXPECT_EQ(w.ctx.CurrentProject, Q(folder / "2026-12-09_09-00-05_COM12"));
  w.main.LinkPart().LinkState = Link::Idle;

  // An empty or missing folder lists nothing and offers nothing to open.
  b.Fill(Q(dir / "none"));
  EXPECT_EQ(b.List->rowCount(), 0);
  EXPECT_FALSE(b.ButtonOpen->isEnabled());
  EXPECT_FALSE(b.ButtonCompare->isEnabled());
}
