#include "app/TMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTableWidget>
#include <QToolButton>
#include <QUrl>

#include "app/MainToolBar.h"
#include "controls/Prompter.h"
#include "app/WindowPlacement.h"
#include "editor/Editor.h"
#include "editor/UndoHistory.h"
#include "diag/TDbg.h"
#include "diag/TFormPort.h"
#include "link/Link.h"
#include "link/TFormCompare.h"
#include "link/TSetComPort.h"
#include "plan/TFormCheck.h"
#include "plan/TFormTimeline.h"
#include "project/RecentProjects.h"
#include "project/TFormBackups.h"
#include "report/ReportCommand.h"

namespace {
const QString kSaveQuestion = QStringLiteral("Хотите сохранить текущий проект конфигурации ?");
constexpr int kClientWidth = 1147;
constexpr int kClientHeight = 770;

// The one local .usr file of a drag; empty for anything else.
QString DraggedProjectFile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().size() != 1) return {};
  const QUrl url = data->urls().front();
  if (!url.isLocalFile()) return {};
  const QString file = url.toLocalFile();
  return file.endsWith(QStringLiteral(".usr"), Qt::CaseInsensitive) ? file : QString();
}
}  // namespace

TMain::TMain(Prompter& prompter, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint),
      prompter_(prompter) {
  setObjectName("Main");
  setWindowTitle(kMainCaption);
  ctx_.Controls = &controls_;
  ctx_.Prompts = &prompter_;

  BuildToolBar(controls_, this);
  BuildStatusBar(controls_, this);
  auto* panel9 = new QWidget(this);
  panel9->setObjectName("Panel9");
  setCentralWidget(panel9);
  setFixedSize(kClientWidth, kClientHeight);

  connect(controls_.TBNew, &QToolButton::clicked, this, &TMain::TBNewClick);
  connect(controls_.TBOpen, &QToolButton::clicked, this, &TMain::TBOpenClick);
  connect(controls_.TBSave, &QToolButton::clicked, this, &TMain::TBSaveClick);
  connect(controls_.TBUndo, &QToolButton::clicked, this, &TMain::TBUndoClick);
  connect(controls_.TBRedo, &QToolButton::clicked, this, &TMain::TBRedoClick);
  connect(controls_.TBReport, &QToolButton::clicked, this, &TMain::TBReportClick);
  connect(controls_.TBFind, &QToolButton::clicked, this, &TMain::TBFindClick);
  connect(controls_.TBRead, &QToolButton::clicked, this, &TMain::TBReadClick);
  connect(controls_.TBWrite, &QToolButton::clicked, this, &TMain::TBWriteClick);
  connect(controls_.TBCompare, &QToolButton::clicked, this, &TMain::TBCompareClick);
  connect(controls_.TBCheck, &QToolButton::clicked, this, &TMain::TBCheckClick);
  connect(controls_.TBTimeline, &QToolButton::clicked, this, &TMain::TBTimelineClick);
  connect(controls_.TBDebug, &QToolButton::clicked, this, &TMain::TBDebugClick);
  connect(controls_.ToolButton1, &QToolButton::clicked, this, &TMain::ToolButton1Click);

  // Construction order: empty project and zero image, then the controls with
  // their lists and arrays, the link members, and the first refresh.
  ctx_.CurrentProject.clear();
  ctx_.Image.clear();
  editor_ = std::make_unique<Editor>(ctx_);
  undo_ = std::make_unique<UndoHistory>(ctx_, *editor_);
  controls_.Build(panel9, *undo_);
  link_ = std::make_unique<Link>(ctx_, *editor_);
  ctx_.SavedFlag = 1;
  controls_.SetStatusPanelText(0, QStringLiteral("Нет подключения"));
  editor_->ShowSystemSection();
  editor_->ShowInputAlgorithm();
  editor_->UpdateControlStates(QStringLiteral("ALL"));
  ctx_.SavedFlag = 1;

  undo_->OnChanged([this] { ShowUndoState(); });
  undo_->Clear();
  ctx_.ProjectReplaced = [this](const QString& imageFile) {
    undo_->Clear();
    if (!imageFile.isEmpty()) Recent().Add(imageFile);
  };
  ctx_.ProjectSaved = [this](const QString& imageFile) {
    undo_->MarkSaved();
    Recent().Add(imageFile);
  };
  openMenu_ = new QMenu(controls_.TBOpen);
  openMenu_->setObjectName("OpenMenu");
  controls_.TBOpen->setMenu(openMenu_);
  connect(openMenu_, &QMenu::aboutToShow, this, &TMain::FillOpenMenu);
  setAcceptDrops(true);
  // A file dropped onto a text field would be typed into it; the window takes it instead.
  for (QLineEdit* e : findChildren<QLineEdit*>()) e->setAcceptDrops(false);
  PlaceAtScreenCentre(*this);
}

TMain::~TMain() {
  // Hiding moves the focus away, and a stage box losing it ends its typing:
  // that must reach the editor while it is still here, not the widgets' teardown.
  hide();
  // The plan windows follow the editor; they go while it is still here.
  timeline_.reset();
  check_.reset();
  ctx_.ProjectReplaced = nullptr;
  ctx_.ProjectSaved = nullptr;
  if (backups_) ctx_.StopFollowing(backupsFollow_);
}

void TMain::AttachWindows(const AppWindows& windows) {
  windows_ = windows;
  link_->AttachWindows(qobject_cast<TSetComPort*>(windows.SetComPort), qobject_cast<TFormPort*>(windows.FormPort));
  QPointer<TDbg> dbg = qobject_cast<TDbg*>(windows.Dbg);
  ctx_.DebugGridRefresh = [this, dbg] {
    if (dbg) dbg->Refresh(ctx_.Image);
  };
}

void TMain::EnterDebugMode() {
  controls_.TBDebugAction->setVisible(true);
  for (QLineEdit* e : {controls_.Edit1, controls_.Edit2, controls_.Edit3, controls_.Edit4, controls_.Edit5})
    e->setReadOnly(false);
}

ProjectCommands& TMain::ProjectPart() {
  if (!projects_) projects_ = std::make_unique<ProjectCommands>(ctx_, *editor_, prompter_);
  return *projects_;
}

ReportCommand& TMain::Report() {
  if (!report_) report_ = std::make_unique<ReportCommand>(ctx_, *editor_, prompter_);
  return *report_;
}

TFormCheck& TMain::CheckWindow() {
  if (!check_) check_ = std::make_unique<TFormCheck>(ctx_, *editor_, this);
  return *check_;
}

TFormTimeline& TMain::TimelineWindow() {
  if (!timeline_) timeline_ = std::make_unique<TFormTimeline>(ctx_, this);
  return *timeline_;
}

void TMain::SetTextEditorLauncher(TextEditorLauncher* launcher) { Report().SetLauncher(launcher); }

void TMain::TBNewClick() { ProjectPart().TBNewClick(windows_.FormProjectName); }
void TMain::TBOpenClick() { ProjectPart().TBOpenClick(); }
SaveResult TMain::TBSaveClick() { return ProjectPart().TBSaveClick(); }
void TMain::TBReportClick() { Report().TBReportClick(); }
void TMain::TBFindClick() { link_->TBFindClick(); }
void TMain::TBReadClick() { link_->TBReadClick(); }
void TMain::TBWriteClick() { link_->TBWriteClick(); }
void TMain::TBCompareClick() { link_->TBCompareClick(); }
void TMain::TBCheckClick() { CheckWindow().Run(); }

void TMain::TBTimelineClick() {
  TFormTimeline& w = TimelineWindow();
  w.show();
  w.raise();
  w.activateWindow();
}

void TMain::TBDebugClick() {
  if (windows_.Dbg) windows_.Dbg->show();
  if (windows_.FormPort) windows_.FormPort->show();
  ctx_.ImageChanged();
}

void TMain::ToolButton1Click() { close(); }

bool TMain::TransferRunning() const { return link_->LinkState != Link::Idle; }

void TMain::TBUndoClick() {
  if (!TransferRunning()) undo_->Undo();
}

void TMain::TBRedoClick() {
  if (!TransferRunning()) undo_->Redo();
}

void TMain::ShowUndoState() {
  controls_.TBUndo->setEnabled(undo_->CanUndo());
  controls_.TBRedo->setEnabled(undo_->CanRedo());
  controls_.TBUndo->setToolTip(ButtonToolTip(controls_.TBUndo, undo_->UndoName()));
  controls_.TBRedo->setToolTip(ButtonToolTip(controls_.TBRedo, undo_->RedoName()));
}

RecentProjects& TMain::Recent() {
  if (!recent_) recent_ = std::make_unique<RecentProjects>();
  return *recent_;
}

void TMain::SetRecentProjects(std::unique_ptr<RecentProjects> recent) { recent_ = std::move(recent); }

void TMain::FillOpenMenu() {
  openMenu_->clear();
  for (const QString& path : Recent().Paths()) {
    // A file name may hold '&', which a menu would take for a mnemonic.
    QString text = path;
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    openMenu_->addAction(text, this, [this, path] { OpenRecent(path); });
  }
  if (!openMenu_->isEmpty()) openMenu_->addSeparator();
  openMenu_->addAction(QStringLiteral("Резервные копии..."), this, &TMain::ShowBackups);
}

void TMain::OpenRecent(const QString& imageFile) {
  if (TransferRunning()) return;
  if (!QFileInfo(imageFile).isFile()) {
    Recent().Remove(imageFile);
    prompter_.Error(QStringLiteral("Файл ") + QDir::toNativeSeparators(imageFile) + QStringLiteral(" не найден !"));
    return;
  }
  ProjectPart().OpenProjectFile(imageFile);
}

TFormBackups& TMain::BackupsWindow() {
  if (backups_) return *backups_;
  backups_ = std::make_unique<TFormBackups>(this);
  backups_->Project = [this] { return ctx_.Image; };
  backupsFollow_ = ctx_.FollowEditor([this] {
    if (backups_->isVisible()) backups_->FillSoon();
  });
  backups_->OpenBackup = [this](const QString& file) {
    if (TransferRunning()) return;
    if (ProjectPart().OpenProjectFile(file)) backups_->Fill(backups_->Folder());
  };
  backups_->ShowDifferences = [this](const QString& title, const std::vector<tesra::FieldDifference>& differences) {
    if (!backupDifferences_) {
      backupDifferences_ = std::make_unique<TFormCompare>(backups_.get());
      backupDifferences_->setObjectName("FormBackupDifferences");
    }
    backupDifferences_->ShowDifferences(title, differences);
    // The backup is the first image compared, the project the second.
    backupDifferences_->Grid->setHorizontalHeaderLabels(
        {QStringLiteral("Параметр"), QStringLiteral("Резервная копия"), QStringLiteral("Проект")});
  };
  return *backups_;
}

void TMain::ShowBackups() {
  TFormBackups& w = BackupsWindow();
  w.Fill(Link::BackupFolder());
  w.show();
  w.raise();
  w.activateWindow();
}

void TMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedProjectFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMain::dropEvent(QDropEvent* event) {
  const QString file = DraggedProjectFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  // The question and the boxes come once the drop has ended, so the program
  // the file came from is not held waiting for them.
  QMetaObject::invokeMethod(this, [this, file] { OpenDropped(file); }, Qt::QueuedConnection);
}

void TMain::OpenDropped(const QString& imageFile) {
  if (!TransferRunning()) ProjectPart().OpenProjectFile(imageFile);
}

void TMain::closeEvent(QCloseEvent* event) {
  if (FormClose())
    event->accept();
  else
    event->ignore();
}

bool TMain::FormClose() {
  // A write left halfway would leave the controller with old and new blocks mixed.
  if (!link_->ConfirmStopWrite()) return false;
  link_->LinkState = Link::Idle;
  link_->CommPort.SetOpen(false);
  bool close = true;
  if (ctx_.SavedFlag == 0) {
    switch (prompter_.Message(BoxKind::Information, {}, kSaveQuestion, BoxButtons::YesNoCancel)) {
      // A save that failed or was cancelled leaves the work only in this
      // window: it stays open.
      case BoxAnswer::Yes: close = TBSaveClick() == SaveResult::Saved; break;
      case BoxAnswer::No: break;
      default: close = false; break;
    }
  }
  // The port is closed already: a window that stays must not show a connection.
  if (!close) link_->ShowDisconnected();
  // The debug windows go on every path, also when the main window stays.
  if (windows_.Dbg) windows_.Dbg->close();
  if (windows_.FormPort) windows_.FormPort->close();
  // The plan windows go with the main window; left open they would keep the program running.
  if (close) {
    if (check_) check_->close();
    if (timeline_) timeline_->close();
  }
  return close;
}
