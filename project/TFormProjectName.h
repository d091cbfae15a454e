// The name dialog of a new project; its edit keeps the last text between uses.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

class TFormProjectName : public QDialog {
  Q_OBJECT

 public:
  explicit TFormProjectName(QWidget* parent = nullptr);

  QLineEdit* ProjectName = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
};
