#include "link/TSetComPort.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "serial/TCommPort.h"

namespace {
constexpr int kFormWidth = 290;
constexpr int kGroupHeight = 193;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;
constexpr int kButtonBottomGap = 12;

// The item of an editable combo box that its text names; -1 for a typed text
// that matches none (the list compares without regard to case).
int ItemIndexOf(const QComboBox* combo) {
  return combo->findText(combo->currentText(), Qt::MatchFixedString);
}

QComboBox* MakeDropDown(QWidget* parent, const QString& name, const QStringList& items) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->addItems(items);
  return combo;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, QRect geometry) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(geometry);
  return label;
}
}  // namespace

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  group_->setExclusive(true);
  int y = 18;
  for (int i = 0; i < items.size(); ++i, y += 20) {
    auto* b = new QRadioButton(items[i], this);
    b->setGeometry(8, y, 72, 18);
    group_->addButton(b, i);
  }
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* b = group_->button(index)) b->setChecked(true);
}

QRadioButton* TRadioGroup::Button(int index) const {
  return static_cast<QRadioButton*>(group_->button(index));
}

int TRadioGroup::Count() const { return static_cast<int>(group_->buttons().size()); }

TSetComPort::TSetComPort(QWidget* parent) : QDialog(parent) {
  setObjectName("SetComPort");
  setWindowTitle(QStringLiteral("Подключение к контроллеру"));

  CheckBox1 = new QCheckBox(QStringLiteral("Определить номер порта автоматически"), this);
  CheckBox1->setObjectName("CheckBox1");
  CheckBox1->setGeometry(10, 10, 270, 20);
  CheckBox1->setChecked(true);

  Label1 = MakeLabel(this, "Label1", QStringLiteral("Выбор номера порта вручную"), {10, 42, 175, 20});
  ComboBoxPort = MakeDropDown(this, "ComboBoxPort", {});
  ComboBoxPort->setGeometry(190, 40, 90, 22);

  ButtonParam = new QPushButton(QStringLiteral("Параметры порта ..."), this);
  ButtonParam->setObjectName("ButtonParam");
  ButtonParam->setGeometry(10, 72, 270, kButtonHeight);

  CheckBoxReplyCrc = new QCheckBox(QStringLiteral("Проверять контрольную сумму ответов"), this);
  CheckBoxReplyCrc->setObjectName("CheckBoxReplyCrc");
  CheckBoxReplyCrc->setGeometry(10, 104, 270, 20);
  CheckBoxReplyCrc->setChecked(true);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(5, 128, kFormWidth - 10, kGroupHeight);
  Label2 = MakeLabel(GroupBox1, "Label2", QStringLiteral("Speed"), {8, 14, 40, 20});
  ComboBoxSpeed = MakeDropDown(GroupBox1, "ComboBoxSpeed",
                               {"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                                "38400", "56000", "57600", "115200", "128000", "256000"});
  ComboBoxSpeed->setGeometry(50, 12, 80, 22);
  ComboBoxSpeed->setCurrentIndex(6);
  Label3 = MakeLabel(GroupBox1, "Label3", QStringLiteral("Control"), {140, 14, 50, 20});
  ComboBoxControl = MakeDropDown(GroupBox1, "ComboBoxControl", {"None", "Soft", "Hard"});
  ComboBoxControl->setGeometry(192, 12, 78, 22);
  ComboBoxControl->setCurrentIndex(0);

  RadioGroupParity =
      new TRadioGroup(QStringLiteral("Parity"), {"None", "Odd", "Even", "Mark", "Space"}, GroupBox1);
  RadioGroupParity->setObjectName("RadioGroupParity");
  RadioGroupParity->setGeometry(8, 42, 84, 124);
  RadioGroupParity->SetItemIndex(0);
  RadioGroupData =
      new TRadioGroup(QStringLiteral("Data width"), {"5 bits", "6 bits", "7 bits", "8 bits"}, GroupBox1);
  RadioGroupData->setObjectName("RadioGroupData");
  RadioGroupData->setGeometry(98, 42, 84, 104);
  RadioGroupData->SetItemIndex(3);
  RadioGroupStop = new TRadioGroup(QStringLiteral("Stop bits"), {"1", "1.5", "2"}, GroupBox1);
  RadioGroupStop->setObjectName("RadioGroupStop");
  RadioGroupStop->setGeometry(188, 42, 84, 84);
  RadioGroupStop->SetItemIndex(0);
  CheckBoxDTR = new QCheckBox(QStringLiteral("DTR"), GroupBox1);
  CheckBoxDTR->setObjectName("CheckBoxDTR");
  CheckBoxDTR->setGeometry(192, 134, 70, 20);
  CheckBoxDTR->setChecked(true);
  CheckBoxRTS = new QCheckBox(QStringLiteral("RTS"), GroupBox1);
  CheckBoxRTS->setObjectName("CheckBoxRTS");
  CheckBoxRTS->setGeometry(192, 158, 70, 20);
  CheckBoxRTS->setChecked(true);
  GroupBox1->hide();

  ButtonOk = new QPushButton(QStringLiteral("Отмена"), this);
  ButtonOk->setObjectName("ButtonOk");
  ButtonOk->setAutoDefault(false);
  Button1 = new QPushButton(QStringLiteral("Ok"), this);
  Button1->setObjectName("Button1");
  Button1->setAutoDefault(false);

  connect(CheckBox1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
  connect(ButtonParam, &QPushButton::clicked, this, [this] { ButtonParamClick(); });
  connect(ButtonOk, &QPushButton::clicked, this, [this] { ButtonOkClick(ButtonOk); });
  connect(Button1, &QPushButton::clicked, this, [this] { ButtonOkClick(Button1); });

  // Creation: the port list, then the collapsed height.
  for (int i = 1; i <= 255; ++i) ComboBoxPort->addItem(QString::number(i));
  ComboBoxPort->setCurrentIndex(-1);
  ComboBoxPort->setEditText(QString());
  ComboBoxPort->setEnabled(false);
  SetFormHeight(kCollapsedHeight);
}

void TSetComPort::SetTargets(int* portNumber, tesra::TCommPort* commPort, bool* checkReplyCrc) {
  portNumber_ = portNumber;
  commPort_ = commPort;
  checkReplyCrc_ = checkReplyCrc;
}

bool TSetComPort::AutomaticPort() const { return CheckBox1->isChecked(); }

void TSetComPort::CheckBox1Click() {
  if (CheckBox1->isChecked()) {
    ComboBoxPort->setCurrentIndex(-1);
    ComboBoxPort->setEditText(QString());
    ComboBoxPort->setEnabled(false);
  } else {
    ComboBoxPort->setEnabled(true);
    ComboBoxPort->setCurrentIndex(0);
  }
}

void TSetComPort::ButtonParamClick() {
  GroupBox1->setVisible(GroupBox1->isHidden());
  SetFormHeight(kCollapsedHeight + (GroupBox1->isHidden() ? 0 : GroupBox1->height()));
}

void TSetComPort::ButtonOkClick(QObject* sender) {
  if (portNumber_) {
    bool ok = false;
    const int n = ComboBoxPort->currentText().toInt(&ok, 10);
    *portNumber_ = CheckBox1->isChecked() ? 1 : (ok ? n : 1);
  }
  if (commPort_) {
    bool ok = false;
    const int baud = ComboBoxSpeed->currentText().toInt(&ok, 10);
    commPort_->SetBaud(ok ? baud : 0);
    commPort_->SetComControl(static_cast<tesra::TComControl>(ItemIndexOf(ComboBoxControl)));
    commPort_->SetParity(static_cast<tesra::TParity>(RadioGroupParity->ItemIndex()));
    commPort_->SetDataBits(static_cast<unsigned short>(RadioGroupData->ItemIndex() + 5));
    commPort_->SetStopBits(static_cast<tesra::TStopBits>(RadioGroupStop->ItemIndex()));
    commPort_->SetDTR(CheckBoxDTR->isChecked());
    commPort_->SetRTS(CheckBoxRTS->isChecked());
  }
  if (checkReplyCrc_) *checkReplyCrc_ = CheckBoxReplyCrc->isChecked();
  done(sender == Button1 ? 1 : 2);
}

void TSetComPort::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CheckBox1->setFocus();
}

void TSetComPort::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceButtons();
}

void TSetComPort::SetFormHeight(int height) {
  setFixedSize(kFormWidth, height);
  PlaceButtons();
}

void TSetComPort::PlaceButtons() {
  const int y = height() - kButtonBottomGap - kButtonHeight;
  ButtonOk->setGeometry(kFormWidth - 2 * kButtonWidth - 20, y, kButtonWidth, kButtonHeight);
  Button1->setGeometry(kFormWidth - kButtonWidth - 10, y, kButtonWidth, kButtonHeight);
}
