#include "controls/ControlBindings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

#include "controls/EditorHandlers.h"

// Each function is one row of the table in the header: the event, its signal.
namespace {

template <class F>
void OnCheckBoxClick(QCheckBox* box, F handler) {
  QObject::connect(box, &QCheckBox::toggled, box, [box, handler](bool) { handler(box); });
}

template <class F>
void OnComboBoxChange(QComboBox* combo, F handler) {
  QObject::connect(combo, &QComboBox::activated, combo, [combo, handler](int) { handler(combo); });
  if (combo->isEditable())
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                     [combo, handler](const QString&) { handler(combo); });
}

template <class F>
void OnComboBoxExit(QComboBox* combo, F handler) {
  QObject::connect(combo->lineEdit(), &QLineEdit::editingFinished, combo, [combo, handler] { handler(combo); });
}

template <class F>
void OnToolButtonClick(QToolButton* button, F handler) {
  QObject::connect(button, &QToolButton::clicked, button, [button, handler](bool) { handler(button); });
}

template <class F>
void OnEditChange(QLineEdit* edit, F handler) {
  QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, handler](const QString&) { handler(edit); });
}

}  // namespace

void BindSystemControl(QCheckBox* box, EditorHandlers& h) {
  OnCheckBoxClick(box, [hp = &h](QObject* s) { hp->ComboBox58Change(s); });
}
void BindSystemControl(QComboBox* combo, EditorHandlers& h) {
  OnComboBoxChange(combo, [hp = &h](QObject* s) { hp->ComboBox58Change(s); });
}
void BindSystemControl(QLineEdit* edit, EditorHandlers& h) {
  OnEditChange(edit, [hp = &h](QObject* s) { hp->ComboBox58Change(s); });
}

void BindStageControl(QCheckBox* box, EditorHandlers& h) {
  OnCheckBoxClick(box, [hp = &h](QObject* s) { hp->CheckBox180Click(s); });
}
void BindStageControl(QComboBox* combo, EditorHandlers& h) {
  OnComboBoxChange(combo, [hp = &h](QObject* s) { hp->CheckBox180Click(s); });
  OnComboBoxExit(combo, [hp = &h](QObject* s) { hp->ComboBox43Exit(s); });
}
void BindStageControl(QToolButton* zoneButton, EditorHandlers& h) {
  OnToolButtonClick(zoneButton, [hp = &h](QObject* s) { hp->CheckBox180Click(s); });
}

void BindInputButton(QToolButton* button, EditorHandlers& h) {
  OnToolButtonClick(button, [hp = &h](QObject* s) { hp->SpeedButton1Click(s); });
}

QMetaObject::Connection BindMessageTimes(QTableWidget* list, int valueColumn, EditorHandlers& h) {
  return QObject::connect(list, &QTableWidget::itemChanged, list, [hp = &h, valueColumn](QTableWidgetItem* item) {
    if (item->column() == valueColumn) hp->Edit6Change();
  });
}
