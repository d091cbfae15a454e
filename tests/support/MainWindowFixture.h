// The real main window with its project-name dialog and a scripted Prompter,
// the user's gestures on its controls, and the program's own sequences that
// show an image: Open once the files are read, the end of a complete read.
// New and the report are the tool bar's own: click TBNew or TBReport.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <QTest>

#include "app/TMain.h"
#include "controls/MainControls.h"
#include "editor/Editor.h"
#include "link/Link.h"
#include "project/ProjectCommands.h"
#include "project/TFormProjectName.h"
#include "tests/support/ScriptedPrompter.h"

struct MainWindowFixture {
  ScriptedPrompter prompter;
  TMain main{prompter};
  TFormProjectName form{&main};
  MainControls& c = main.Controls();
  MainContext& ctx = main.Context();
  Editor& ed = main.EditorPart();

  // debug: as started with -debug (TBDebug shown, identity fields writable).
  explicit MainWindowFixture(bool debug = false) {
    main.AttachWindows({nullptr, &form, nullptr, nullptr});
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

  std::vector<QString> Times() const {
    std::vector<QString> t;
    for (int row = 1; row <= MainControls::MessageCount; ++row) t.push_back(c.LenMesValue(row));
    return t;
  }
  void SetTimes(const std::vector<QString>& t) {
    for (int row = 1; row <= MainControls::MessageCount; ++row) c.SetLenMesValue(row, t[row - 1]);
  }

  // The image as Open shows a project file.
  void Open(const tesra::ConfigImage& img) { main.ProjectPart().ShowOpenedImage(img); }
  // The image as a complete read from the controller shows it.
  void FinishRead(const tesra::ConfigImage& img) { main.LinkPart().ShowReadImage(img); }
  // The image shown after a read or after an open.
  void Show(const tesra::ConfigImage& img, bool afterRead) {
    if (afterRead)
      FinishRead(img);
    else
      Open(img);
  }
};

inline QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// What a fresh window holds after opening `raw` as a project.
inline tesra::ConfigImage RefreshedInFreshWindow(const tesra::ConfigImage& raw) {
  MainWindowFixture w;
  w.Open(raw);
  return w.ctx.Image;
}
