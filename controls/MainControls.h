// The catalogue of the main window's editing controls: every named control of
// the system section (Panel17) and the algorithm editor (Panel12), the control
// arrays the editor indexes by stage, zone, module and input, and the panel
// that shows link progress.
#pragma once

#include <array>

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QString>

#include "controls/ShellControls.h"

class EditorHandlers;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QObject;
class QProgressBar;
class QTableWidget;
class QTimer;
class QToolButton;
class QWidget;

// What a file dialog of the main window offers; the project commands pass it
// to the Prompter.
struct FileDialogDescription {
  QString Filter;
  QString DefaultExt;  // without the dot; empty = none
};

// Selects an item by index; an index the list does not hold leaves the combo
// box with no selection (and an empty edit field when it is editable). Raises
// no change event.
void SelectIndex(QComboBox* combo, int index);

// Whether an editing control is enabled by the editor's own rules, whatever
// the hold on the editor's two panels (Panel17, Panel12) during a transfer says.
bool EnabledByRules(const QWidget* control);

class MainControls : public ShellControls {
 public:
  // Rows of InputZoneBoxes.
  enum InputZoneRow { InputAux = 0, InputRing = 1, InputTel = 2 };

  // Declared range of the link progress bar; a transfer advances it by 32
  // per block.
  static constexpr int ProgressBarMaximum = 512;
  static constexpr int StageColumnWidth = 74;
  static constexpr int SystemPanelWidth = 352;
  static constexpr int MessageCount = 72;
  // LenMes: column 0 holds the message numbers, this one the times.
  static constexpr int LenMesValueColumn = 1;

  // Creates every control inside panel9 and binds them to the handlers.
  void Build(QWidget* panel9, EditorHandlers& handlers);

  // A control of the catalogue by its component name; nullptr when unknown.
  QObject* Find(const QString& name) const;

  // LenMes: row 0 is the title row ("сек."), rows 1..72 the messages.
  QString LenMesValue(int row) const;
  void SetLenMesValue(int row, const QString& value);

  QString PanelScanCaption() const;
  void SetPanelScanCaption(const QString& caption);

  // A zone button shows ImageList4 image 0 (released) or 1 (pressed); the
  // image follows the down state only when the editor sets it.
  void SetZoneButtonImage(QToolButton* button, int image);
  int ZoneButtonImage(const QToolButton* button) const;

  // Component number of the K1 (relay 0) or K2 (relay 1) box of module m,
  // stage s (both 1..8).
  static int RelayBoxNumber(int module, int stage, int relay);
  // Component number of the zone button of zone z, stage s (both 1..8).
  static int ZoneButtonNumber(int zone, int stage);

  // Panels
  QWidget* Panel9 = nullptr;
  QFrame* Panel17 = nullptr;
  QFrame* Panel12 = nullptr;
  QFrame* Panel15 = nullptr;
  QFrame* Panel16 = nullptr;
  QFrame* ToolBar3 = nullptr;
  QFrame *Panel2 = nullptr, *Panel3 = nullptr, *Panel4 = nullptr, *Panel5 = nullptr, *Panel6 = nullptr,
         *Panel7 = nullptr, *Panel8 = nullptr, *Panel10 = nullptr;
  QFrame* PanelScan = nullptr;
  QProgressBar* ProgressBar = nullptr;

  // Algorithm editor
  QLabel *StaticText268 = nullptr, *StaticText270 = nullptr, *StaticText256 = nullptr;
  QToolButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr, *SpeedButton5 = nullptr,
              *SpeedButton6 = nullptr, *SpeedButton7 = nullptr, *SpeedButton8 = nullptr, *SpeedButton9 = nullptr;
  QButtonGroup* InputButtonGroup = nullptr;
  QCheckBox *CheckBox180 = nullptr, *CheckBox181 = nullptr, *CheckBox182 = nullptr, *CheckBox183 = nullptr,
            *CheckBox184 = nullptr, *CheckBox185 = nullptr, *CheckBox186 = nullptr, *CheckBox187 = nullptr;
  QComboBox *ComboBox43 = nullptr, *ComboBox44 = nullptr, *ComboBox45 = nullptr, *ComboBox49 = nullptr,
            *ComboBox50 = nullptr, *ComboBox51 = nullptr, *ComboBox52 = nullptr, *ComboBox53 = nullptr;
  QComboBox *ComboBox32 = nullptr, *ComboBox34 = nullptr, *ComboBox36 = nullptr, *ComboBox38 = nullptr,
            *ComboBox39 = nullptr, *ComboBox40 = nullptr, *ComboBox41 = nullptr, *ComboBox42 = nullptr;
  QComboBox *ComboBox46 = nullptr, *ComboBox47 = nullptr, *ComboBox48 = nullptr, *ComboBox22 = nullptr,
            *ComboBox24 = nullptr, *ComboBox26 = nullptr, *ComboBox28 = nullptr, *ComboBox30 = nullptr;
  QLabel *StaticText8 = nullptr, *StaticText9 = nullptr, *StaticText10 = nullptr, *StaticText11 = nullptr,
         *StaticText12 = nullptr, *StaticText13 = nullptr, *StaticText14 = nullptr, *StaticText15 = nullptr;
  QLabel* StaticText23 = nullptr;
  QLabel *StaticText255 = nullptr, *StaticText254 = nullptr, *StaticText240 = nullptr, *StaticText2 = nullptr,
         *StaticText3 = nullptr;
  QLabel* StaticText68 = nullptr;
  QCheckBox *CheckBox43 = nullptr, *CheckBox45 = nullptr, *CheckBox47 = nullptr, *CheckBox49 = nullptr,
            *CheckBox51 = nullptr, *CheckBox53 = nullptr, *CheckBox55 = nullptr, *CheckBox57 = nullptr;
  QLabel* StaticText283 = nullptr;
  QLabel *StaticText241 = nullptr, *StaticText242 = nullptr, *StaticText243 = nullptr, *StaticText248 = nullptr,
         *StaticText249 = nullptr, *StaticText251 = nullptr, *StaticText252 = nullptr, *StaticText253 = nullptr;
  QLabel* StaticText284 = nullptr;
  QLabel *StaticText285 = nullptr, *StaticText286 = nullptr, *StaticText287 = nullptr, *StaticText288 = nullptr,
         *StaticText289 = nullptr, *StaticText290 = nullptr, *StaticText291 = nullptr, *StaticText292 = nullptr;

  // System section
  QLabel* StaticText269 = nullptr;
  QLabel* StaticText257 = nullptr;
  QCheckBox* CheckBox5 = nullptr;
  QLabel* StaticText258 = nullptr;
  QComboBox* ComboBox57 = nullptr;
  QLabel* StaticText259 = nullptr;
  QComboBox* ComboBox56 = nullptr;
  QLabel* StaticText264 = nullptr;
  QComboBox* ComboBox55 = nullptr;
  QLabel* StaticText266 = nullptr;
  QComboBox* ComboBox54 = nullptr;
  QLabel* StaticText16 = nullptr;
  QCheckBox* CheckBox4 = nullptr;
  QLabel* StaticText267 = nullptr;
  QCheckBox* CheckBox316 = nullptr;
  QLabel* StaticText294 = nullptr;
  QCheckBox* CheckBox325 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QCheckBox *CBMuz1 = nullptr, *CBMuz2 = nullptr, *CBMuz3 = nullptr, *CBMuz4 = nullptr, *CBMuz5 = nullptr,
            *CBMuz6 = nullptr, *CBMuz7 = nullptr, *CBMuz8 = nullptr, *CBMuz9 = nullptr, *CBMuz10 = nullptr,
            *CBMuz11 = nullptr, *CBMuz12 = nullptr, *CBMuz13 = nullptr, *CBMuz14 = nullptr, *CBMuz15 = nullptr,
            *CBMuz16 = nullptr;
  QLabel* Label20 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QCheckBox *CheckBox1 = nullptr, *CheckBox6 = nullptr, *CheckBox11 = nullptr, *CheckBox16 = nullptr,
            *CheckBox21 = nullptr, *CheckBox22 = nullptr, *CheckBox23 = nullptr, *CheckBox24 = nullptr;
  QCheckBox *CheckBox2 = nullptr, *CheckBox7 = nullptr, *CheckBox12 = nullptr, *CheckBox17 = nullptr,
            *CheckBox28 = nullptr, *CheckBox27 = nullptr, *CheckBox26 = nullptr, *CheckBox25 = nullptr;
  QCheckBox *CheckBox3 = nullptr, *CheckBox8 = nullptr, *CheckBox13 = nullptr, *CheckBox18 = nullptr,
            *CheckBox29 = nullptr, *CheckBox30 = nullptr, *CheckBox31 = nullptr, *CheckBox32 = nullptr;
  QLabel* StaticText4 = nullptr;
  QTableWidget* LenMes = nullptr;
  QLabel* Label21 = nullptr;
  QCheckBox *CheckBox41 = nullptr, *CheckBox42 = nullptr;
  QLabel* StaticText271 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* StaticText274 = nullptr;
  QLineEdit *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr;
  QLabel* StaticText275 = nullptr;
  QLineEdit* Edit5 = nullptr;

  // Non-visual components
  QTimer* Timer = nullptr;
  FileDialogDescription OpenDialog1;
  FileDialogDescription SaveDialog1;
  std::array<QIcon, 2> ImageList4;

  // Control arrays
  std::array<QToolButton*, 8> InputButtons{};
  std::array<QCheckBox*, 8> StageButtons{};
  std::array<QCheckBox*, 8> AlmOutBoxes{};
  std::array<QComboBox*, 8> MessageCombos{};
  std::array<QComboBox*, 8> RepeatCombos{};
  std::array<QComboBox*, 8> PauseCombos{};
  std::array<std::array<QToolButton*, 8>, 8> ZoneButtons{};   // [stage][zone]
  std::array<std::array<QCheckBox*, 16>, 8> RelayBoxes{};     // [stage][2*(module-1)+relay]
  std::array<QCheckBox*, 16> MusicZoneBoxes{};                // preset 1 zones 1..8, preset 2 zones 1..8
  std::array<std::array<QCheckBox*, 8>, 3> InputZoneBoxes{};  // [InputZoneRow][zone]
  std::array<QLabel*, 8> StageTimeTexts{};

 private:
  // Creates the panels and controls with their form bindings (MainControlsLayout.cpp).
  struct Builder;

  void CreateControls(EditorHandlers& handlers);
  void Register(QObject* control);
  void FillItemLists(EditorHandlers& handlers);
  void FillArrays();

  QHash<QString, QObject*> named_;
  QLabel* scanCaption_ = nullptr;
  QMetaObject::Connection lenMesBinding_;
};
