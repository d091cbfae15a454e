#include "report/TextEditorLauncher.h"

#include <QWidget>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>

int SystemTextEditorLauncher::Open(const QString& file) {
  HWND owner = owner_ ? reinterpret_cast<HWND>(owner_->winId()) : nullptr;
  const QByteArray argument = file.toLocal8Bit();
  HINSTANCE result = ShellExecuteA(owner, nullptr, "notepad.exe", argument.constData(), nullptr, SW_SHOWMAXIMIZED);
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

#else
#include <QProcess>
#include <QStringList>

namespace {

// Above 32, as the Windows shell reports a program it started.
constexpr int kStarted = 33;

bool StartDetached(const QString& commandLine, const QString& file) {
  QStringList words = QProcess::splitCommand(commandLine);
  if (words.isEmpty()) return false;
  const QString program = words.takeFirst();
  words << file;
  return QProcess::startDetached(program, words);
}

}  // namespace

int SystemTextEditorLauncher::Open(const QString& file) {
  (void)owner_;
  if (QProcess::startDetached(QStringLiteral("xdg-open"), {file})) return kStarted;
  for (const char* variable : {"VISUAL", "EDITOR"}) {
    const QString command = qEnvironmentVariable(variable);
    if (!command.trimmed().isEmpty() && StartDetached(command, file)) return kStarted;
  }
  return kNotFound;
}
#endif
