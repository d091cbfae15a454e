// The two plan windows on a real main window: "Проверка" lists the findings
// or says there are none and leads to a finding's place; "Диаграмма" follows
// the editor and saves all inputs as a PDF or the shown one as a PNG.
#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "controls/Prompter.h"
#include "plan/TFormCheck.h"
#include "plan/TFormTimeline.h"
#include "tests/plan/PlanImages.h"
#include "tests/support/MainWindowFixture.h"

using plantest::Plan;

namespace {

struct PlanWindows : MainWindowFixture {
  PlanWindows() { main.show(); }
  void Show(const Plan& plan) {
    std::vector<QString> times;
    for (const auto& t : plan.times) times.push_back(QString::fromStdString(t));
    SetTimes(times);
    Open(plan.image);
  }
};

// Counts the paints of a widget.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

int PdfPages(const QByteArray& pdf) {
  int pages = 0;
  for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0; at = pdf.indexOf("/Type /Page", at + 1))
    if (pdf.mid(at + 11, 1) != "s") ++pages;  // "/Type /Pages" is the tree, not a page
  return pages;
}

}  // namespace

TEST(PlanWindows, CheckListsTheFindingsOrSaysThereAreNone) {
  PlanWindows w;
  w.Show(plantest::Example());
  w.c.TBCheck->click();
  EXPECT_EQ(w.prompter.Texts(), std::vector<QString>{QStringLiteral("Замечаний нет")});
  EXPECT_EQ(w.prompter.shown[0].kind, BoxKind::Information);
  EXPECT_FALSE(w.main.CheckWindow().isVisible());

  // IN 3, 2 этап plays no message; IN 1, 1 этап's message has no time.
  w.prompter.Clear();
  Plan plan = plantest::Example().Stage(3, 1, 2, 1, 0x01).Stage(3, 2, 0, 2, 0x02).Time(1, "0");
  w.Show(plan);
  w.c.TBCheck->click();
  EXPECT_TRUE(w.prompter.shown.empty());
  TFormCheck& form = w.main.CheckWindow();
  ASSERT_TRUE(form.isVisible());
  ASSERT_EQ(form.Grid->rowCount(), 2);
  const QString rows[2][3] = {
      {"Предупреждение", "IN 1, 1 этап", "Время звучания сообщения 1 равно 0: время этапа не посчитать"},
      {"Ошибка", "IN 3, 2 этап", "Этап включен, но сообщение не выбрано (\"Не выбр\")"}};
  for (int r = 0; r < 2; ++r)
    for (int col = 0; col < 3; ++col) EXPECT_EQ(form.Grid->item(r, col)->text(), rows[r][col]) << r << col;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Проверка: Ошибок: 1, предупреждений: 1."));

  // Mended, the next check says so and the list goes.
  w.ctx.Image = plantest::Example().image;
  w.c.SetLenMesValue(1, QStringLiteral("10"));
  w.c.TBCheck->click();
  EXPECT_EQ(w.prompter.Texts(), std::vector<QString>{QStringLiteral("Замечаний нет")});
  EXPECT_FALSE(form.isVisible());
}

TEST(PlanWindows, DoubleClickShowsTheFindingsInputAndStage) {
  PlanWindows w;
  w.Show(plantest::Example().Stage(3, 1, 2, 1, 0x01).Stage(3, 2, 0, 2, 0x02));
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w.main));
  w.c.TBCheck->click();
  TFormCheck& form = w.main.CheckWindow();
  ASSERT_EQ(form.Grid->rowCount(), 1);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QRect cell = form.Grid->visualItemRect(form.Grid->item(0, 1));
  // As a person does it: the first click selects, the second makes it a double click.
  QTest::mouseClick(form.Grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(form.Grid->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(w.ctx.SelectedInput, 2);
  EXPECT_TRUE(w.c.SpeedButton3->isChecked());
  EXPECT_TRUE(w.c.StageButtons[1]->isChecked()) << "the editor shows IN 3";
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == w.c.StageButtons[1]; }, 2000));
}

TEST(PlanWindows, TimelineFollowsTheEditor) {
  PlanWindows w;
  w.Show(plantest::Example());
  w.c.TBTimeline->click();
  TFormTimeline& form = w.main.TimelineWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  PaintCounter counter;
  form.View->installEventFilter(&counter);
  // The view repaints after `edit`, with no call of its own.
  auto repaintsAfter = [&](const std::function<void()>& edit) {
    const int before = counter.paints;
    edit();
    return QTest::qWaitFor([&] { return counter.paints > before; }, 2000);
  };
  // What the view drew, not what it would draw now: a view that kept an
  // older timeline fails here.
  ASSERT_TRUE(repaintsAfter([&] { form.View->update(); }));
  EXPECT_EQ(form.Drawn().input, 0);
  EXPECT_EQ(form.Drawn().total, 80);

  EXPECT_TRUE(repaintsAfter([&] { w.c.SpeedButton2->click(); }));  // IN 2
  EXPECT_EQ(form.Drawn().input, 1);
  EXPECT_EQ(form.Drawn().total, 8);

  EXPECT_TRUE(repaintsAfter([&] { w.c.SetLenMesValue(2, QStringLiteral("12")); }));  // the message IN 2 plays
  EXPECT_EQ(form.Drawn().total, 12);

  EXPECT_TRUE(repaintsAfter([&] { w.c.ZoneButtons[0][1]->click(); }));  // zone 2 joins stage 1
  EXPECT_EQ(form.Drawn().bands.size(), 2u);

  EXPECT_TRUE(repaintsAfter([&] { w.c.StageButtons[0]->click(); }));  // stage 1 off: nothing plays
  EXPECT_TRUE(form.Drawn().stages.empty());
}

TEST(PlanWindows, TimelineSavesEightPdfPagesOrTheShownPicture) {
  PlanWindows w;
  w.Show(plantest::Example());
  w.c.TBTimeline->click();
  TFormTimeline& form = w.main.TimelineWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QTemporaryDir dir;
  const QString pdf = dir.filePath("plan.pdf"), png = dir.filePath("IN1.png");
  const QString missing = dir.filePath("missing/plan.pdf");

  // The type chosen in the dialog decides: "IN1" with the PNG type is IN1.png.
  w.prompter.saveNames = {pdf, dir.filePath("IN1"), QString(), missing, dir.filePath("IN1"), dir.filePath("IN1")};
  w.prompter.saveTypes = {0, 1, 0, 0, 1, 1};
  form.ButtonSave->click();
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_EQ(PdfPages(bytes), 8);

  form.ButtonSave->click();
  EXPECT_FALSE(QFile::exists(dir.filePath("IN1.pdf")));
  QImage saved(png, "PNG");
  ASSERT_FALSE(saved.isNull());
  const QImage shown = form.View->grab().toImage();
  EXPECT_EQ(saved.size(), shown.size());
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), shown.convertToFormat(QImage::Format_RGB32));

  form.ButtonSave->click();  // cancelled: nothing
  EXPECT_TRUE(w.prompter.shown.empty());
  form.ButtonSave->click();  // a folder that is not there
  EXPECT_EQ(w.prompter.Texts(), std::vector<QString>{QStringLiteral("Ошибка записи файла ") + missing + " !"});
  EXPECT_EQ(w.prompter.shown[0].kind, BoxKind::Error);

  // An existing file is replaced only after the dialog's overwrite question.
  {
    QFile old(png);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
    old.write("older");
  }
  auto content = [&] {
    QFile f(png);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  w.prompter.Clear();
  w.prompter.answers = {BoxAnswer::No, BoxAnswer::Yes};
  form.ButtonSave->click();
  EXPECT_EQ(content(), QByteArray("older"));
  form.ButtonSave->click();
  EXPECT_TRUE(content().startsWith("\x89PNG"));
  EXPECT_EQ(w.prompter.shown.size(), 2u);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

// The real save dialog: the type chosen gives a bare name its suffix, and an
// existing file is replaced only once its overwrite question says Yes.
TEST(PlanWindows, TheSaveDialogsTypeGivesTheSuffixAndItAsksBeforeReplacing) {
  QTemporaryDir dir;
  {
    QFile old(dir.filePath("IN1.png"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  }
  const std::vector<SaveType> types = {{QStringLiteral("Диаграммы всех входов (*.pdf)"), QStringLiteral("pdf")},
                                       {QStringLiteral("Диаграмма входа (*.png)"), QStringLiteral("png")}};
  std::vector<QMessageBox::StandardButton> answers = {QMessageBox::No, QMessageBox::Yes};
  int questions = 0;
  bool accepting = false;  // an accept is on its way or waits for an answer
  QTimer person;
  QObject::connect(&person, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isVisible()) continue;
      if (auto* box = qobject_cast<QMessageBox*>(w)) {
        box->button(answers[static_cast<std::size_t>(questions++ % 2)])->click();
        accepting = false;
        return;
      }
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      if (!dialog || !dialog->isVisible()) continue;
      // As a person picks the type in its list and types a bare name.
      auto* typeList = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!typeList || !name || accepting) return;
      dialog->setDirectory(dir.path());
      if (typeList->currentIndex() != 1) QTest::keyClick(typeList, Qt::Key_Down);
      name->setText(QStringLiteral("IN1"));
      // Its own accept, with the overwrite question; queued, so that this
      // timer can answer the question from inside it.
      accepting = true;
      QMetaObject::invokeMethod(dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); }, Qt::QueuedConnection);
      return;
    }
  });
  person.start(20);
  WidgetPrompter prompter(nullptr);
  QString path;
  const int type = prompter.SaveFileTyped(nullptr, types, path);
  person.stop();
  EXPECT_EQ(type, 1);
  EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("IN1.png"));
  EXPECT_EQ(questions, 2);  // No kept the dialog open, Yes closed it
}

TEST(PlanWindows, CloseTakesThePlanWindowsAlong) {
  PlanWindows w;
  w.Show(plantest::Example().Stage(3, 1, 0, 1, 0x01));
  w.c.TBCheck->click();
  w.c.TBTimeline->click();
  ASSERT_TRUE(w.main.CheckWindow().isVisible());
  ASSERT_TRUE(w.main.TimelineWindow().isVisible());
  w.ctx.SavedFlag = 1;
  EXPECT_TRUE(w.main.close());
  EXPECT_FALSE(w.main.CheckWindow().isVisible());
  EXPECT_FALSE(w.main.TimelineWindow().isVisible());
}
