// Opens the report in the system's text editor through the platform shell.
#pragma once

#include <QString>

class QWidget;

class TextEditorLauncher {
 public:
  // The shell's answer meaning that the editor was not found.
  static constexpr int kNotFound = 2;

  virtual ~TextEditorLauncher() = default;
  // Starts the editor on `file` without waiting for it; returns the shell's
  // result code: kNotFound when no editor could be started.
  virtual int Open(const QString& file) = 0;
};

// Windows: "notepad.exe" through the shell, maximised, owned by `owner`.
// Elsewhere: xdg-open, then $VISUAL, then $EDITOR, started detached.
class SystemTextEditorLauncher : public TextEditorLauncher {
 public:
  explicit SystemTextEditorLauncher(QWidget* owner) : owner_(owner) {}
  int Open(const QString& file) override;

 private:
  QWidget* owner_;
};
