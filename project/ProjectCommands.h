// The tool bar commands New, Open and Save of a project: the image file with
// its companion file of message playing times, the name dialog and the
// question about unsaved changes.
#pragma once

#include <array>
#include <string>

#include <QString>

#include "config/ConfigImage.h"
#include "project/ProjectFiles.h"

struct MainContext;
class Editor;
class MainControls;
class Prompter;
class QDialog;

// The message times as the window's table shows them, as the .ini stores them
// (a project's save and a write's backup alike).
std::array<std::string, tesra::kMessageCount> ShownMessageTimes(const MainControls& c);

enum class SaveResult {
  Saved,      // both files are on disk
  Cancelled,  // the save dialog was cancelled; nothing was written
  Failed,     // a file could not be written; the work is not on disk
};

class ProjectCommands {
 public:
  ProjectCommands(MainContext& ctx, Editor& editor, Prompter& prompter);

  // nameDialog is FormProjectName; without it New does nothing.
  void TBNewClick(QDialog* nameDialog);
  void TBOpenClick();
  // Opens a named image file (with its .ini) as Открыть does once its dialog
  // has given the name: the question about unsaved changes first, then the
  // files, or Open's own error box leaving the current project whole. For a
  // drop, the recent list, a backup and the program's argument. True when
  // the file became the project.
  bool OpenProjectFile(const QString& fileName);
  SaveResult TBSaveClick();
  // The end of Open once the files are read: the image replaces the
  // project's and the controls follow it, under RefreshGuard.
  void ShowOpenedImage(const tesra::ConfigImage& loaded);

 private:
  // Asked by New and Open when there are unsaved changes. Cancel goes on
  // without saving; OK goes on only when the save succeeded, so a cancelled
  // or failed save never lets the command replace the unsaved work.
  bool AskToSave();
  // Open once the name is known and the question answered.
  bool ReadProjectFile(const QString& fileName);
  // The controls as a whole follow the image, under RefreshGuard.
  void ShowImage();

  MainContext& ctx_;
  Editor& editor_;
  Prompter& prompter_;
};
