#include "controls/Prompter.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

BoxAnswer WidgetPrompter::Message(BoxKind kind, const QString& caption, const QString& text,
                                  BoxButtons buttons) {
  QMessageBox box(owner_);
  box.setWindowTitle(caption.isEmpty() ? QApplication::applicationDisplayName() : caption);
  box.setText(text);
  switch (kind) {
    case BoxKind::Information: box.setIcon(QMessageBox::Information); break;
    case BoxKind::Error: box.setIcon(QMessageBox::Critical); break;
    case BoxKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case BoxKind::Plain: box.setIcon(QMessageBox::NoIcon); break;
  }
  switch (buttons) {
    case BoxButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case BoxButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case BoxButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return BoxAnswer::Ok;
    case QMessageBox::Yes: return BoxAnswer::Yes;
    case QMessageBox::No: return BoxAnswer::No;
    default: return BoxAnswer::Cancel;
  }
}

QString WidgetPrompter::OpenFileName(QWidget* parent, const QString& filter) {
  QFileDialog dialog(parent ? parent : owner_, QString(), QString(), filter);
  dialog.setFileMode(QFileDialog::AnyFile);  // the chosen file need not exist
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString WidgetPrompter::SaveFileName(QWidget* parent, const QString& initialName,
                                     const QString& filter, const QString& defaultSuffix) {
  QFileDialog dialog(parent ? parent : owner_, QString(), QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setDefaultSuffix(defaultSuffix);
  if (!initialName.isEmpty()) dialog.selectFile(initialName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

int WidgetPrompter::ExecModal(QDialog& dialog) { return dialog.exec(); }

int Prompter::SaveFileTyped(QWidget* parent, const std::vector<SaveType>& types, QString& path) {
  QStringList filters;
  for (const SaveType& t : types) filters << t.filter;
  path = SaveFileName(parent, QString(), filters.join(QStringLiteral(";;")),
                      types.empty() ? QString() : types.front().suffix);
  if (path.isEmpty()) return -1;
  for (std::size_t i = 0; i < types.size(); ++i)
    if (path.endsWith(QLatin1Char('.') + types[i].suffix, Qt::CaseInsensitive)) return static_cast<int>(i);
  return 0;
}

int WidgetPrompter::SaveFileTyped(QWidget* parent, const std::vector<SaveType>& types, QString& path) {
  QStringList filters;
  for (const SaveType& t : types) filters << t.filter;
  QFileDialog dialog(parent ? parent : owner_, QString(), QString(), filters.join(QStringLiteral(";;")));
  dialog.setAcceptMode(QFileDialog::AcceptSave);  // with the usual overwrite question
  auto typeOf = [&](const QString& filter) {
    for (std::size_t i = 0; i < types.size(); ++i)
      if (types[i].filter == filter) return static_cast<int>(i);
    return 0;
  };
  // The suffix a bare name gets follows the type chosen.
  auto follow = [&](const QString& filter) {
    if (!types.empty()) dialog.setDefaultSuffix(types[static_cast<std::size_t>(typeOf(filter))].suffix);
  };
  follow(dialog.selectedNameFilter());
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, follow);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return -1;
  path = dialog.selectedFiles().first();
  return typeOf(dialog.selectedNameFilter());
}
