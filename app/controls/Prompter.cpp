#include "app/controls/Prompter.h"

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
