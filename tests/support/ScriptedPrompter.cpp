#include "tests/support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <QDialog>

BoxAnswer ScriptedPrompter::Message(BoxKind kind, const QString& caption, const QString& text,
                                    BoxButtons buttons) {
  shown.push_back({kind, caption, text, buttons});
  if (onMessage) onMessage(shown.back());
  if (!answers.empty()) {
    BoxAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  return buttons == BoxButtons::YesNoCancel ? BoxAnswer::Cancel : BoxAnswer::Ok;
}

QString ScriptedPrompter::OpenFileName(QWidget*, const QString& filter) {
  fileFilters.push_back(filter);
  if (openNames.empty()) return {};
  QString n = openNames.front();
  openNames.pop_front();
  return n;
}

QString ScriptedPrompter::SaveFileName(QWidget*, const QString& initialName, const QString& filter,
                                       const QString&) {
  saveInitialNames.push_back(initialName);
  fileFilters.push_back(filter);
  if (saveNames.empty()) return {};
  QString n = saveNames.front();
  saveNames.pop_front();
  return n;
}

int ScriptedPrompter::ExecModal(QDialog& dialog) {
  if (dialogs.empty()) {
    ADD_FAILURE() << "unexpected modal dialog " << dialog.objectName().toStdString();
    return 2;
  }
  auto script = std::move(dialogs.front());
  dialogs.pop_front();
  return script(dialog);
}

std::vector<QString> ScriptedPrompter::Texts() const {
  std::vector<QString> t;
  for (const auto& m : shown) t.push_back(m.text);
  return t;
}
