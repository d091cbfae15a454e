// Everything a person answers goes through here: message boxes, the file
// dialogs and the modal show of a dialog. Tests script the answers.
#pragma once

#include <QString>

class QDialog;
class QWidget;

enum class BoxKind { Information, Error, Warning, Plain };
enum class BoxButtons { Ok, OkCancel, YesNoCancel };
enum class BoxAnswer { Ok, Cancel, Yes, No };

class Prompter {
 public:
  virtual ~Prompter() = default;

  // A modal message box; returns the button chosen.
  virtual BoxAnswer Message(BoxKind kind, const QString& caption, const QString& text,
                            BoxButtons buttons) = 0;
  // Empty result: the dialog was cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& filter) = 0;
  virtual QString SaveFileName(QWidget* parent, const QString& initialName, const QString& filter,
                               const QString& defaultSuffix) = 0;
  // Modal show; returns the dialog's modal result (1 OK, 2 Cancel, 0 closed by its title bar).
  virtual int ExecModal(QDialog& dialog) = 0;

  // Shorthands for the program's own boxes (caption = the application title).
  void Information(const QString& text) { Message(BoxKind::Information, {}, text, BoxButtons::Ok); }
  void Error(const QString& text) { Message(BoxKind::Error, {}, text, BoxButtons::Ok); }
  void Plain(const QString& text) { Message(BoxKind::Plain, {}, text, BoxButtons::Ok); }
  bool ConfirmOkCancel(const QString& text) {
    return Message(BoxKind::Information, {}, text, BoxButtons::OkCancel) == BoxAnswer::Ok;
  }
};

// The real boxes and dialogs.
class WidgetPrompter : public Prompter {
 public:
  explicit WidgetPrompter(QWidget* owner) : owner_(owner) {}
  BoxAnswer Message(BoxKind kind, const QString& caption, const QString& text,
                    BoxButtons buttons) override;
  QString OpenFileName(QWidget* parent, const QString& filter) override;
  QString SaveFileName(QWidget* parent, const QString& initialName, const QString& filter,
                       const QString& defaultSuffix) override;
  int ExecModal(QDialog& dialog) override;
  void SetOwner(QWidget* owner) { owner_ = owner; }

 private:
  QWidget* owner_;
};
