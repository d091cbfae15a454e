// The state the main window owns beside its controls: the configuration
// image and the members every subsystem reads or writes through the window.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include <QString>

#include "config/ConfigImage.h"

class MainControls;
class Prompter;

extern const QString kMainCaption;  // "Конфигурация"

struct MainContext {
  MainControls* Controls = nullptr;
  Prompter* Prompts = nullptr;

  tesra::ConfigImage Image;
  std::uint8_t SavedFlag = 1;     // 1 = no unsaved changes
  std::uint8_t RefreshGuard = 0;  // non-zero while the program sets controls itself
  int SelectedInput = 0;          // 0..7
  QString CurrentProject;
  // A read, comparison or write is under way: the project takes no change
  // (its editing controls, Создать and Открыть are disabled).
  bool ProjectHeld = false;

  // Refills the debug grid when it is shown; wired by the window that owns it.
  std::function<void()> DebugGridRefresh;

  // Told when the project is replaced as a whole (New, Open, a complete read)
  // and when it is saved, with its image file (empty for New and a read).
  std::function<void(const QString& imageFile)> ProjectReplaced;
  std::function<void(const QString& imageFile)> ProjectSaved;

  // Runs after every change of the image.
  void ImageChanged();
  // Windows that follow the editor (the timeline) are told after every change
  // of the image, of the shown input and of the stage times. The key leaves.
  int FollowEditor(std::function<void()> follower);
  void StopFollowing(int key);
  void EditorChanged();
  // "Конфигурация - " followed by CurrentProject.
  void ShowProjectCaption();

 private:
  std::vector<std::pair<int, std::function<void()>>> followers_;
  int nextFollower_ = 0;
};
