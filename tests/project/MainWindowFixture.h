// A whole main window with its name dialog and a scripted Prompter, for the
// commands that work on files.
#pragma once

#include <filesystem>
#include <vector>

#include <QString>

#include "app/controls/MainControls.h"
#include "app/TMain.h"
#include "config/Editor.h"
#include "project/TFormProjectName.h"
#include "tests/support/ScriptedPrompter.h"

struct MainWindowFixture {
  ScriptedPrompter prompter;
  TMain main{prompter};
  TFormProjectName form{&main};
  MainControls& c = main.Controls();
  MainContext& ctx = main.Context();
  Editor& ed = main.EditorPart();

  MainWindowFixture() { main.AttachWindows({nullptr, &form, nullptr, nullptr}); }

  std::vector<QString> Times() const {
    std::vector<QString> t;
    for (int row = 1; row <= MainControls::MessageCount; ++row) t.push_back(c.LenMesValue(row));
    return t;
  }
  void SetTimes(const std::vector<QString>& t) {
    for (int row = 1; row <= MainControls::MessageCount; ++row) c.SetLenMesValue(row, t[row - 1]);
  }
  // The sequence that shows an image loaded from a project file.
  void ShowLoaded(const tesra::ConfigImage& raw) {
    ctx.Image.clear();
    ctx.RefreshGuard = 1;
    ctx.Image = raw;
    ed.ShowSystemSection();
    ed.SpeedButton1Click(c.SpeedButton1);
    ctx.RefreshGuard = 0;
  }
};

inline QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// What a fresh window holds after showing `raw` as a loaded project.
inline tesra::ConfigImage RefreshedInFreshWindow(const tesra::ConfigImage& raw) {
  MainWindowFixture w;
  w.ShowLoaded(raw);
  return w.ctx.Image;
}
