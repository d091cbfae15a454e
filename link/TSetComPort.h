// The connection dialog "Подключение к контроллеру": automatic or manual port
// number and, behind "Параметры порта ...", the line parameters. Created once
// and kept hidden between uses, so every choice survives to the next opening.
#pragma once

#include <QDialog>
#include <QGroupBox>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace tesra {
class TCommPort;
}

// A captioned group of exclusive radio buttons with an item index.
class TRadioGroup : public QGroupBox {
 public:
  TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent);
  int ItemIndex() const;
  void SetItemIndex(int index);
  QRadioButton* Button(int index) const;
  int Count() const;

 private:
  QButtonGroup* group_;
};

class TSetComPort : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kCollapsedHeight = 190;

  explicit TSetComPort(QWidget* parent = nullptr);

  // Where ButtonOkClick writes: the link's PortNumber and its port component.
  // Where ButtonOkClick also writes whether replies' CRC-8 is compared.
  void SetTargets(int* portNumber, tesra::TCommPort* commPort, bool* checkReplyCrc = nullptr);

  // Whether the port number is to be found automatically; read by the scan at
  // every tick.
  bool AutomaticPort() const;

  void CheckBox1Click();
  void ButtonParamClick();
  void ButtonOkClick(QObject* sender);

  QCheckBox* CheckBox1 = nullptr;
  QComboBox* ComboBoxPort = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* ButtonParam = nullptr;
  // "Проверять контрольную сумму ответов": ticked at every start, not remembered.
  QCheckBox* CheckBoxReplyCrc = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* ComboBoxSpeed = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* ComboBoxControl = nullptr;
  TRadioGroup* RadioGroupParity = nullptr;
  TRadioGroup* RadioGroupData = nullptr;
  TRadioGroup* RadioGroupStop = nullptr;
  QCheckBox* CheckBoxDTR = nullptr;
  QCheckBox* CheckBoxRTS = nullptr;
  QPushButton* ButtonOk = nullptr;  // captioned "Отмена": modal result Cancel
  QPushButton* Button1 = nullptr;   // captioned "Ok": modal result OK

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SetFormHeight(int height);
  void PlaceButtons();

  int* portNumber_ = nullptr;
  tesra::TCommPort* commPort_ = nullptr;
  bool* checkReplyCrc_ = nullptr;
};
