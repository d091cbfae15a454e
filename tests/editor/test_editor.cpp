// The editor through the real widgets: what each control writes, the
// cascades it starts, and what any image looks like once shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "controls/MainControls.h"
#include "app/TMain.h"
#include "editor/ComboIndex.h"
#include "editor/Editor.h"
#include "tests/support/MainWindowFixture.h"

using namespace tesra;

namespace {

std::size_t Rec(int input, int stage) { return StageRecordOffset(input, stage); }

}  // namespace

// ---------------------------------------------------------------- chaining

TEST(StageChaining, NextStageOffersOnlyAfterALimitedRepeatCount) {
  MainWindowFixture f;
  f.Click(f.c.StageButtons[0]);
  EXPECT_TRUE(f.c.StageButtons[0]->isChecked());
  EXPECT_FALSE(f.c.StageButtons[1]->isEnabled()) << "repeat count still unlimited";
  f.Choose(f.c.RepeatCombos[0], 3);
  EXPECT_TRUE(f.c.StageButtons[1]->isEnabled());
  EXPECT_EQ(f.ctx.Image[Rec(0, 0)] & 0x80, 0x80);
  EXPECT_EQ(f.ctx.Image[Rec(0, 0) + 1], 3);
}

// A later stage is offered exactly when the stage before it shows a limited
// repeat count, whether or not that stage is on.
void ExpectStagesOfferedByTheirPredecessors(MainWindowFixture& f) {
  for (int s = 1; s < 8; ++s)
    EXPECT_EQ(f.c.StageButtons[s]->isEnabled(), ItemIndex(f.c.RepeatCombos[s - 1]) > 0) << s;
}

TEST(StageChaining, UnlimitedRepeatsSwitchLaterStagesOffInScreenAndImage) {
  MainWindowFixture f;
  f.SwitchStagesOn(3);
  for (int s = 0; s < 3; ++s) ASSERT_TRUE(f.ctx.Image[Rec(0, s)] & 0x80) << s;
  f.Choose(f.c.RepeatCombos[0], 0);
  for (int s = 1; s < 8; ++s) {
    EXPECT_FALSE(f.c.StageButtons[s]->isChecked()) << s;
    EXPECT_EQ(f.ctx.Image[Rec(0, s)] & 0x80, 0) << s;
  }
  EXPECT_FALSE(f.c.StageButtons[1]->isEnabled());
  ExpectStagesOfferedByTheirPredecessors(f);
  EXPECT_TRUE(f.c.StageButtons[0]->isChecked());
  EXPECT_EQ(f.ctx.Image[Rec(0, 0) + 1], 0);
}

TEST(StageChaining, UncheckingStageOneCascadesButLeavesStageTwoOffered) {
  MainWindowFixture f;
  f.SwitchStagesOn(3);
  f.Click(f.c.StageButtons[0]);
  for (int s = 0; s < 8; ++s) {
    EXPECT_FALSE(f.c.StageButtons[s]->isChecked()) << s;
    EXPECT_EQ(f.ctx.Image[Rec(0, s)] & 0x80, 0) << s;
  }
  // The disabled repeat combo of stage 1 still shows "3".
  EXPECT_EQ(f.c.RepeatCombos[0]->currentText(), QStringLiteral("3"));
  EXPECT_FALSE(f.c.RepeatCombos[0]->isEnabled());
  EXPECT_TRUE(f.c.StageButtons[1]->isEnabled());
  ExpectStagesOfferedByTheirPredecessors(f);
}

TEST(StageChaining, ControlsOfAStageFollowItsBox) {
  MainWindowFixture f;
  f.Choose(f.c.ComboBox57, 2);
  f.Choose(f.c.ComboBox56, 2);
  f.Click(f.c.StageButtons[0]);
  EXPECT_TRUE(f.c.MessageCombos[0]->isEnabled());
  EXPECT_TRUE(f.c.AlmOutBoxes[0]->isEnabled());
  EXPECT_TRUE(f.c.ZoneButtons[0][7]->isEnabled());
  EXPECT_TRUE(f.c.RelayBoxes[0][3]->isEnabled());
  EXPECT_FALSE(f.c.RelayBoxes[0][4]->isEnabled()) << "module 3 is beyond the count";
  f.Click(f.c.AlmOutBoxes[0]);
  EXPECT_EQ(f.ctx.Image[Rec(0, 0)] & 0x40, 0x40);
  f.Click(f.c.StageButtons[0]);
  EXPECT_FALSE(f.c.AlmOutBoxes[0]->isEnabled());
  EXPECT_FALSE(f.c.AlmOutBoxes[0]->isChecked());
  EXPECT_EQ(f.ctx.Image[Rec(0, 0)] & 0x40, 0) << "ALM OUT cleared with its box";
  EXPECT_FALSE(f.c.ZoneButtons[0][0]->isEnabled());
  EXPECT_FALSE(f.c.RelayBoxes[0][0]->isEnabled());
}

// ---------------------------------------------------------- equipment counts

TEST(Equipment, ConsoleListsNeverAllowMoreThanTwoConsoles) {
  struct Case { int fire; QStringList announcerItems; };
  const Case cases[] = {{0, {"0", "1", "2"}}, {1, {"0", "1"}}, {2, {"0"}}};
  for (const auto& c : cases) {
    MainWindowFixture f;
    f.Choose(f.c.ComboBox55, c.fire);
    QStringList items;
    for (int i = 0; i < f.c.ComboBox54->count(); ++i) items << f.c.ComboBox54->itemText(i);
    EXPECT_EQ(items, c.announcerItems) << c.fire;
    EXPECT_EQ(f.ctx.Image[0] & 0x03, c.fire);
  }
}

TEST(Equipment, NoAnnouncerConsoleTakesTheGongAway) {
  MainWindowFixture f;
  f.Choose(f.c.ComboBox54, 1);
  EXPECT_TRUE(f.c.CheckBox316->isEnabled());
  f.Click(f.c.CheckBox316);
  EXPECT_EQ(f.ctx.Image[1] & 0x80, 0x80);
  EXPECT_EQ((f.ctx.Image[0] >> 2) & 3, 1);
  f.Choose(f.c.ComboBox54, 0);
  EXPECT_FALSE(f.c.CheckBox316->isChecked());
  EXPECT_FALSE(f.c.CheckBox316->isEnabled());
  EXPECT_EQ(f.ctx.Image[1] & 0x80, 0);
}

TEST(Equipment, OneSplitterFewerHidesZonesFiveToEightButKeepsStageZoneBits) {
  MainWindowFixture f;
  f.Choose(f.c.ComboBox57, 2);
  f.SwitchStagesOn(2);
  f.c.ZoneButtons[0][5]->click();
  f.c.ZoneButtons[1][6]->click();
  f.Click(f.c.MusicZoneBoxes[5]);
  f.Click(f.c.MusicZoneBoxes[8 + 7]);
  f.Click(f.c.InputZoneBoxes[MainControls::InputAux][4]);
  f.Click(f.c.InputZoneBoxes[MainControls::InputTel][2]);
  ASSERT_EQ(f.ctx.Image[Rec(0, 0) + 2], 0x20);
  ASSERT_EQ(f.c.ZoneButtonImage(f.c.ZoneButtons[0][5]), 1);

  f.Choose(f.c.ComboBox57, 1);
  EXPECT_EQ((f.ctx.Image[0] >> 4) & 3, 1);
  for (int s = 0; s < 8; ++s)
    for (int z = 4; z < 8; ++z) {
      EXPECT_FALSE(f.c.ZoneButtons[s][z]->isEnabled());
      EXPECT_FALSE(f.c.ZoneButtons[s][z]->isChecked());
    }
  EXPECT_EQ(f.c.ZoneButtonImage(f.c.ZoneButtons[0][5]), 0);
  EXPECT_EQ(f.ctx.Image[Rec(0, 0) + 2], 0x20) << "stage zone bits stay in the image";
  EXPECT_EQ(f.ctx.Image[Rec(0, 1) + 2], 0x40);
  EXPECT_EQ(f.ctx.Image[3], 0);
  EXPECT_EQ(f.ctx.Image[4], 0);
  EXPECT_EQ(f.ctx.Image[7], 0);
  EXPECT_EQ(f.ctx.Image[5], 0x04) << "zone 3 is still offered";
  EXPECT_TRUE(f.c.InputZoneBoxes[MainControls::InputTel][2]->isChecked());
  EXPECT_FALSE(f.c.MusicZoneBoxes[5]->isEnabled());
}

TEST(Equipment, FewerModulesClearRelaysOfTheShownInputOnly) {
  MainWindowFixture f;
  ConfigImage img;
  img[1] = 3;  // three modules
  for (int input : {0, 1}) {
    img[Rec(input, 0)] = 0x80;
    img[Rec(input, 0) + 1] = 1;
    img[Rec(input, 0) + 3] = 0xFF;  // modules 1..4, both relays
  }
  f.Open(img);
  ASSERT_EQ(f.ctx.Image[Rec(0, 0) + 3], 0xFC) << "module 4 is beyond the count of 3";
  f.Choose(f.c.ComboBox56, 1);
  EXPECT_EQ(f.ctx.Image[1] & 0x0F, 1);
  EXPECT_EQ(f.ctx.Image[Rec(0, 0) + 3], 0xC0);
  EXPECT_EQ(f.ctx.Image[Rec(1, 0) + 3], 0xFF) << "input 2 is cleared only when it is shown";
  for (int j = 2; j < 16; ++j) EXPECT_FALSE(f.c.RelayBoxes[0][j]->isEnabled()) << j;
}

TEST(Equipment, ShowingAnInputClearsRelaysOfModulesBeyondTheCount) {
  MainWindowFixture f;
  ConfigImage img;
  img[1] = 1;
  img[Rec(2, 0)] = 0x80;
  img[Rec(2, 0) + 1] = 2;
  img[Rec(2, 0) + 3] = 0xF0;
  img[Rec(2, 0) + 4] = 0x01;
  img[Rec(0, 0) + 4] = 0x01;
  f.Open(img);
  EXPECT_EQ(f.ctx.Image[Rec(0, 0) + 4], 0) << "input 1 is shown by the open";
  f.c.InputButtons[2]->click();
  EXPECT_EQ(f.ctx.SelectedInput, 2);
  EXPECT_EQ(f.ctx.Image[Rec(2, 0) + 3], 0xC0);
  EXPECT_EQ(f.ctx.Image[Rec(2, 0) + 4], 0);
  EXPECT_TRUE(f.c.RelayBoxes[0][0]->isChecked());
}

// --------------------------------------------------------------- stage times

TEST(StageTimes, LengthRepeatsAndPauses) {
  struct Case { QString length; int repeatIndex; int pauseIndex; QString stageText; QString total; };
  const Case cases[] = {
      {"10", 3, 1, "40", "40"},               // 10*3 + 2*5
      {"10", 1, 1, "10", "10"},               // one repeat: no pause
      {"12", 0, 0, "Без огр", "Без ограничения"},
      {"0", 0, 2, "0", "0"},                  // unlimited but no length
      {"abc", 2, 0, "0", "0"},                // a length that is no number keeps the text
  };
  for (const auto& c : cases) {
    MainWindowFixture f;
    f.c.SetLenMesValue(1, c.length);
    f.Click(f.c.StageButtons[0]);
    f.Choose(f.c.MessageCombos[0], 1);
    f.Choose(f.c.RepeatCombos[0], c.repeatIndex);
    f.Choose(f.c.PauseCombos[0], c.pauseIndex);
    EXPECT_EQ(f.c.StageTimeTexts[0]->text(), c.stageText) << c.length.toStdString();
    EXPECT_EQ(f.c.StaticText23->text(), c.total) << c.length.toStdString();
  }
}

TEST(StageTimes, NoMessageKeepsThePreviousTextAndEmptyLengthsBecomeZero) {
  MainWindowFixture f;
  for (int row = 1; row <= 72; ++row) ASSERT_TRUE(f.c.LenMesValue(row).isEmpty()) << row;
  f.Click(f.c.StageButtons[0]);
  for (int row = 1; row <= 72; ++row) EXPECT_EQ(f.c.LenMesValue(row), QStringLiteral("0")) << row;
  f.c.SetLenMesValue(5, "7");
  f.Choose(f.c.MessageCombos[0], 5);
  f.Choose(f.c.RepeatCombos[0], 2);
  ASSERT_EQ(f.c.StageTimeTexts[0]->text(), QStringLiteral("14"));
  f.Choose(f.c.MessageCombos[0], 0);
  EXPECT_EQ(f.c.StageTimeTexts[0]->text(), QStringLiteral("14"));
  f.c.SetLenMesValue(5, "");
  EXPECT_EQ(f.c.LenMesValue(5), QStringLiteral("0"));
}

TEST(StageTimes, HugeLengthsDoNotOverflow) {
  MainWindowFixture f;
  f.c.SetLenMesValue(1, "3000000000");
  f.Click(f.c.StageButtons[0]);
  f.Choose(f.c.MessageCombos[0], 1);
  f.Choose(f.c.RepeatCombos[0], 255);
  EXPECT_EQ(f.c.StageTimeTexts[0]->text(), QStringLiteral("765000000000"));
  EXPECT_EQ(f.c.StaticText23->text(), QStringLiteral("765000000000"));
}

// --------------------------------------------------------------- typed text

// Typed text that names no item writes nothing, and once the typing ends the
// box shows the item the image holds again; text that names an item selects it.
TEST(TypedText, TextNamingNoItemIsRefused) {
  MainWindowFixture f;
  f.c.SetLenMesValue(2, "10");
  f.Click(f.c.StageButtons[0]);
  f.Choose(f.c.MessageCombos[0], 2);
  f.Choose(f.c.RepeatCombos[0], 2);
  f.Choose(f.c.PauseCombos[0], 1);
  ASSERT_EQ(f.c.StageTimeTexts[0]->text(), QStringLiteral("25"));
  struct Case { QComboBox* box; QString typed; QString shown; };
  const Case cases[] = {
      {f.c.PauseCombos[0], "12", "5"},  {f.c.PauseCombos[0], "7", "5"},   {f.c.PauseCombos[0], "", "5"},
      {f.c.MessageCombos[0], "abc", "2"}, {f.c.MessageCombos[0], "0", "2"},
      {f.c.RepeatCombos[0], "0", "2"},  // unlimited is "Без огр"
      {f.c.RepeatCombos[0], "-1", "2"},
  };
  for (const auto& c : cases) {
    const std::string what = c.box->objectName().toStdString() + " \"" + c.typed.toStdString() + "\"";
    const ConfigImage before = f.ctx.Image;
    f.ctx.SavedFlag = 1;
    if (c.typed.isEmpty()) {  // a box emptied by hand
      f.Type(c.box, "1");
      QTest::keyClick(c.box->lineEdit(), Qt::Key_Backspace);
    } else {
      f.Type(c.box, c.typed);
    }
    EXPECT_EQ(c.box->currentText().toStdString(), c.typed.toStdString()) << what << ": still typing";
    EXPECT_EQ(f.ctx.Image.bytes, before.bytes) << what;
    EXPECT_EQ(f.c.StageTimeTexts[0]->text().toStdString(), "25") << what;
    QTest::keyClick(c.box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(c.box->currentText().toStdString(), c.shown.toStdString()) << what;
    EXPECT_EQ(f.ctx.Image.bytes, before.bytes) << what;
    EXPECT_EQ(f.ctx.SavedFlag, 1) << what;
    EXPECT_EQ(f.c.StageTimeTexts[0]->text().toStdString(), "25") << what;
  }

  f.Type(f.c.RepeatCombos[0], "7");
  EXPECT_EQ(f.ctx.Image[Rec(0, 0) + 1], 7) << "typed text naming an item selects it";
  f.Type(f.c.RepeatCombos[0], "300");
  QTest::keyClick(f.c.RepeatCombos[0]->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(f.ctx.Image[Rec(0, 0) + 1], 30) << "\"30\" named an item on the way";
  EXPECT_EQ(f.c.RepeatCombos[0]->currentText(), QStringLiteral("30"));
}

// Leaving the box ends the typing as Enter does; text that grows into an item
// on the way selects it.
TEST(TypedText, LeavingTheBoxEndsTheTyping) {
  MainWindowFixture f;
  f.Click(f.c.StageButtons[0]);
  f.Choose(f.c.PauseCombos[0], 3);
  const ConfigImage before = f.ctx.Image;
  f.Type(f.c.PauseCombos[0], "2");
  emit f.c.PauseCombos[0]->lineEdit()->editingFinished();
  EXPECT_EQ(f.c.PauseCombos[0]->currentText(), QStringLiteral("15"));
  EXPECT_EQ(f.ctx.Image.bytes, before.bytes);

  f.Type(f.c.PauseCombos[0], "20");
  QTest::keyClick(f.c.PauseCombos[0]->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(f.c.PauseCombos[0]->currentText(), QStringLiteral("20"));
  EXPECT_EQ((f.ctx.Image[Rec(0, 0)] >> 3) & 7, 4);
}

// ------------------------------------------------------ message box and image

// A stage that is off shows no message whatever its byte holds; switching it
// on makes the image say so too.
TEST(StageMessage, SwitchingOnAStageThatShowsNoMessageClearsItsNumber) {
  MainWindowFixture f;
  f.SwitchStagesOn(2);
  f.Choose(f.c.MessageCombos[1], 9);
  f.Click(f.c.StageButtons[1]);
  ASSERT_EQ(f.c.MessageCombos[1]->currentText(), QStringLiteral("Не выбр"));
  EXPECT_EQ(f.ctx.Image[Rec(0, 1) + 5], 9) << "a stage that stays off keeps its byte";
  f.Click(f.c.StageButtons[1]);
  EXPECT_EQ(f.c.MessageCombos[1]->currentText(), QStringLiteral("Не выбр"));
  EXPECT_EQ(f.ctx.Image[Rec(0, 1) + 5], 0);
  f.Choose(f.c.MessageCombos[1], 4);
  f.Click(f.c.StageButtons[2]);
  EXPECT_EQ(f.ctx.Image[Rec(0, 1) + 5], 4) << "switching another stage on leaves it";
}

TEST(StageMessage, ShowingAnImageClearsNoMessageNumber) {
  ConfigImage img;
  img[Rec(0, 0)] = 0x80;  // IN 1: stage 1 on, 3 repeats, message 4
  img[Rec(0, 0) + 1] = 3;
  img[Rec(0, 0) + 5] = 4;
  img[Rec(0, 1) + 5] = 9;  // stage 2 off, holding message 9
  img[Rec(2, 0)] = 0x80;   // IN 3: stages 1 and 2 on, stage 2 with message 7
  img[Rec(2, 0) + 1] = 2;
  img[Rec(2, 1)] = 0x80;
  img[Rec(2, 1) + 5] = 7;
  for (bool afterRead : {false, true}) {
    MainWindowFixture f;
    f.Show(img, afterRead);
    EXPECT_EQ(f.ctx.Image[Rec(0, 1) + 5], 9) << afterRead;
    f.c.InputButtons[2]->click();
    EXPECT_EQ(f.c.MessageCombos[1]->currentText(), QStringLiteral("7")) << afterRead;
    EXPECT_EQ(f.ctx.Image[Rec(2, 1) + 5], 7) << afterRead;
    f.c.InputButtons[0]->click();
    EXPECT_EQ(f.ctx.Image[Rec(0, 1) + 5], 9) << afterRead;
  }
}

// ------------------------------------------------------------ system fields

TEST(SystemFields, EachControlWritesItsOwnBits) {
  struct Case { const char* name; std::size_t byte; std::uint8_t mask; };
  const Case cases[] = {
      {"CheckBox325", 1, 0x40}, {"CheckBox42", 1, 0x20}, {"CheckBox4", 1, 0x10}, {"CheckBox41", 2, 0x01},
      {"CBMuz1", 3, 0x01},      {"CBMuz8", 3, 0x80},     {"CBMuz9", 4, 0x01},    {"CBMuz16", 4, 0x80},
      {"CheckBox1", 7, 0x01},   {"CheckBox24", 7, 0x80}, {"CheckBox2", 6, 0x01}, {"CheckBox25", 6, 0x80},
      {"CheckBox3", 5, 0x01},   {"CheckBox32", 5, 0x80}, {"CheckBox28", 6, 0x10}, {"CheckBox29", 5, 0x10},
  };
  for (const auto& c : cases) {
    MainWindowFixture f;
    f.Choose(f.c.ComboBox57, 2);
    const ConfigImage before = f.ctx.Image;
    auto* box = qobject_cast<QCheckBox*>(f.c.Find(c.name));
    ASSERT_NE(box, nullptr) << c.name;
    f.Click(box);
    for (std::size_t i = 0; i < kImageSize; ++i)
      EXPECT_EQ(f.ctx.Image[i], i == c.byte ? (before[i] | c.mask) : before[i]) << c.name << " byte " << i;
    EXPECT_EQ(f.ctx.SavedFlag, 0);
  }
}

TEST(SystemFields, AmplifierIsWrittenAsAbsentOrPresent) {
  MainWindowFixture f;
  f.Click(f.c.CheckBox5);
  EXPECT_EQ(f.ctx.Image[0], 0x80);
  f.Click(f.c.CheckBox5);
  EXPECT_EQ(f.ctx.Image[0], 0x40) << "absent is stored as 01";
}

TEST(SystemFields, IdentityTextsArePaddedWithZeros) {
  MainWindowFixture f(true);
  QTest::keyClicks(f.c.Edit1, "AB");
  EXPECT_EQ(f.ctx.Image[403], 'A');
  EXPECT_EQ(f.ctx.Image[404], 'B');
  EXPECT_EQ(f.ctx.Image[405], 0);
  EXPECT_EQ(f.ctx.Image[406], 0);
  QKeyEvent cyrillic(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("Я"));
  QApplication::sendEvent(f.c.Edit3, &cyrillic);
  ASSERT_EQ(f.c.Edit3->text(), QStringLiteral("Я"));
  EXPECT_EQ(f.ctx.Image[411], 0xDF) << "one Windows-1251 byte";
  f.c.Edit4->setText(QStringLiteral("€"));
  EXPECT_EQ(f.ctx.Image[414], 0x88);
  f.c.Edit2->setText(QStringLiteral("中"));
  EXPECT_EQ(f.ctx.Image[408], '?') << "outside the code page";
  f.c.Edit5->setText("12");
  for (std::size_t i = 416; i < kImageSize; ++i) EXPECT_EQ(f.ctx.Image[i], 0);
}

// ------------------------------------------------------------------ refresh

TEST(Refresh, StageRecordEdgeValues) {
  MainWindowFixture f;
  ConfigImage img;
  img[0] = 0x20;          // two splitters
  img[1] = 0x08;          // eight modules
  img[Rec(0, 0)] = 0xB8;  // on, ALM OUT off, pause index 7
  img[Rec(0, 0) + 1] = 0;
  img[Rec(0, 0) + 5] = 0;
  img[Rec(0, 1)] = 0x40;
  img[Rec(0, 1) + 5] = 100;  // beyond the list
  img[Rec(0, 0) + 2] = 0x81;
  f.Open(img);
  EXPECT_TRUE(f.c.StageButtons[0]->isChecked());
  EXPECT_FALSE(f.c.AlmOutBoxes[0]->isChecked());
  EXPECT_EQ(f.c.PauseCombos[0]->currentText(), QStringLiteral("35"));
  EXPECT_EQ(f.c.RepeatCombos[0]->currentText(), QStringLiteral("Без огр"));
  EXPECT_EQ(f.c.MessageCombos[0]->currentText(), QStringLiteral("Не выбр"));
  EXPECT_EQ(ItemIndex(f.c.MessageCombos[1]), 0) << "a disabled stage shows no message";
  EXPECT_TRUE(f.c.ZoneButtons[0][0]->isChecked());
  EXPECT_TRUE(f.c.ZoneButtons[0][7]->isChecked());
  EXPECT_EQ(f.c.ZoneButtonImage(f.c.ZoneButtons[0][7]), 1);
  EXPECT_EQ(f.ctx.Image[Rec(0, 1) + 5], 100) << "the number stays in the image";
}

TEST(Refresh, ValuesNoControlCanShowStayUntilChanged) {
  MainWindowFixture f;
  ConfigImage img;
  img[0] = 0x33;  // splitters 3, fire consoles 3
  img[1] = 12;    // modules 12
  f.Open(img);
  EXPECT_EQ(f.c.ComboBox57->currentIndex(), -1);
  EXPECT_EQ(f.c.ComboBox56->currentIndex(), -1);
  EXPECT_EQ(f.c.ComboBox55->currentIndex(), -1);
  EXPECT_EQ(f.ctx.Image[0] & 0x3F, 0x33);
  EXPECT_EQ(f.ctx.Image[1], 12);
}

TEST(Refresh, AmplifierValuesAndTheirWriteBack) {
  struct Case { std::uint8_t bits; bool shown; std::uint8_t afterRead; };
  const Case cases[] = {{0, false, 1}, {1, false, 1}, {2, true, 2}, {3, true, 2}};
  for (const auto& c : cases) {
    for (bool afterRead : {false, true}) {
      MainWindowFixture f;
      // Start from the opposite display so the box really changes.
      if (!c.shown) f.Click(f.c.CheckBox5);
      ConfigImage img;
      img[0] = static_cast<std::uint8_t>(c.bits << 6);
      if (afterRead)
        f.FinishRead(img);
      else
        f.Open(img);
      EXPECT_EQ(f.c.CheckBox5->isChecked(), c.shown) << int(c.bits);
      EXPECT_EQ(f.ctx.Image[0] >> 6, afterRead ? c.afterRead : c.bits) << int(c.bits) << afterRead;
    }
  }
}

TEST(Refresh, IdentityFieldsShowUpToTheFirstZero) {
  ConfigImage img;
  img[403] = 'A';
  img[404] = 0;
  img[405] = 'B';
  img[406] = 'C';
  img[408] = 0xC0;  // 'А'
  img[409] = '1';
  img[400] = 'x';
  for (bool afterRead : {false, true}) {
    MainWindowFixture f;
    if (afterRead)
      f.FinishRead(img);
    else
      f.Open(img);
    EXPECT_EQ(f.c.Edit1->text(), QStringLiteral("A"));
    EXPECT_EQ(f.c.Edit2->text(), QStringLiteral("А1"));
    EXPECT_EQ(f.ctx.Image[400], 'S');
    EXPECT_EQ(f.ctx.Image[401], 'N');
    const std::uint8_t expect405 = afterRead ? 0 : 'B';
    EXPECT_EQ(f.ctx.Image[405], expect405) << afterRead;
    EXPECT_EQ(f.ctx.Image[406], afterRead ? 0 : 'C') << afterRead;
  }
}

TEST(Refresh, SavedFlagAfterConstructionAndAfterChangedBoxes) {
  {
    MainWindowFixture f;
    EXPECT_EQ(f.ctx.SavedFlag, 1);
    EXPECT_TRUE(f.c.TBSave->isEnabled());
    ConfigImage img;
    img[Rec(0, 0)] = 0x80;  // the stage box changes its shown state
    f.ctx.SavedFlag = 1;
    f.Open(img);
    EXPECT_EQ(f.ctx.SavedFlag, 0);
  }
  {
    MainWindowFixture f;
    f.ctx.SavedFlag = 1;
    f.Open(ConfigImage{});
    EXPECT_EQ(f.ctx.SavedFlag, 1) << "nothing changed its shown state";
  }
}

TEST(Refresh, AnnouncerCountBeyondTheListStaysBlank) {
  MainWindowFixture f;
  f.Choose(f.c.ComboBox55, 2);
  ConfigImage img;
  img[0] = 0x08;  // announcers 2, fire 0
  f.Open(img);
  EXPECT_EQ(f.c.ComboBox54->currentIndex(), -1);
  EXPECT_EQ((f.ctx.Image[0] >> 2) & 3, 2);
}

TEST(Refresh, InputButtonShowsItsBlock) {
  MainWindowFixture f;
  ConfigImage img;
  img[104] = 0x80;  // input 3, stage 1
  img[104 + 1] = 4;
  img[104 + 5] = 9;
  f.Open(img);
  EXPECT_FALSE(f.c.StageButtons[0]->isChecked());
  f.c.InputButtons[2]->click();
  EXPECT_EQ(f.ctx.SelectedInput, 2);
  EXPECT_TRUE(f.c.InputButtons[2]->isChecked());
  EXPECT_FALSE(f.c.InputButtons[0]->isChecked());
  EXPECT_TRUE(f.c.StageButtons[0]->isChecked());
  EXPECT_EQ(f.c.RepeatCombos[0]->currentText(), QStringLiteral("4"));
  EXPECT_EQ(f.c.MessageCombos[0]->currentText(), QStringLiteral("9"));
  EXPECT_TRUE(f.c.StageButtons[1]->isEnabled());
  EXPECT_EQ(f.ctx.RefreshGuard, 0);
}
