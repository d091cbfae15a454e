#include "project/TFormProjectName.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFormProjectName::TFormProjectName(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("FormProjectName");
  setWindowTitle(QStringLiteral("Создание проета"));
  setFixedSize(233, 125);

  auto* bevel = new QFrame(this);
  bevel->setObjectName("Bevel1");
  bevel->setFrameShape(QFrame::Box);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(8, 8, 217, 73);

  auto* label = new QLabel(QStringLiteral("Задайте имя нового проекта"), this);
  label->setObjectName("ProjectNameLabel");
  label->setGeometry(20, 18, 193, 18);

  ProjectName = new QLineEdit(this);
  ProjectName->setObjectName("ProjectName");
  ProjectName->setGeometry(20, 40, 193, 24);
  label->setBuddy(ProjectName);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(39, 90, 75, 25);
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, [this] { done(1); });

  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(119, 90, 75, 25);
  connect(CancelBtn, &QPushButton::clicked, this, [this] { done(2); });
}

void TFormProjectName::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ProjectName->setFocus();
}
