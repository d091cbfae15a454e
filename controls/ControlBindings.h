// The bindings of the catalogue's controls to the editor's handlers, and the
// one place that says which Qt signal stands for which event of the form:
//
//   event the editor expects                    Qt signal
//   check box click, also when code changes it  QCheckBox::toggled (only on a real change)
//   combo box change by the user                activated, and for an editable box
//                                               lineEdit()->textEdited; code setting
//                                               the index raises nothing, so never
//                                               currentIndexChanged
//   typing in a combo box has ended             lineEdit()->editingFinished
//   check-style tool button click               clicked (setting Down in code raises nothing)
//   edit field change, typed or set by code     QLineEdit::textChanged
//   value list change, also by code             QTableWidget::itemChanged on the value column
#pragma once

#include <QMetaObject>

class EditorHandlers;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;
class QToolButton;

// System-section controls: ComboBox58Change, which tells them apart by identity.
void BindSystemControl(QCheckBox* box, EditorHandlers& h);
void BindSystemControl(QComboBox* combo, EditorHandlers& h);
void BindSystemControl(QLineEdit* edit, EditorHandlers& h);

// Algorithm-editor controls: CheckBox180Click, which tells them apart by Tag
// (the stage) and HelpContext (the kind); a stage combo box's typing ends in
// ComboBox43Exit.
void BindStageControl(QCheckBox* box, EditorHandlers& h);
void BindStageControl(QComboBox* combo, EditorHandlers& h);
void BindStageControl(QToolButton* zoneButton, EditorHandlers& h);

// The eight input buttons: SpeedButton1Click.
void BindInputButton(QToolButton* button, EditorHandlers& h);

// The message playing times: Edit6Change on a change of the value column.
QMetaObject::Connection BindMessageTimes(QTableWidget* list, int valueColumn, EditorHandlers& h);
