// A Prompter that answers from a script and records everything shown.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include <QString>

#include "controls/Prompter.h"

struct ShownMessage {
  BoxKind kind;
  QString caption;
  QString text;
  BoxButtons buttons;
};

class ScriptedPrompter : public Prompter {
 public:
  // Answers for message boxes, in order; with none left a box answers Ok
  // (or Cancel when it has no Ok button).
  std::deque<BoxAnswer> answers;
  // File names for the open/save dialogs; an empty text cancels.
  std::deque<QString> openNames;
  std::deque<QString> saveNames;
  // For a typed save: the index of the type picked in the dialog, in order;
  // with none left, the first. A name without a suffix gets the type's, and
  // an existing file is asked about (a Yes/No box answered from `answers`,
  // anything but Yes cancels), as the real dialog does.
  std::deque<int> saveTypes;
  // Scripts for modal dialogs: each gets the dialog (not shown) and returns its
  // modal result. With none left, a modal show fails the test and returns 2.
  std::deque<std::function<int(QDialog&)>> dialogs;
  // Called while a message box is "open", after it has been recorded.
  std::function<void(const ShownMessage&)> onMessage;

  std::vector<ShownMessage> shown;
  std::vector<QString> saveInitialNames;
  std::vector<QString> fileFilters;

  BoxAnswer Message(BoxKind kind, const QString& caption, const QString& text,
                    BoxButtons buttons) override;
  QString OpenFileName(QWidget* parent, const QString& filter) override;
  QString SaveFileName(QWidget* parent, const QString& initialName, const QString& filter,
                       const QString& defaultSuffix) override;
  int ExecModal(QDialog& dialog) override;
  int SaveFileTyped(QWidget* parent, const std::vector<SaveType>& types, QString& path) override;

  std::vector<QString> Texts() const;
  void Clear() { shown.clear(); }
};
