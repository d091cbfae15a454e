#include "tests/support/ScriptedPrompter.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QFileInfo>

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

int ScriptedPrompter::SaveFileTyped(QWidget*, const std::vector<SaveType>& types, QString& path) {
  QStringList filters;
  for (const SaveType& t : types) filters << t.filter;
  fileFilters.push_back(filters.join(QStringLiteral(";;")));
  int type = 0;
  if (!saveTypes.empty()) {
    type = saveTypes.front();
    saveTypes.pop_front();
  }
  if (saveNames.empty() || saveNames.front().isEmpty() || type < 0 || type >= static_cast<int>(types.size())) {
    if (!saveNames.empty()) saveNames.pop_front();
    return -1;
  }
  path = saveNames.front();
  saveNames.pop_front();
  if (QFileInfo(path).suffix().isEmpty()) path += QLatin1Char('.') + types[static_cast<std::size_t>(type)].suffix;
  if (QFileInfo::exists(path) &&
      Message(BoxKind::Warning, {}, QFileInfo(path).fileName() + QStringLiteral(" уже существует. Заменить?"),
              BoxButtons::YesNoCancel) != BoxAnswer::Yes)
    return -1;
  return type;
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
