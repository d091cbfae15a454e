// The connection dialog through its widgets: start state, its two state rules,
// what each way of closing applies, and the port component's warnings.
#include <gtest/gtest.h>

#include <QRadioButton>

#include "tests/link/LinkHarness.h"

using linktest::LinkHarness;

TEST(SetComPort, FirstOpeningShowsAutomaticModeCollapsed) {
  LinkHarness h;
  TSetComPort& s = *h.setComPort;
  EXPECT_EQ(s.windowTitle(), QStringLiteral("Подключение к контроллеру"));
  EXPECT_TRUE(s.CheckBox1->isChecked());
  EXPECT_FALSE(s.ComboBoxPort->isEnabled());
  EXPECT_EQ(s.ComboBoxPort->currentIndex(), -1);
  EXPECT_EQ(s.ComboBoxPort->currentText(), QString());
  ASSERT_EQ(s.ComboBoxPort->count(), 255);
  EXPECT_EQ(s.ComboBoxPort->itemText(0), QStringLiteral("1"));
  EXPECT_EQ(s.ComboBoxPort->itemText(254), QStringLiteral("255"));
  EXPECT_TRUE(s.GroupBox1->isHidden());
  EXPECT_EQ(s.size(), QSize(290, 190));
  EXPECT_EQ(s.ComboBoxSpeed->currentText(), QStringLiteral("9600"));
  EXPECT_EQ(s.ComboBoxSpeed->count(), 15);
  EXPECT_EQ(s.ComboBoxControl->currentText(), QStringLiteral("None"));
  EXPECT_EQ(s.RadioGroupParity->ItemIndex(), 0);
  EXPECT_EQ(s.RadioGroupData->ItemIndex(), 3);
  EXPECT_EQ(s.RadioGroupStop->ItemIndex(), 0);
  EXPECT_TRUE(s.CheckBoxDTR->isChecked());
  EXPECT_TRUE(s.CheckBoxRTS->isChecked());
  EXPECT_EQ(s.CheckBoxReplyCrc->text(), QStringLiteral("Проверять контрольную сумму ответов"));
  EXPECT_TRUE(s.CheckBoxReplyCrc->isChecked());
  EXPECT_TRUE(h.link().CheckReplyCrc);
  EXPECT_EQ(s.ButtonOk->text(), QStringLiteral("Отмена"));
  EXPECT_EQ(s.Button1->text(), QStringLiteral("Ok"));
  s.show();
  QApplication::processEvents();
  EXPECT_TRUE(s.CheckBox1->hasFocus() || QApplication::focusWidget() == s.CheckBox1);
  // The buttons stay on the bottom edge.
  EXPECT_GT(s.Button1->geometry().bottom(), 150);
  EXPECT_LT(s.Button1->geometry().bottom(), 190);
  s.hide();
}

TEST(SetComPort, AutomaticBoxAndParameterButtonRules) {
  LinkHarness h;
  TSetComPort& s = *h.setComPort;
  s.CheckBox1->setChecked(false);
  EXPECT_TRUE(s.ComboBoxPort->isEnabled());
  EXPECT_EQ(s.ComboBoxPort->currentText(), QStringLiteral("1"));
  s.ComboBoxPort->setEditText("44");
  s.CheckBox1->setChecked(true);
  EXPECT_FALSE(s.ComboBoxPort->isEnabled());
  EXPECT_EQ(s.ComboBoxPort->currentIndex(), -1);
  EXPECT_EQ(s.ComboBoxPort->currentText(), QString());

  s.ButtonParam->click();
  EXPECT_FALSE(s.GroupBox1->isHidden());
  EXPECT_EQ(s.height(), 383);
  const int buttonsOpen = s.Button1->y();
  s.ButtonParam->click();
  EXPECT_TRUE(s.GroupBox1->isHidden());
  EXPECT_EQ(s.height(), 190);
  EXPECT_EQ(buttonsOpen - s.Button1->y(), 193);
}

TEST(SetComPort, EachWayOfClosingAppliesWhatItShould) {
  struct Case {
    const char* name;
    bool automatic;
    QString port;
    int closeBy;  // 1 Ok, 2 Отмена, 0 the title bar
    int wantResult, wantPort, wantBaud;
  };
  const Case cases[] = {
      {"typed 12, Ok", false, "12", 1, 1, 12, 19200},
      {"typed x, Ok", false, "x", 1, 1, 1, 19200},
      {"automatic, Ok", true, "", 1, 1, 1, 19200},
      {"typed 12, Отмена", false, "12", 2, 2, 12, 19200},
      {"title bar", false, "12", 0, 0, 99, 9600},
  };
  for (const auto& k : cases) {
    LinkHarness h;
    TSetComPort& s = *h.setComPort;
    h.link().PortNumber = 99;
    if (!k.automatic) {
      s.CheckBox1->setChecked(false);
      s.ComboBoxPort->setEditText(k.port);
    }
    s.ComboBoxSpeed->setEditText("19200");
    s.ComboBoxControl->setEditText("Soft");
    s.RadioGroupParity->Button(2)->setChecked(true);
    s.RadioGroupData->Button(2)->setChecked(true);
    s.CheckBoxRTS->setChecked(false);
    s.CheckBoxReplyCrc->setChecked(false);
    if (k.closeBy == 0) {
      s.show();
      s.close();
    } else {
      (k.closeBy == 1 ? s.Button1 : s.ButtonOk)->click();
    }
    auto& port = h.link().CommPort;
    EXPECT_EQ(s.result(), k.wantResult) << k.name;
    EXPECT_EQ(h.link().PortNumber, k.wantPort) << k.name;
    EXPECT_EQ(port.GetBaud(), k.wantBaud) << k.name;
    const bool applied = k.closeBy != 0;
    EXPECT_EQ(port.GetControl(), applied ? tesra::ccSoft : tesra::ccNone) << k.name;
    EXPECT_EQ(port.GetParity(), applied ? tesra::paEven : tesra::paNone) << k.name;
    EXPECT_EQ(port.GetDataBits(), applied ? 7 : 8) << k.name;
    // DTR stays ticked: only an applied dialog sets it (the component starts with it off).
    EXPECT_EQ(port.GetDTR(), applied) << k.name;
    EXPECT_FALSE(port.GetRTS()) << k.name;
    EXPECT_EQ(h.link().CheckReplyCrc, !applied) << k.name;
    EXPECT_TRUE(h.prompter.shown.empty()) << k.name;
    EXPECT_FALSE(port.GetOpen()) << k.name;
  }
}

TEST(SetComPort, UnknownSpeedAndControlTextsFallBack) {
  LinkHarness h;
  TSetComPort& s = *h.setComPort;
  s.ComboBoxSpeed->setEditText("12345");
  s.ComboBoxControl->setEditText("Hard");
  s.Button1->click();
  EXPECT_EQ(h.link().CommPort.GetBaud(), 9600);
  EXPECT_EQ(h.link().CommPort.GetControl(), tesra::ccHard);
  s.ComboBoxSpeed->setEditText("fast");
  s.ComboBoxControl->setEditText("sometimes");
  s.Button1->click();
  EXPECT_EQ(h.link().CommPort.GetBaud(), 9600);
  // A text no item names gives no item index, and so no flow control.
  EXPECT_NE(h.link().CommPort.GetControl(), tesra::ccHard);
  EXPECT_NE(h.link().CommPort.GetControl(), tesra::ccSoft);
}

TEST(SetComPort, FiveDataBitsWithTwoStopBitsWarnOnceThenTwice) {
  LinkHarness h;
  TSetComPort& s = *h.setComPort;
  s.RadioGroupData->Button(0)->setChecked(true);
  s.RadioGroupStop->Button(2)->setChecked(true);
  const QString warning = QStringLiteral("Invalid combination (5 data bits with 2 stop bits)");
  for (int press = 1; press <= 2; ++press) {
    h.prompter.Clear();
    (press == 1 ? s.ButtonOk : s.Button1)->click();
    ASSERT_EQ(static_cast<int>(h.prompter.shown.size()), press) << "press " << press;
    for (const auto& m : h.prompter.shown) {
      EXPECT_EQ(m.text, warning);
      EXPECT_EQ(m.caption, QStringLiteral("COM port warning"));
      EXPECT_EQ(m.kind, BoxKind::Warning);
    }
  }
}

TEST(SetComPort, CancelledConnectionKeepsTheChoicesForTheNextOpening) {
  LinkHarness h;
  h.ScriptDialog(
      [](TSetComPort& s) {
        LinkHarness::Manual(s, 12);
        s.ButtonParam->click();
        s.ComboBoxSpeed->setEditText("19200");
      },
      false);
  h.c().TBFind->click();
  EXPECT_FALSE(h.c().TBFind->isChecked());
  EXPECT_TRUE(h.c().PanelScan->isHidden());
  EXPECT_EQ(h.link().CommPort.GetBaud(), 19200);
  EXPECT_FALSE(h.link().CommPort.GetOpen());
  EXPECT_EQ(h.link().LinkState, Link::Idle);

  bool seen = false;
  h.prompter.dialogs.push_back([&](QDialog& d) {
    auto& s = static_cast<TSetComPort&>(d);
    seen = !s.CheckBox1->isChecked() && s.ComboBoxPort->currentText() == "12" && !s.GroupBox1->isHidden() &&
           s.height() == 383 && s.ComboBoxSpeed->currentText() == "19200";
    return 0;  // closed by the title bar
  });
  h.c().TBFind->click();
  EXPECT_TRUE(seen);
  EXPECT_FALSE(h.c().TBFind->isChecked());
  EXPECT_TRUE(h.prompter.shown.empty());
}
