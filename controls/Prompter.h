// Everything a person answers goes through here: message boxes, the file
// dialogs and the modal show of a dialog. Tests script the answers.
#pragma once

#include <QString>

#include <vector>

class QDialog;
class QWidget;

enum class BoxKind { Information, Error, Warning, Plain };
enum class BoxButtons { Ok, OkCancel, YesNoCancel };
enum class BoxAnswer { Ok, Cancel, Yes, No };

// One type a save dialog offers: "Диаграмма входа (*.png)" with its suffix "png".
struct SaveType {
  QString filter;
  QString suffix;
};

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
  // A save dialog in which the type chosen decides what is written: a name
  // without a suffix gets that type's, and an existing file is replaced only
  // after the dialog's overwrite question. Returns the index of the chosen
  // type and sets `path`; -1 when cancelled. This fallback takes the type
  // from the name's suffix.
  virtual int SaveFileTyped(QWidget* parent, const std::vector<SaveType>& types, QString& path);

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
  int SaveFileTyped(QWidget* parent, const std::vector<SaveType>& types, QString& path) override;
  void SetOwner(QWidget* owner) { owner_ = owner; }

 private:
  QWidget* owner_;
};
