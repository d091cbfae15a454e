#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include <QAction>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QTest>
#include <QToolButton>

#include "app/Application.h"
#include "controls/Prompter.h"
#include "app/TMain.h"
#include "app/WindowPlacement.h"
#include "serial/GuiQueue.h"
#include "serial/TCommPort.h"
#include "tests/support/FakeSerialDevice.h"
#include "tests/support/ScriptedPrompter.h"

namespace {

struct Shell {
  ScriptedPrompter prompter;
  TMain main{prompter};
  QWidget dbg;
  QWidget formPort;
  explicit Shell(bool debug = false) {
    // As at start-up: the switch is applied before the window is first shown.
    if (debug) main.EnterDebugMode();
    main.AttachWindows({nullptr, nullptr, &dbg, &formPort});
    main.show();
    dbg.show();
    formPort.show();
  }
};

}  // namespace

TEST(Shell, FrameCaptionAndStatusBar) {
  Shell s;
  EXPECT_EQ(s.main.windowTitle(), QStringLiteral("Конфигурация"));
  EXPECT_EQ(s.main.size(), QSize(1147, 770));
  EXPECT_EQ(s.main.minimumSize(), s.main.maximumSize());
  EXPECT_FALSE(s.main.windowFlags() & Qt::WindowMaximizeButtonHint);
  auto& c = s.main.Controls();
  EXPECT_FALSE(c.StatusBar1->isSizeGripEnabled());
  EXPECT_EQ(c.StatusPanelText(0), QStringLiteral("Нет подключения"));
  EXPECT_EQ(c.StatusPanels[0]->width(), 214);
  EXPECT_EQ(c.StatusPanels[1]->width(), 200);
  EXPECT_EQ(c.StatusPanels[2]->width(), 100);
}

TEST(Shell, ToolBarButtonsInOrderWithTheirStartStates) {
  Shell s;
  auto& c = s.main.Controls();
  struct Row { QToolButton* b; const char* name; const char* caption; bool check; bool visible; };
  const Row rows[] = {
      {c.TBNew, "TBNew", "Создать", false, true},     {c.TBOpen, "TBOpen", "Открыть", false, true},
      {c.TBSave, "TBSave", "Сохранить", false, true},
      {c.TBUndo, "TBUndo", "Отменить", false, true},  {c.TBRedo, "TBRedo", "Повторить", false, true},
      {c.TBReport, "TBReport", "Отчет", true, true},
      {c.TBFind, "TBFind", "Подключить", true, true}, {c.TBRead, "TBRead", "Чтение", false, true},
      {c.TBWrite, "TBWrite", "Запись", false, true},  {c.TBCompare, "TBCompare", "Сравнить", false, true},
      {c.TBCheck, "TBCheck", "Проверка", false, true},
      {c.TBTimeline, "TBTimeline", "Диаграмма", false, true}, {c.TBDebug, "TBDebug", "Отладка", false, false},
      {c.ToolButton1, "ToolButton1", "Выход", false, true},
  };
  int lastX = -1;
  for (const auto& r : rows) {
    ASSERT_NE(r.b, nullptr) << r.name;
    EXPECT_EQ(r.b->objectName(), QString::fromUtf8(r.name));
    EXPECT_EQ(r.b->text(), QString::fromUtf8(r.caption)) << r.name;
    EXPECT_EQ(r.b->isCheckable(), r.check) << r.name;
    EXPECT_FALSE(r.b->icon().isNull()) << r.name;
    EXPECT_EQ(r.b->isVisible(), r.visible) << r.name;
    // No caption is elided (where the platform has fonts to measure with).
    if (!QFontDatabase::families().isEmpty()) {
      EXPECT_LE(r.b->fontMetrics().horizontalAdvance(r.b->text()), r.b->width()) << r.name;
    }
    if (r.visible) {
      EXPECT_GT(r.b->x(), lastX) << r.name;
      lastX = r.b->x();
    }
  }
  EXPECT_FALSE(c.TBUndo->isEnabled());
  EXPECT_FALSE(c.TBRedo->isEnabled());
  EXPECT_FALSE(c.TBRead->isEnabled());
  EXPECT_FALSE(c.TBWrite->isEnabled());
  EXPECT_FALSE(c.TBCompare->isEnabled());
  EXPECT_TRUE(c.TBReport->isEnabled());
  EXPECT_FALSE(c.TBReport->isChecked());
  EXPECT_FALSE(c.TBFind->isChecked());
  EXPECT_EQ(c.ToolBar1->height(), 56);
}

TEST(Shell, MainWindowOpensAtTheScreenCentre) {
  struct Case { QRect available; QSize size; QPoint topLeft; };
  const Case cases[] = {
      {{0, 0, 1920, 1080}, {1147, 770}, {386, 155}},
      {{0, 40, 1920, 1040}, {1147, 770}, {386, 175}},        // a task bar above
      {{1920, 0, 1280, 1024}, {1147, 770}, {1986, 127}},     // a second screen to the right
      {{0, 0, 1024, 768}, {1147, 770}, {0, 0}},              // larger than the screen: the caption stays on it
      {{-1280, 0, 1280, 1024}, {1400, 500}, {-1280, 262}},
  };
  for (const auto& k : cases) EXPECT_EQ(CentredTopLeft(k.available, k.size), k.topLeft) << k.available.x();

  ScriptedPrompter prompter;
  TMain main(prompter);
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  // Placed when made, so it is first shown there.
  EXPECT_EQ(main.pos(), CentredTopLeft(available, main.frameGeometry().size()));
}

TEST(Shell, StartsSavedWithSaveButtonEnabled) {
  Shell s;
  EXPECT_EQ(s.main.Context().SavedFlag, 1);
  EXPECT_TRUE(s.main.Controls().TBSave->isEnabled());
}

TEST(Shell, DebugModeShowsTheButtonAfterWriteAndUnlocksIdentityFields) {
  {
    Shell plain;
    auto& c = plain.main.Controls();
    for (QLineEdit* e : {c.Edit1, c.Edit2, c.Edit3, c.Edit4, c.Edit5}) EXPECT_TRUE(e->isReadOnly());
  }
  Shell s(true);
  auto& c = s.main.Controls();
  EXPECT_TRUE(c.TBDebug->isVisible());
  EXPECT_GT(c.TBDebug->x(), c.TBTimeline->x());
  EXPECT_LT(c.TBDebug->x(), c.ToolButton1->x());
  // With every button shown the tool bar still holds them all.
  EXPECT_TRUE(c.ToolButton1->isVisible());
  EXPECT_LE(c.ToolButton1->geometry().right(), c.ToolBar1->width());
  for (QLineEdit* e : {c.Edit1, c.Edit2, c.Edit3, c.Edit4, c.Edit5}) EXPECT_FALSE(e->isReadOnly());
  EXPECT_FALSE(c.Edit5->isVisible());
}

TEST(Shell, CloseAsksOnlyWithUnsavedChangesAndClosesDebugWindowsAlways) {
  struct Case { bool changed; BoxAnswer answer; bool closes; int questions; };
  const Case cases[] = {
      {false, BoxAnswer::Cancel, true, 0},
      {true, BoxAnswer::Yes, false, 1},  // the work is not on disk: the window stays
      {true, BoxAnswer::No, true, 1},
      {true, BoxAnswer::Cancel, false, 1},
  };
  for (const auto& c : cases) {
    Shell s;
    if (c.changed) s.main.Context().ImageChanged();
    s.prompter.answers = {c.answer};
    s.prompter.saveNames = {QString()};  // a Yes runs Save; its dialog is cancelled here
    s.main.Controls().ToolButton1->click();
    EXPECT_EQ(!s.main.isVisible(), c.closes) << static_cast<int>(c.answer);
    ASSERT_EQ(static_cast<int>(s.prompter.shown.size()), c.questions);
    if (c.questions) {
      EXPECT_EQ(s.prompter.shown[0].text, QStringLiteral("Хотите сохранить текущий проект конфигурации ?"));
      EXPECT_EQ(s.prompter.shown[0].buttons, BoxButtons::YesNoCancel);
      EXPECT_EQ(s.prompter.shown[0].kind, BoxKind::Information);
    }
    EXPECT_FALSE(s.dbg.isVisible());
    EXPECT_FALSE(s.formPort.isVisible());
  }
}

TEST(Shell, ImageChangedMarksUnsavedAndEnablesSave) {
  Shell s;
  auto& ctx = s.main.Context();
  s.main.Controls().TBSave->setEnabled(false);
  int refreshed = 0;
  ctx.DebugGridRefresh = [&] { ++refreshed; };
  ctx.ImageChanged();
  EXPECT_EQ(ctx.SavedFlag, 0);
  EXPECT_TRUE(s.main.Controls().TBSave->isEnabled());
  EXPECT_EQ(refreshed, 1);
}

TEST(Shell, AnEscapedErrorIsShownAndTheProgramGoesOn) {
  struct Case { std::function<bool()> deliver; bool result; std::vector<QString> shown; };
  const Case cases[] = {
      {[] { return true; }, true, {}},
      {[]() -> bool { throw std::runtime_error("Access violation"); }, false, {QStringLiteral("Access violation")}},
      {[]() -> bool { throw 42; }, false, {QString()}},
  };
  for (const auto& c : cases) {
    ScriptedPrompter p;
    EXPECT_EQ(DeliverShowingErrors(c.deliver, &p), c.result);
    EXPECT_EQ(p.Texts(), c.shown);
    for (const auto& m : p.shown) EXPECT_EQ(m.kind, BoxKind::Error);
  }
}

// A close that waits for a slow line to take what is queued keeps the
// windows drawn meanwhile.
TEST(Shell, WindowsRepaintWhileAPortCloses) {
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  QWidget window;
  window.resize(200, 100);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.installEventFilter(&counter);

  tesra::GuiQueue queue;
  queue.SetGuiThread();
  KeepWindowsDrawnWhileWaiting(queue);
  tesra::FakeSerialDevice device;
  tesra::TCommPort port(&device, nullptr, &queue);
  port.SetBaud(2400);
  port.SetOpen(true);
  ASSERT_TRUE(port.GetOpen());
  device.SetByteTime(std::chrono::microseconds(1000));
  const std::string slow(500, 's');  // half a second on this line
  ASSERT_EQ(port.PutBlock(slow.data(), 500), 500u);
  ASSERT_TRUE(device.WaitForOutput(1, std::chrono::seconds(5)));
  const int before = counter.paints;
  port.SetOpen(false);  // no event loop runs in here
  EXPECT_EQ(device.Output(), slow);
  EXPECT_GE(counter.paints - before, 2);
}
