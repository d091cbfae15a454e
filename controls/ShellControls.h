// The main window's frame controls: tool bar buttons and status bar panels.
#pragma once

#include <array>

#include <QString>

class QAction;
class QLabel;
class QMainWindow;
class QStatusBar;
class QToolBar;
class QToolButton;

struct ShellControls {
  QMainWindow* Window = nullptr;
  QToolBar* ToolBar1 = nullptr;
  QToolButton* TBNew = nullptr;
  QToolButton* TBOpen = nullptr;
  QToolButton* TBSave = nullptr;
  QToolButton* TBUndo = nullptr;
  QToolButton* TBRedo = nullptr;
  QToolButton* TBReport = nullptr;  // check style
  QToolButton* TBFind = nullptr;    // check style
  QToolButton* TBRead = nullptr;
  QToolButton* TBWrite = nullptr;
  QToolButton* TBCompare = nullptr;
  QToolButton* TBCheck = nullptr;     // the plan check
  QToolButton* TBTimeline = nullptr;  // the evacuation timeline
  QToolButton* TBDebug = nullptr;
  QAction* TBDebugAction = nullptr;  // a tool bar widget is shown and hidden through its action
  QToolButton* ToolButton1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  std::array<QLabel*, 3> StatusPanels{};

  QString StatusPanelText(int i) const;
  void SetStatusPanelText(int i, const QString& text);
};
