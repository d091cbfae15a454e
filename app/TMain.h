// The main window: tool bar, editor panels, status bar, caption and close.
#pragma once

#include <memory>

#include <QMainWindow>

#include "controls/MainContext.h"
#include "controls/MainControls.h"
#include "project/ProjectCommands.h"

class Editor;
class Link;
class Prompter;
class QDialog;
class QMenu;
class RecentProjects;
class ReportCommand;
class TFormBackups;
class TFormCompare;
class TFormCheck;
class TFormTimeline;
class TextEditorLauncher;
class UndoHistory;

// The four other windows, created after the main window and kept for the run.
struct AppWindows {
  QDialog* SetComPort = nullptr;
  QDialog* FormProjectName = nullptr;
  QWidget* Dbg = nullptr;
  QWidget* FormPort = nullptr;
};

class TMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMain(Prompter& prompter, QWidget* parent = nullptr);
  ~TMain() override;

  MainControls& Controls() { return controls_; }
  MainContext& Context() { return ctx_; }
  Editor& EditorPart() { return *editor_; }
  UndoHistory& UndoPart() { return *undo_; }
  Link& LinkPart() { return *link_; }
  // Made on first use.
  ProjectCommands& ProjectPart();
  void AttachWindows(const AppWindows& windows);
  // Shows TBDebug and makes the identity fields writable.
  void EnterDebugMode();
  // The report opens through this launcher; nullptr returns to the system's editor.
  void SetTextEditorLauncher(TextEditorLauncher* launcher);

  void TBNewClick();
  void TBOpenClick();
  SaveResult TBSaveClick();
  void TBUndoClick();
  void TBRedoClick();
  // Открыть's menu: a recent project (one no longer there leaves the list),
  // and the backups window.
  void OpenRecent(const QString& imageFile);
  void ShowBackups();
  RecentProjects& Recent();
  // In place of the program's own settings (tests).
  void SetRecentProjects(std::unique_ptr<RecentProjects> recent);
  TFormBackups& BackupsWindow();
  void TBReportClick();
  void TBFindClick();
  void TBReadClick();
  void TBWriteClick();
  void TBCompareClick();
  void TBCheckClick();
  void TBTimelineClick();
  void TBDebugClick();
  void ToolButton1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A .usr file dropped onto the window opens as Открыть opens it.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Returns false when the window is to stay open.
  bool FormClose();
  // A read, compare or write runs: the project is not to change under it.
  bool TransferRunning() const;
  // The dropped file opened, unless a transfer began meanwhile.
  void OpenDropped(const QString& imageFile);
  void ShowUndoState();
  void FillOpenMenu();

  Prompter& prompter_;
  MainControls controls_;
  MainContext ctx_;
  std::unique_ptr<Editor> editor_;
  // Between the controls and the editor; goes before the editor.
  std::unique_ptr<UndoHistory> undo_;
  // Destroyed before the editor and the context: closing its port may still
  // hand over a data-received event.
  std::unique_ptr<Link> link_;
  AppWindows windows_;
  // Made on first use; destroyed before the editor they drive.
  ReportCommand& Report();
  std::unique_ptr<ProjectCommands> projects_;
  std::unique_ptr<ReportCommand> report_;

 public:
  // The plan windows, made on first use; they go before the context they read.
  TFormCheck& CheckWindow();
  TFormTimeline& TimelineWindow();

 private:
  std::unique_ptr<TFormCheck> check_;
  std::unique_ptr<TFormTimeline> timeline_;
  QMenu* openMenu_ = nullptr;
  std::unique_ptr<RecentProjects> recent_;
  std::unique_ptr<TFormBackups> backups_;
  int backupsFollow_ = 0;  // the backups window compares with the project as it changes
  std::unique_ptr<TFormCompare> backupDifferences_;
};
