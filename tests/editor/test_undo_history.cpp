// Undo and redo of the user's changes, through the real main window's
// controls and tool buttons.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "editor/UndoHistory.h"
#include "tests/project/TempDir.h"
#include "tests/support/MainWindowFixture.h"

using tesra::ConfigImage;
using tesra::test::TempDir;

void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }

namespace {

struct Window : MainWindowFixture {
  using MainWindowFixture::MainWindowFixture;
  UndoHistory& undo = main.UndoPart();
  void ShowInput(int input) { c.InputButtons[static_cast<std::size_t>(input)]->click(); }
  void SetTime(int message, const QString& text) { c.LenMes->item(message - 1, MainControls::LenMesValueColumn)->setText(text); }
  struct State {
    std::array<std::uint8_t, tesra::kImageSize> image;
    std::vector<QString> times;
    bool operator==(const State&) const = default;
  };
  // What differs, in the differences window's words, for a failure's message.
  static std::string Differences(const State& a, const State& b) {
    ConfigImage ia, ib;
    ia.bytes = a.image;
    ib.bytes = b.image;
    std::string text;
    for (const auto& d : tesra::ImageDifferences(ia, ib)) text += d.name + ": " + d.valueA + " / " + d.valueB + "\n";
    for (std::size_t i = 0; i < a.times.size(); ++i)
      if (a.times[i] != b.times[i])
        text += "time " + std::to_string(i + 1) + ": " + a.times[i].toStdString() + " / " + b.times[i].toStdString() + "\n";
    return text;
  }
  // An empty time (a fresh window's) is the "0" every refresh shows.
  State Now() const {
    State s{ctx.Image.bytes, Times()};
    for (QString& t : s.times)
      if (t.isEmpty()) t = QStringLiteral("0");
    return s;
  }
};

}  // namespace

// Each kind of control as one step: the tool tips name it, undo brings back
// the image and the times as they were and shows the step's input, redo the
// change again, cascades included.
TEST(UndoHistory, EachKindOfEditIsOneStep) {
  struct Case {
    const char* step;  // as the tool tips name it
    bool debug;
    std::function<void(Window&)> setUp;
    std::function<void(Window&)> edit;
  };
  const auto none = [](Window&) {};
  const Case cases[] = {
      {"Приоритет входа AUX над авт. режимом", false, none, [](Window& w) { w.Click(w.c.CheckBox325); }},
      {"IN 3, 2 этап, Зоны", false,
       [](Window& w) {
         w.Choose(w.c.ComboBox57, 2);
         w.ShowInput(2);
         w.SwitchStagesOn(2);
       },
       [](Window& w) { w.c.ZoneButtons[1][4]->click(); }},
      {"IN 2, 1 этап, Модуль 1", false,
       [](Window& w) {
         w.Choose(w.c.ComboBox56, 1);
         w.ShowInput(1);
         w.SwitchStagesOn(1);
       },
       [](Window& w) { w.Click(w.c.RelayBoxes[0][1]); }},
      {"IN 1, 1 этап, Номер сообщения", false, [](Window& w) { w.SwitchStagesOn(1); },
       [](Window& w) { w.Choose(w.c.MessageCombos[0], 5); }},
      // Unlimited repeats switch the later stages off in the same step.
      {"IN 1, 1 этап, Количество повторов", false, [](Window& w) { w.SwitchStagesOn(3); },
       [](Window& w) { w.Choose(w.c.RepeatCombos[0], 0); }},
      // No splitter: every zone box and button is cleared with it.
      {"Разветвитель KT-SP", false,
       [](Window& w) {
         w.Choose(w.c.ComboBox57, 2);
         w.SwitchStagesOn(1);
         w.c.ZoneButtons[0][6]->click();
         w.Click(w.c.InputZoneBoxes[1][3]);
       },
       [](Window& w) { w.Choose(w.c.ComboBox57, 0); }},
      {"Время воспроизведения сообщения 7", false, none, [](Window& w) { w.SetTime(7, QStringLiteral("45")); }},
      // The keystrokes of one field edit make one step.
      {"Серийный номер", true, none, [](Window& w) { QTest::keyClicks(w.c.Edit1, QStringLiteral("4711")); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.step);
    Window w(k.debug);
    k.setUp(w);
    w.undo.Clear();
    const Window::State before = w.Now();
    const int input = w.ctx.SelectedInput;
    k.edit(w);
    const Window::State after = w.Now();
    ASSERT_NE(after, before);
    EXPECT_TRUE(w.c.TBUndo->isEnabled());
    EXPECT_FALSE(w.c.TBRedo->isEnabled());
    EXPECT_EQ(w.c.TBUndo->toolTip(), QStringLiteral("Отменить: ") + QString::fromUtf8(k.step) + QStringLiteral(" (Ctrl+Z)"));

    w.ShowInput(input == 0 ? 5 : 0);  // another input shown is no step
    w.c.TBUndo->click();
    EXPECT_TRUE(w.Now() == before) << Window::Differences(w.Now(), before);
    EXPECT_EQ(w.ctx.SelectedInput, input);
    EXPECT_FALSE(w.c.TBUndo->isEnabled());
    EXPECT_EQ(w.c.TBRedo->toolTip(), QStringLiteral("Повторить: ") + QString::fromUtf8(k.step) +
                                         QStringLiteral(" (Ctrl+Y, Ctrl+Shift+Z)"));
    // The window shows the image it holds: shown afresh, nothing changes.
    EXPECT_EQ(RefreshedInFreshWindow(w.ctx.Image).bytes, w.ctx.Image.bytes);

    w.c.TBRedo->click();
    EXPECT_TRUE(w.Now() == after) << Window::Differences(w.Now(), after);
    EXPECT_TRUE(w.c.TBUndo->isEnabled());
    EXPECT_FALSE(w.c.TBRedo->isEnabled());
  }
}

TEST(UndoHistory, BackToTheSavedStateIsSavedAgain) {
  TempDir dir;
  Window w;
  w.Click(w.c.CheckBox4);
  w.prompter.saveNames = {Q(dir / "p.usr")};
  w.c.TBSave->click();
  ASSERT_EQ(w.ctx.SavedFlag, 1);
  w.Click(w.c.CheckBox325);
  w.Click(w.c.CheckBox41);
  struct Step { QToolButton* button; int saved; };
  const Step steps[] = {{w.c.TBUndo, 0}, {w.c.TBUndo, 1}, {w.c.TBUndo, 0}, {w.c.TBRedo, 1}, {w.c.TBRedo, 0},
                        {w.c.TBUndo, 1}};
  for (const Step& s : steps) {
    s.button->click();
    EXPECT_EQ(w.ctx.SavedFlag, s.saved);
  }
  // A new step from the saved state leaves it; the saved state stays one undo away.
  w.Click(w.c.CheckBox42);
  EXPECT_EQ(w.ctx.SavedFlag, 0);
  EXPECT_FALSE(w.c.TBRedo->isEnabled());
  w.c.TBUndo->click();
  EXPECT_EQ(w.ctx.SavedFlag, 1);
  // Nothing asked on close.
  w.main.close();
  EXPECT_TRUE(w.prompter.shown.empty());
}

// New, Open and a complete read replace the project: its history goes.
// Saving under another name keeps it.
TEST(UndoHistory, ReplacedProjectsClearTheHistory) {
  TempDir dir;
  ConfigImage file;
  file[300] = 7;
  std::ofstream(dir / "f.usr", std::ios::binary).write(reinterpret_cast<const char*>(file.data()), 512);
  struct Case { const char* what; std::function<void(Window&)> act; bool kept; };
  const Case cases[] = {
      {"new",
       [](Window& w) {
         w.prompter.dialogs.push_back([](QDialog& d) {
           static_cast<TFormProjectName&>(d).ProjectName->setText("n");
           return 1;
         });
         w.c.TBNew->click();
       },
       false},
      {"open", [&](Window& w) { w.main.ProjectPart().OpenProjectFile(Q(dir / "f.usr")); }, false},
      {"read", [&](Window& w) { w.FinishRead(file); }, false},
      {"save", [&](Window& w) {
         w.prompter.saveNames = {Q(dir / "s.usr")};
         w.c.TBSave->click();
       }, true},
      {"missing file", [&](Window& w) { w.main.ProjectPart().OpenProjectFile(Q(dir / "none.usr")); }, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    Window w;
    w.Click(w.c.CheckBox4);
    w.prompter.answers = {BoxAnswer::Cancel};  // the save question: go on without saving
    k.act(w);
    EXPECT_EQ(w.c.TBUndo->isEnabled(), k.kept);
    EXPECT_EQ(w.undo.CanUndo(), k.kept);
  }
}

// A field typed back to what it held leaves no step.
TEST(UndoHistory, TypingBackLeavesNoStep) {
  Window w(true);
  w.Click(w.c.CheckBox4);
  QTest::keyClicks(w.c.Edit1, QStringLiteral("7"));
  QTest::keyClick(w.c.Edit1, Qt::Key_Backspace);
  w.c.TBUndo->click();
  EXPECT_FALSE(w.c.CheckBox4->isChecked());
  EXPECT_FALSE(w.c.TBUndo->isEnabled());
}

TEST(UndoHistory, KeepsTheLatestSteps) {
  Window w;
  for (int i = 0; i < UndoHistory::kSteps + 30; ++i) w.Click(w.c.CheckBox4);
  int undone = 0;
  while (w.c.TBUndo->isEnabled()) {
    w.c.TBUndo->click();
    ++undone;
  }
  EXPECT_EQ(undone, UndoHistory::kSteps);
  // The oldest step kept starts where the 30 dropped ones left the box: off.
  EXPECT_FALSE(w.c.CheckBox4->isChecked());
}

TEST(UndoHistory, KeysReachTheButtons) {
  Window w;
  w.main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.main));
  w.Click(w.c.CheckBox4);
  struct Key { QKeySequence key; bool checked; };
  const Key keys[] = {{QKeySequence("Ctrl+Z"), false}, {QKeySequence("Ctrl+Y"), true},
                      {QKeySequence("Ctrl+Z"), false}, {QKeySequence("Ctrl+Shift+Z"), true}};
  for (const Key& k : keys) {
    QTest::keySequence(&w.main, k.key);
    EXPECT_EQ(w.c.CheckBox4->isChecked(), k.checked) << k.key.toString().toStdString();
  }
  w.prompter.saveNames = {QString()};
  QTest::keySequence(&w.main, QKeySequence("Ctrl+S"));
  EXPECT_EQ(w.prompter.saveInitialNames.size(), 1u);
  w.prompter.openNames = {QString()};
  w.prompter.answers = {BoxAnswer::Cancel};
  QTest::keySequence(&w.main, QKeySequence("Ctrl+O"));
  EXPECT_TRUE(w.prompter.openNames.empty());
  w.prompter.dialogs.push_back([](QDialog&) { return 2; });
  w.prompter.answers = {BoxAnswer::Cancel};
  QTest::keySequence(&w.main, QKeySequence("Ctrl+N"));
  EXPECT_TRUE(w.prompter.dialogs.empty());
}
