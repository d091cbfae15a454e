// A whole main window with a scripted Prompter, and the user's gestures on
// its controls.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "app/controls/MainControls.h"
#include "app/TMain.h"
#include "config/Editor.h"
#include "tests/support/ScriptedPrompter.h"

struct EditorFixture {
  ScriptedPrompter prompter;
  TMain main{prompter};
  MainControls& c = main.Controls();
  MainContext& ctx = main.Context();
  Editor& ed = main.EditorPart();

  explicit EditorFixture(bool debug = false) {
    if (debug) main.EnterDebugMode();
  }

  void Click(QCheckBox* box) {
    ASSERT_TRUE(box->isEnabled()) << box->objectName().toStdString();
    box->click();
  }
  void Choose(QComboBox* combo, int index) {
    ASSERT_TRUE(combo->isEnabled()) << combo->objectName().toStdString();
    ASSERT_LT(index, combo->count());
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  void Type(QComboBox* combo, const QString& text) {
    ASSERT_TRUE(combo->isEnabled() && combo->isEditable()) << combo->objectName().toStdString();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), text);
  }
  // Stages 1..n on, each with three repeats so that the next is offered.
  void SwitchStagesOn(int n) {
    for (int s = 0; s < n; ++s) {
      Click(c.StageButtons[s]);
      Choose(c.RepeatCombos[s], 3);
    }
  }
  // The image as a project open shows it: read under RefreshGuard.
  void Open(const tesra::ConfigImage& img) {
    ctx.Image.clear();
    ctx.RefreshGuard = 1;
    ctx.Image = img;
    ed.ShowSystemSection();
    ed.SpeedButton1Click(c.SpeedButton1);
    ctx.RefreshGuard = 0;
  }
  // The image shown after a read or after an open.
  void Show(const tesra::ConfigImage& img, bool afterRead) {
    if (afterRead)
      FinishRead(img);
    else
      Open(img);
  }
  // The image as a completed read from the controller shows it.
  void FinishRead(const tesra::ConfigImage& img) {
    ctx.Image = img;
    ed.ShowSystemSection();
    ed.SpeedButton1Click(c.SpeedButton1);
    for (int s = 0; s < 7; ++s)
      if (c.StageButtons[s]->isEnabled()) ed.CheckBox180Click(c.StageButtons[s]);
  }
};
