#include "controls/MainControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTableWidget>
#include <QToolButton>

#include "controls/ControlBindings.h"
#include "controls/MainControlTables.h"

namespace {

void CopyItems(const QComboBox* from, QComboBox* to) {
  QStringList items;
  items.reserve(from->count());
  for (int i = 0; i < from->count(); ++i) items << from->itemText(i);
  to->clear();
  to->addItems(items);
}

}  // namespace

void SelectIndex(QComboBox* combo, int index) {
  if (!combo) return;
  if (index >= 0 && index < combo->count()) {
    combo->setCurrentIndex(index);
    return;
  }
  combo->setCurrentIndex(-1);
  // An editable box keeps whatever was typed unless told otherwise.
  if (combo->isEditable() && combo->lineEdit()) combo->lineEdit()->clear();
}

bool EnabledByRules(const QWidget* control) {
  for (const QWidget* w = control; w; w = w->parentWidget()) {
    const QString& name = w->objectName();
    if (name == QLatin1String("Panel17") || name == QLatin1String("Panel12")) return control->isEnabledTo(w);
  }
  return control->isEnabled();
}

int MainControls::ZoneButtonNumber(int zone, int stage) { return 69 + 8 * (zone - 1) + (stage - 1); }

int MainControls::RelayBoxNumber(int module, int stage, int relay) {
  int s = stage;
  // The form swapped the first two stages of module 1.
  if (module == 1 && stage <= 2) s = 3 - stage;
  return 188 + 16 * (module - 1) + 2 * (s - 1) + relay;
}

void MainControls::Register(QObject* control) {
  const QString name = control->objectName();
  Q_ASSERT_X(!name.isEmpty() && !named_.contains(name), "MainControls::Register", qPrintable(name));
  named_.insert(name, control);
}

QObject* MainControls::Find(const QString& name) const {
  if (QObject* o = named_.value(name)) return o;
  // The shell's tool bar and status bar live in the window, outside panel 9.
  return Window ? Window->findChild<QObject*>(name) : nullptr;
}

void MainControls::Build(QWidget* panel9, EditorHandlers& handlers) {
  Panel9 = panel9;
  OpenDialog1 = {QStringLiteral("*.usr (*.usr)"), QString()};
  SaveDialog1 = {QStringLiteral("*.usr (*.usr)"), QStringLiteral("usr")};
  CreateControls(handlers);
  FillItemLists(handlers);
  FillArrays();
}

void MainControls::FillItemLists(EditorHandlers& handlers) {
  ComboBox32->addItem(QStringLiteral("Без огр"));
  // Adding the rows must not recompute stage times against a half-filled list.
  QObject::disconnect(lenMesBinding_);
  ComboBox43->addItem(QStringLiteral("Не выбр"));
  for (int i = 1; i <= MessageCount; ++i) {
    ComboBox43->addItem(QString::number(i));
    // The first row takes the place of the empty row the list starts with.
    const int row = i - 1;
    if (row >= LenMes->rowCount()) LenMes->insertRow(row);
    auto* key = new QTableWidgetItem(QString::number(i));
    key->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    LenMes->setItem(row, 0, key);
    LenMes->setItem(row, LenMesValueColumn, new QTableWidgetItem(QString()));
  }
  LenMes->setRowCount(MessageCount);
  lenMesBinding_ = BindMessageTimes(LenMes, LenMesValueColumn, handlers);

  for (QComboBox* combo : {ComboBox44, ComboBox45, ComboBox49, ComboBox50, ComboBox51, ComboBox52, ComboBox53})
    CopyItems(ComboBox43, combo);
  for (int j = 1; j <= 255; ++j) ComboBox32->addItem(QString::number(j));
  for (QComboBox* combo : {ComboBox34, ComboBox36, ComboBox38, ComboBox39, ComboBox40, ComboBox41, ComboBox42})
    CopyItems(ComboBox32, combo);
}

void MainControls::FillArrays() {
  using namespace main_tables;
  auto fill = [this](auto& array, const auto& table) {
    for (std::size_t i = 0; i < table.size(); ++i) array[i] = this->*(table[i].member);
  };
  fill(InputButtons, kInputButtons);
  fill(StageButtons, kStageButtons);
  fill(AlmOutBoxes, kAlmOutBoxes);
  fill(MessageCombos, kMessageCombos);
  fill(RepeatCombos, kRepeatCombos);
  fill(PauseCombos, kPauseCombos);
  fill(MusicZoneBoxes, kMusicZoneBoxes);
  fill(InputZoneBoxes[InputAux], kAuxZoneBoxes);
  fill(InputZoneBoxes[InputRing], kRingZoneBoxes);
  fill(InputZoneBoxes[InputTel], kTelZoneBoxes);
  fill(StageTimeTexts, kStageTimeTexts);
  for (int s = 1; s <= 8; ++s) {
    for (int z = 1; z <= 8; ++z)
      ZoneButtons[s - 1][z - 1] =
          qobject_cast<QToolButton*>(Find(QStringLiteral("ToolButton%1").arg(ZoneButtonNumber(z, s))));
    for (int m = 1; m <= 8; ++m)
      for (int r = 0; r < 2; ++r)
        RelayBoxes[s - 1][2 * (m - 1) + r] =
            qobject_cast<QCheckBox*>(Find(QStringLiteral("CheckBox%1").arg(RelayBoxNumber(m, s, r))));
  }
}

QString MainControls::LenMesValue(int row) const {
  if (!LenMes) return {};
  if (row == 0) {
    const QTableWidgetItem* title = LenMes->horizontalHeaderItem(LenMesValueColumn);
    return title ? title->text() : QString();
  }
  const QTableWidgetItem* item = LenMes->item(row - 1, LenMesValueColumn);
  return item ? item->text() : QString();
}

void MainControls::SetLenMesValue(int row, const QString& value) {
  if (!LenMes || row < 0 || row > LenMes->rowCount()) return;
  if (row == 0) {
    LenMes->setHorizontalHeaderItem(LenMesValueColumn, new QTableWidgetItem(value));
    return;
  }
  if (QTableWidgetItem* item = LenMes->item(row - 1, LenMesValueColumn))
    item->setText(value);
  else
    LenMes->setItem(row - 1, LenMesValueColumn, new QTableWidgetItem(value));
}

QString MainControls::PanelScanCaption() const { return scanCaption_ ? scanCaption_->text() : QString(); }

void MainControls::SetPanelScanCaption(const QString& caption) {
  if (scanCaption_) scanCaption_->setText(caption);
}

void MainControls::SetZoneButtonImage(QToolButton* button, int image) {
  if (!button) return;
  image = image == 1 ? 1 : 0;
  button->setIcon(ImageList4[image]);
  button->setProperty("ImageIndex", image);
}

int MainControls::ZoneButtonImage(const QToolButton* button) const {
  return button ? button->property("ImageIndex").toInt() : 0;
}
