#include "project/ProjectCommands.h"

#include <array>
#include <filesystem>
#include <string>

#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QToolButton>

#include "controls/MainContext.h"
#include "controls/MainControls.h"
#include "controls/Prompter.h"
#include "editor/Editor.h"
#include "project/ProjectFiles.h"
#include "project/TFormProjectName.h"

namespace {

const QString kSaveQuestion = QStringLiteral("Хотите сохранить текущий проект конфигурации ?");
const QString kBadName = QStringLiteral("Неверное имя проекта !");
const QString kOpenFailed = QStringLiteral("Ошибка открытия файла ");
const QString kWriteFailed = QStringLiteral("Ошибка записи файла ");
const QString kPathEnd = QStringLiteral(" !");

std::filesystem::path FsPath(const QString& name) { return std::filesystem::path(name.toStdU16String()); }

QString CompanionOf(const QString& imageName) {
  return QString::fromStdString(tesra::CompanionFileName(imageName.toStdString()));
}

QString ImageFileNameOf(const QString& name) {
  return QString::fromStdString(tesra::ImageFileNameOf(name.toStdString()));
}

QString ShownPath(const QString& name) { return QDir::toNativeSeparators(name); }

}  // namespace

std::array<std::string, tesra::kMessageCount> ShownMessageTimes(const MainControls& c) {
  std::array<std::string, tesra::kMessageCount> times;
  for (int i = 0; i < tesra::kMessageCount; ++i) times[static_cast<std::size_t>(i)] = c.LenMesValue(i + 1).toStdString();
  return times;
}

ProjectCommands::ProjectCommands(MainContext& ctx, Editor& editor, Prompter& prompter)
    : ctx_(ctx), editor_(editor), prompter_(prompter) {}

bool ProjectCommands::AskToSave() {
  if (ctx_.SavedFlag != 0) return true;
  if (!prompter_.ConfirmOkCancel(kSaveQuestion)) return true;
  return TBSaveClick() == SaveResult::Saved;
}

void ProjectCommands::ShowImage() {
  ctx_.RefreshGuard = 1;
  editor_.ShowSystemSection();
  editor_.SpeedButton1Click(ctx_.Controls->SpeedButton1);
  ctx_.RefreshGuard = 0;
}

void ProjectCommands::TBNewClick(QDialog* nameDialog) {
  if (!AskToSave()) return;
  auto* form = qobject_cast<TFormProjectName*>(nameDialog);
  if (!form) return;
  if (prompter_.ExecModal(*form) != 1) return;
  const QString name = form->ProjectName->text();
  if (name.isEmpty()) {
    prompter_.Error(kBadName);
    return;
  }
  MainControls& c = *ctx_.Controls;
  ctx_.CurrentProject = name;
  ctx_.ShowProjectCaption();
  c.TBSave->setEnabled(true);
  c.TBReport->setEnabled(true);
  ctx_.Image.clear();
  // The screen must not go on showing the previous project.
  ShowImage();
  if (ctx_.ProjectReplaced) ctx_.ProjectReplaced({});
}

void ProjectCommands::TBOpenClick() {
  if (!AskToSave()) return;
  MainControls& c = *ctx_.Controls;
  const QString fileName = prompter_.OpenFileName(c.Window, c.OpenDialog1.Filter);
  if (fileName.isEmpty()) {
    ctx_.RefreshGuard = 0;
    return;
  }
  ReadProjectFile(fileName);
}

bool ProjectCommands::OpenProjectFile(const QString& fileName) {
  if (!AskToSave()) return false;
  return ReadProjectFile(fileName);
}

bool ProjectCommands::ReadProjectFile(const QString& fileName) {
  MainControls& c = *ctx_.Controls;
  // Read before anything changes, so a file that cannot be read leaves the
  // current project whole.
  tesra::ConfigImage loaded;
  if (!tesra::ReadImageFile(FsPath(fileName), loaded)) {
    ctx_.RefreshGuard = 0;
    prompter_.Error(kOpenFailed + ShownPath(fileName) + kPathEnd);
    return false;
  }

  ctx_.CurrentProject = QString::fromStdString(tesra::ProjectNameFromFile(fileName.toStdString()));
  ctx_.ShowProjectCaption();

  const auto times = tesra::ReadMessageTimes(FsPath(CompanionOf(fileName)));
  for (int i = 0; i < tesra::kMessageCount; ++i)
    c.SetLenMesValue(i + 1, QString::fromStdString(times[static_cast<std::size_t>(i)]));

  ShowOpenedImage(loaded);
  if (ctx_.ProjectReplaced) ctx_.ProjectReplaced(fileName);
  return true;
}

void ProjectCommands::ShowOpenedImage(const tesra::ConfigImage& loaded) {
  ctx_.Image.clear();
  ctx_.RefreshGuard = 1;
  ctx_.Image = loaded;
  ShowImage();
}

SaveResult ProjectCommands::TBSaveClick() {
  MainControls& c = *ctx_.Controls;
  // The dialog completes only names without any dot, so a project named
  // "site.2024" would be written as "site.2024" beside the companion
  // "site.ini": the extension is offered and, where missing, added here.
  const QString chosen = prompter_.SaveFileName(c.Window, ImageFileNameOf(ctx_.CurrentProject),
                                                c.SaveDialog1.Filter, c.SaveDialog1.DefaultExt);
  // Nothing was written: the work stays unsaved.
  if (chosen.isEmpty()) return SaveResult::Cancelled;
  const QString fileName = ImageFileNameOf(chosen);

  const auto times = ShownMessageTimes(c);
  const QString companion = CompanionOf(fileName);
  // A new image beside the old message times would be a project nobody made.
  std::filesystem::path failed;
  if (!tesra::WriteProjectPair(FsPath(fileName), FsPath(companion), ctx_.Image, times, failed)) {
    prompter_.Error(kWriteFailed + ShownPath(failed == FsPath(companion) ? companion : fileName) + kPathEnd);
    return SaveResult::Failed;
  }
  ctx_.SavedFlag = 1;
  if (ctx_.ProjectSaved) ctx_.ProjectSaved(fileName);
  return SaveResult::Saved;
}
