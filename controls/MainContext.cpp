#include "controls/MainContext.h"

#include <QMainWindow>
#include <QToolButton>

#include "controls/MainControls.h"

const QString kMainCaption = QStringLiteral("Конфигурация");

void MainContext::ImageChanged() {
  SavedFlag = 0;
  if (Controls && Controls->TBSave) Controls->TBSave->setEnabled(true);
  if (DebugGridRefresh) DebugGridRefresh();
  EditorChanged();
}

int MainContext::FollowEditor(std::function<void()> follower) {
  followers_.emplace_back(++nextFollower_, std::move(follower));
  return nextFollower_;
}

void MainContext::StopFollowing(int key) {
  std::erase_if(followers_, [key](const auto& f) { return f.first == key; });
}

void MainContext::EditorChanged() {
  for (const auto& f : followers_)
    if (f.second) f.second();
}

void MainContext::ShowProjectCaption() {
  if (Controls && Controls->Window)
    Controls->Window->setWindowTitle(kMainCaption + QStringLiteral(" - ") + CurrentProject);
}
