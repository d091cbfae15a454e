// The panels of the editor and where each control sits: the system section
// on the left, the stage grid of the algorithm editor on the right, and the
// progress panel over both.
#include <algorithm>
#include <memory>
#include <utility>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "controls/ControlBindings.h"
#include "controls/ControlProps.h"
#include "controls/MainControlTables.h"
#include "controls/MainControls.h"

namespace {

constexpr int kClientHeight = 770;
constexpr int kToolBarHeight = 56;
constexpr int kStatusBarFallbackHeight = 22;
constexpr int kLabelColumnWidth = 200;  // Panel15; the eight stage columns take the rest of Panel12
constexpr int kAlgorithmPanelWidth = kLabelColumnWidth + 8 * MainControls::StageColumnWidth;

// A check box whose caption is kept for the handlers but not drawn: the
// ALM OUT boxes sit alone in their cells.
class BareCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;
  QSize sizeHint() const override {
    return {style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) + 4,
            style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this) + 4};
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QSize indicator(style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this),
                          style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this));
    opt.rect = QRect(QPoint((width() - indicator.width()) / 2, (height() - indicator.height()) / 2), indicator);
    p.drawPrimitive(QStyle::PE_IndicatorCheckBox, opt);
    if (hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = opt.rect.adjusted(-2, -2, 2, 2);
      p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  }
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

QPixmap ZoneImage(bool pressed) {
  const int size = 16;
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box(1.5, 1.5, size - 3, size - 3);
  if (pressed) {
    p.setPen(QPen(QColor(0x1b, 0x5e, 0x20), 1));
    p.setBrush(QColor(0x43, 0xa0, 0x47));
    p.drawRoundedRect(box, 3, 3);
    // A loudspeaker: the zone plays.
    QPainterPath speaker;
    speaker.moveTo(4, 6.5);
    speaker.lineTo(6.5, 6.5);
    speaker.lineTo(9.5, 4);
    speaker.lineTo(9.5, 12);
    speaker.lineTo(6.5, 9.5);
    speaker.lineTo(4, 9.5);
    speaker.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(speaker);
    p.setPen(QPen(Qt::white, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(8, 5, 4.5, 6), -60 * 16, 120 * 16);
  } else {
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    p.setBrush(QColor(0xf4, 0xf4, 0xf4));
    p.drawRoundedRect(box, 3, 3);
  }
  return pm;
}

// A fixed cell keeps its size; a font wider than the one the grid was drawn
// for gets a slightly smaller size instead of a cut text.
void FitText(QLabel* label) {
  QFont f = label->font();
  while (label->sizeHint().width() > label->width() && f.pointSizeF() > 7) {
    f.setPointSizeF(f.pointSizeF() - 0.5);
    label->setFont(f);
  }
}

// The same for the edit field of a stage-grid combo box, sized for its widest item.
void FitEditField(QComboBox* combo, const QString& widest) {
  QStyleOptionComboBox opt;
  opt.initFrom(combo);
  opt.editable = true;
  const int fieldWidth =
      combo->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo).width();
  // The size is found first and set once: each setFont re-polishes the box and its line edit.
  QFont f = combo->font();
  const qreal given = f.pointSizeF();
  while (QFontMetrics(f).horizontalAdvance(widest) + 6 > fieldWidth && f.pointSizeF() > 7)
    f.setPointSizeF(f.pointSizeF() - 0.5);
  if (f.pointSizeF() != given) combo->setFont(f);
}

QFont Bold(QFont f) {
  f.setBold(true);
  return f;
}

}  // namespace

struct MainControls::Builder {
  MainControls& c;
  EditorHandlers& h;
  int rowH = 20;
  // The stage boxes' stand-in completer, shared while the window is built.
  std::unique_ptr<QCompleter> noCompletion{};

  static void CreateAll(MainControls& controls, EditorHandlers& handlers);

  template <class W, class... Args>
  W* Make(QWidget* parent, const QString& name, Args&&... args) {
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    c.Register(w);
    return w;
  }

  QLabel* Text(QWidget* parent, const QString& name, const QString& text) { return Make<QLabel>(parent, name, text); }

  // System-section controls: told apart by identity in ComboBox58Change.
  QCheckBox* SystemCheck(QWidget* parent, const QString& name, const QString& caption, int helpContext = 0) {
    auto* box = Make<QCheckBox>(parent, name, caption);
    SetHelpContext(box, helpContext);
    BindSystemControl(box, h);
    return box;
  }

  QComboBox* SystemCombo(QWidget* parent, const QString& name, const QStringList& items) {
    auto* combo = Make<QComboBox>(parent, name);
    combo->addItems(items);
    BindSystemControl(combo, h);
    return combo;
  }

  QLineEdit* SystemEdit(QWidget* parent, const QString& name, int maxLength) {
    auto* edit = Make<QLineEdit>(parent, name);
    edit->setMaxLength(maxLength);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignCenter);
    BindSystemControl(edit, h);
    return edit;
  }

  // Algorithm-editor controls: told apart by Tag (stage) and HelpContext in CheckBox180Click.
  template <class Box = QCheckBox>
  QCheckBox* StageCheck(QWidget* parent, const QString& name, const QString& caption, int tag, int helpContext) {
    QCheckBox* box = Make<Box>(parent, name, caption);
    SetTag(box, tag);
    SetHelpContext(box, helpContext);
    BindStageControl(box, h);
    return box;
  }

  QComboBox* StageCombo(QWidget* parent, const QString& name, int tag, int helpContext) {
    auto* combo = Make<QComboBox>(parent, name);
    // The lists are fixed; typed text is taken as it stands, never completed or
    // added. The box gets its line edit with a stand-in completer: made editable
    // the plain way, each box would build a completer over its list and its
    // popup at start only for both to be dropped (half the stage grid's build).
    auto* edit = new QLineEdit(combo);
    if (!noCompletion) noCompletion = std::make_unique<QCompleter>();
    edit->setCompleter(noCompletion.get());
    combo->setLineEdit(edit);
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(16);
    SetTag(combo, tag);
    SetHelpContext(combo, helpContext);
    BindStageControl(combo, h);
    return combo;
  }

  int AvailableHeight() const {
    const int status = c.StatusBar1 ? c.StatusBar1->sizeHint().height() : kStatusBarFallbackHeight;
    return kClientHeight - kToolBarHeight - status;
  }

  void BuildSystemSection();
  void BuildAlgorithmEditor(int height);
  void BuildScanPanel(QGridLayout* grid);
};

void MainControls::CreateControls(EditorHandlers& handlers) { Builder::CreateAll(*this, handlers); }

void MainControls::Builder::CreateAll(MainControls& controls, EditorHandlers& handlers) {
  Builder b{controls, handlers};
  QWidget* panel9 = controls.Panel9;
  b.rowH = std::max(20, panel9->fontMetrics().height() + 5);
  controls.ImageList4 = {QIcon(ZoneImage(false)), QIcon(ZoneImage(true))};

  auto* grid = new QGridLayout(panel9);
  grid->setContentsMargins(1, 0, 1, 0);
  grid->setHorizontalSpacing(1);
  grid->setVerticalSpacing(0);
  b.BuildSystemSection();
  b.BuildAlgorithmEditor(b.AvailableHeight());
  grid->addWidget(controls.Panel17, 0, 0);
  grid->addWidget(controls.Panel12, 0, 1);
  grid->setColumnStretch(2, 1);
  b.BuildScanPanel(grid);

  controls.Timer = new QTimer(panel9);
  controls.Timer->setObjectName(QStringLiteral("Timer"));
  controls.Timer->setInterval(1000);
  controls.Register(controls.Timer);
}

void MainControls::Builder::BuildSystemSection() {
  auto* panel = Make<QFrame>(c.Panel9, QStringLiteral("Panel17"));
  c.Panel17 = panel;
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  panel->setFixedWidth(SystemPanelWidth);
  auto* col = new QVBoxLayout(panel);
  col->setContentsMargins(6, 4, 6, 4);
  col->setSpacing(3);

  c.StaticText269 = Text(panel, QStringLiteral("StaticText269"), QStringLiteral("Состав и конфигурация системы"));
  c.StaticText269->setFont(Bold(c.StaticText269->font()));
  c.StaticText269->setAlignment(Qt::AlignCenter);
  col->addWidget(c.StaticText269);

  // Equipment and priorities: a label followed by its control.
  auto* rows = new QGridLayout;
  rows->setHorizontalSpacing(6);
  rows->setVerticalSpacing(1);
  rows->setColumnStretch(0, 1);
  const QStringList upTo2 = {"0", "1", "2"};
  const QStringList upTo8 = {"0", "1", "2", "3", "4", "5", "6", "7", "8"};
  struct Row {
    const char* label;
    QLabel* MainControls::*labelMember;
    const char* text;
    const char* control;
    QCheckBox* MainControls::*check;
    QComboBox* MainControls::*combo;
    const QStringList* items;
  };
  const Row table[] = {
      {"StaticText257", &MainControls::StaticText257, "Усилитель мощности KT-400AM", "CheckBox5",
       &MainControls::CheckBox5, nullptr, nullptr},
      {"StaticText258", &MainControls::StaticText258, "Разветвитель KT-SP", "ComboBox57", nullptr,
       &MainControls::ComboBox57, &upTo2},
      {"StaticText259", &MainControls::StaticText259, "Модуль контроля и управления KT-CM3", "ComboBox56", nullptr,
       &MainControls::ComboBox56, &upTo8},
      {"StaticText264", &MainControls::StaticText264, "Пожарный пульт микрофонный KT-FP8", "ComboBox55", nullptr,
       &MainControls::ComboBox55, &upTo2},
      {"StaticText266", &MainControls::StaticText266, "Пульт диктора микрофонный KT-AN", "ComboBox54", nullptr,
       &MainControls::ComboBox54, &upTo2},
      {"StaticText16", &MainControls::StaticText16, "Равный приоритет для входов IN1- IN8", "CheckBox4",
       &MainControls::CheckBox4, nullptr, nullptr},
      {"StaticText267", &MainControls::StaticText267, "Сигнал привлечения внимания (ГОНГ)", "CheckBox316",
       &MainControls::CheckBox316, nullptr, nullptr},
      {"StaticText294", &MainControls::StaticText294, "Приоритет входа AUX над авт. режимом", "CheckBox325",
       &MainControls::CheckBox325, nullptr, nullptr},
  };
  int r = 0;
  for (const Row& row : table) {
    QLabel* label = Text(panel, row.label, QString::fromUtf8(row.text));
    c.*(row.labelMember) = label;
    rows->addWidget(label, r, 0);
    rows->setRowMinimumHeight(r, rowH + 2);
    if (row.check) {
      QCheckBox* box = SystemCheck(panel, row.control, QString());
      c.*(row.check) = box;
      rows->addWidget(box, r, 1, Qt::AlignLeft | Qt::AlignVCenter);
    } else {
      QComboBox* combo = SystemCombo(panel, row.control, *row.items);
      combo->setFixedWidth(56);
      c.*(row.combo) = combo;
      rows->addWidget(combo, r, 1);
    }
    ++r;
  }
  c.CheckBox316->setEnabled(false);
  col->addLayout(rows);

  // Background music: two presets of eight zones side by side.
  c.GroupBox1 = Make<QGroupBox>(panel, QStringLiteral("GroupBox1"), QStringLiteral("Зоны трансляции фоновой музыки"));
  auto* music = new QGridLayout(c.GroupBox1);
  music->setContentsMargins(8, 2, 8, 4);
  music->setHorizontalSpacing(10);
  music->setVerticalSpacing(0);
  for (int preset = 0; preset < 2; ++preset) {
    auto* head = new QLabel(preset == 0 ? QStringLiteral("Пресет1") : QStringLiteral("Пресет2"), c.GroupBox1);
    head->setFont(Bold(head->font()));
    music->addWidget(head, 0, 2 * preset, 1, 2);
    for (int z = 0; z < 8; ++z) {
      const auto& entry = main_tables::kMusicZoneBoxes[8 * preset + z];
      QCheckBox* box = SystemCheck(c.GroupBox1, entry.name, QStringLiteral("Зона %1").arg(z + 1));
      c.*(entry.member) = box;
      music->addWidget(box, 1 + z % 4, 2 * preset + z / 4);
    }
  }
  col->addWidget(c.GroupBox1);

  // Zones of the AUX, RING and TEL inputs.
  c.Label20 = Text(panel, QStringLiteral("Label20"),
                   QStringLiteral("Зоны в которые будет транслироваться аудио сигнал при активации входов"));
  c.Label20->setWordWrap(true);
  col->addWidget(c.Label20);
  c.GroupBox2 = Make<QGroupBox>(panel, QStringLiteral("GroupBox2"));
  auto* zones = new QGridLayout(c.GroupBox2);
  zones->setContentsMargins(8, 2, 8, 2);
  zones->setHorizontalSpacing(4);
  zones->setVerticalSpacing(0);
  const char* heads[] = {"N зоны", "Вход AUX", "Вход RING", "Вход TEL"};
  for (int i = 0; i < 4; ++i) {
    auto* head = new QLabel(QString::fromUtf8(heads[i]), c.GroupBox2);
    head->setAlignment(Qt::AlignCenter);
    zones->addWidget(head, 0, i);
  }
  const std::array<const std::array<main_tables::Named<QCheckBox>, 8>*, 3> inputs = {
      &main_tables::kAuxZoneBoxes, &main_tables::kRingZoneBoxes, &main_tables::kTelZoneBoxes};
  for (int z = 0; z < 8; ++z) {
    auto* head = new QLabel(QString::number(z + 1), c.GroupBox2);
    head->setAlignment(Qt::AlignCenter);
    zones->addWidget(head, 1 + z, 0);
    for (int i = 0; i < 3; ++i) {
      const auto& entry = (*inputs[i])[z];
      QCheckBox* box = SystemCheck(c.GroupBox2, entry.name, QString(), help_context::kSystemBox);
      c.*(entry.member) = box;
      zones->addWidget(box, 1 + z, 1 + i, Qt::AlignCenter);
    }
  }
  col->addWidget(c.GroupBox2);

  // Message playing times beside their label, then the ALM OUT activation.
  auto* lower = new QHBoxLayout;
  lower->setSpacing(6);
  c.StaticText4 = Text(panel, QStringLiteral("StaticText4"), QStringLiteral("Время воспроизведения сообщений:"));
  c.StaticText4->setWordWrap(true);
  c.StaticText4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lower->addWidget(c.StaticText4, 1);

  c.LenMes = Make<QTableWidget>(panel, QStringLiteral("LenMes"), 1, 2);
  c.LenMes->setHorizontalHeaderLabels({QStringLiteral("Номер"), QStringLiteral("сек.")});
  c.LenMes->verticalHeader()->hide();
  c.LenMes->verticalHeader()->setDefaultSectionSize(panel->fontMetrics().height() + 4);
  c.LenMes->horizontalHeader()->setFixedHeight(panel->fontMetrics().height() + 6);
  c.LenMes->setColumnWidth(0, 62);
  c.LenMes->horizontalHeader()->setStretchLastSection(true);
  c.LenMes->setSelectionMode(QAbstractItemView::SingleSelection);
  c.LenMes->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  c.LenMes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  c.LenMes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  c.LenMes->setFixedSize(150, 6 * (panel->fontMetrics().height() + 4) + panel->fontMetrics().height() + 10);
  // The form's own binding; construction replaces it once the rows are in.
  c.lenMesBinding_ = BindMessageTimes(c.LenMes, MainControls::LenMesValueColumn, h);
  lower->addWidget(c.LenMes);
  col->addLayout(lower);

  c.Label21 = Text(panel, QStringLiteral("Label21"), QStringLiteral("Активация выхода \"ALM OUT\":"));
  col->addWidget(c.Label21);
  auto* almOut = new QHBoxLayout;
  almOut->setSpacing(16);
  c.CheckBox41 =
      SystemCheck(panel, QStringLiteral("CheckBox41"), QStringLiteral("MIC+PULT1+PULT2"), help_context::kSystemBox);
  c.CheckBox42 = SystemCheck(panel, QStringLiteral("CheckBox42"), QStringLiteral("AUX"), help_context::kSystemBox);
  almOut->addSpacing(8);
  almOut->addWidget(c.CheckBox41);
  almOut->addWidget(c.CheckBox42);
  almOut->addStretch(1);
  col->addLayout(almOut);
  col->addSpacing(4);

  // Identity: serial number and date; the version field is not shown.
  auto* ident = new QHBoxLayout;
  ident->setSpacing(3);
  c.StaticText271 = Text(panel, QStringLiteral("StaticText271"), QStringLiteral("Серийный номер"));
  c.Edit1 = SystemEdit(panel, QStringLiteral("Edit1"), 4);
  c.Edit1->setFixedWidth(48);
  c.StaticText274 = Text(panel, QStringLiteral("StaticText274"), QStringLiteral("Дата"));
  c.Edit2 = SystemEdit(panel, QStringLiteral("Edit2"), 2);
  c.Edit3 = SystemEdit(panel, QStringLiteral("Edit3"), 2);
  c.Edit4 = SystemEdit(panel, QStringLiteral("Edit4"), 2);
  c.StaticText275 = Text(panel, QStringLiteral("StaticText275"), QStringLiteral("Версия"));
  c.Edit5 = SystemEdit(panel, QStringLiteral("Edit5"), 2);
  ident->addWidget(c.StaticText271);
  ident->addWidget(c.Edit1);
  ident->addSpacing(14);
  ident->addWidget(c.StaticText274);
  for (QLineEdit* e : {c.Edit2, c.Edit3, c.Edit4}) {
    e->setFixedWidth(30);
    if (e != c.Edit2) ident->addWidget(new QLabel(QStringLiteral("/"), panel));
    ident->addWidget(e);
  }
  c.Edit5->setFixedWidth(30);
  ident->addSpacing(10);
  ident->addWidget(c.StaticText275);
  ident->addWidget(c.Edit5);
  ident->addStretch(1);
  c.StaticText275->hide();
  c.Edit5->hide();
  col->addLayout(ident);
  col->addStretch(1);
}

void MainControls::Builder::BuildAlgorithmEditor(int height) {
  using namespace main_tables;
  constexpr int W = kAlgorithmPanelWidth;
  constexpr int L = kLabelColumnWidth;
  constexpr int CW = StageColumnWidth;
  auto colX = [](int s) { return L + CW * s; };

  auto* panel = Make<QFrame>(c.Panel9, QStringLiteral("Panel12"));
  c.Panel12 = panel;
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  panel->setFixedSize(W, height);

  const int comboH = std::max(rowH, QComboBox(panel).sizeHint().height());
  auto heading = [&](const char* name, QLabel* MainControls::*member, const QString& text, int y) {
    QLabel* l = Text(panel, name, text);
    c.*member = l;
    l->setFont(Bold(l->font()));
    l->setAlignment(Qt::AlignCenter);
    l->setGeometry(L, y, 8 * CW, rowH);
  };

  int y = 4;
  c.StaticText268 =
      Text(panel, QStringLiteral("StaticText268"), QStringLiteral("Программирование алгоритмов оповещения"));
  QFont title = Bold(c.StaticText268->font());
  title.setPointSizeF(title.pointSizeF() * 1.15);
  c.StaticText268->setFont(title);
  c.StaticText268->setAlignment(Qt::AlignCenter);
  c.StaticText268->setGeometry(0, y, W, rowH + 2);
  y += rowH + 4;

  // Input selector: one button down at a time.
  const int buttonH = rowH + 6;
  c.StaticText270 = Text(panel, QStringLiteral("StaticText270"), QStringLiteral("Номер   входа активации"));
  c.StaticText270->setGeometry(8, y, L - 12, buttonH);
  c.InputButtonGroup = new QButtonGroup(panel);
  c.InputButtonGroup->setExclusive(true);
  for (int s = 0; s < 8; ++s) {
    QToolButton* b = Make<QToolButton>(panel, kInputButtons[s].name);
    c.*(kInputButtons[s].member) = b;
    b->setText(QStringLiteral("IN %1").arg(s + 1));
    b->setCheckable(true);
    b->setGeometry(colX(s) + 3, y, CW - 6, buttonH);
    SetTag(b, s);
    c.InputButtonGroup->addButton(b, s);
    BindInputButton(b, h);
  }
  c.SpeedButton1->setChecked(true);
  y += buttonH + 6;

  heading("StaticText256", &MainControls::StaticText256, QStringLiteral("Выберите этап и режим трансляции сообщения"),
          y);
  y += rowH;

  const int labelTop = y;
  auto* labels = Make<QFrame>(panel, QStringLiteral("Panel15"));
  c.Panel15 = labels;
  labels->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  labels->setGeometry(0, labelTop, L, height - labelTop - 2);
  auto rowLabel = [&](const char* name, QLabel* MainControls::*member, const QString& text, int rowY, int h) {
    QLabel* l = Text(labels, name, text);
    if (member) c.*member = l;
    l->setGeometry(5, rowY - labelTop, L - 7, h);
    FitText(l);
    return l;
  };

  for (int s = 0; s < 8; ++s) {
    QCheckBox* box = StageCheck(panel, kStageButtons[s].name, QStringLiteral("%1 этап").arg(s + 1), s, help_context::kStage);
    c.*(kStageButtons[s].member) = box;
    const int w = std::min(CW - 4, box->sizeHint().width());
    box->setGeometry(colX(s) + (CW - w) / 2, y, w, rowH);
    box->setEnabled(s == 0);
  }
  y += rowH + 2;

  const QStringList pauses = {"0", "5", "10", "15", "20", "25", "30", "35"};
  struct ComboRow {
    const std::array<Named<QComboBox>, 8>* table;
    int helpContext;
    const char* label;
    QLabel* MainControls::*labelMember;
    const char* text;
    const char* widest;
  };
  const ComboRow comboRows[] = {
      {&kMessageCombos, help_context::kMessage, "StaticText255", &MainControls::StaticText255, "Номер сообщения",
       "Не выбр"},
      {&kRepeatCombos, help_context::kRepeats, "StaticText254", &MainControls::StaticText254, "Количество повторов",
       "Без огр"},
      {&kPauseCombos, help_context::kPause, "StaticText240", &MainControls::StaticText240,
       "Пауза между повторами (сек.)", "35"},
  };
  for (const ComboRow& row : comboRows) {
    rowLabel(row.label, row.labelMember, QString::fromUtf8(row.text), y, comboH);
    for (int s = 0; s < 8; ++s) {
      QComboBox* combo = StageCombo(panel, (*row.table)[s].name, s, row.helpContext);
      c.*((*row.table)[s].member) = combo;
      combo->setGeometry(colX(s) + 1, y, CW - 2, comboH);
      if (row.helpContext == help_context::kPause) combo->addItems(pauses);
      FitEditField(combo, QString::fromUtf8(row.widest));
    }
    y += comboH + 1;
  }

  auto timeText = [&](QLabel* l) {
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
  };
  rowLabel("StaticText2", &MainControls::StaticText2, QStringLiteral("Время этапа (сек.)"), y, rowH);
  for (int s = 0; s < 8; ++s) {
    QLabel* l = Text(panel, kStageTimeTexts[s].name, QString());
    c.*(kStageTimeTexts[s].member) = l;
    timeText(l);
    l->setGeometry(colX(s) + 2, y, CW - 4, rowH);
  }
  y += rowH + 2;
  rowLabel("StaticText3", &MainControls::StaticText3, QStringLiteral("Общее время эвакуации (сек)"), y, rowH);
  c.StaticText23 = Text(panel, QStringLiteral("StaticText23"), QString());
  timeText(c.StaticText23);
  c.StaticText23->setFont(Bold(c.StaticText23->font()));
  c.StaticText23->setGeometry(colX(0) + 2, y, 8 * CW - 4, rowH);
  y += rowH + 4;

  heading("StaticText68", &MainControls::StaticText68,
          QStringLiteral("Установите активацию выхода \"ALM OUT\" для каждого этапа"), y);
  y += rowH;
  for (int s = 0; s < 8; ++s) {
    auto* cell = new QFrame(panel);
    cell->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    cell->setGeometry(colX(s) + 2, y, CW - 4, rowH);
    auto* lay = new QHBoxLayout(cell);
    lay->setContentsMargins(0, 0, 0, 0);
    QCheckBox* box = StageCheck<BareCheckBox>(cell, kAlmOutBoxes[s].name, QStringLiteral("0"), s, help_context::kAlmOut);
    c.*(kAlmOutBoxes[s].member) = box;
    lay->addWidget(box, 0, Qt::AlignCenter);
  }
  y += rowH + 4;

  // Zone and relay rows share what is left of the height.
  const int fixedBelow = rowH /*zone prompt*/ + 3 + rowH /*relay prompt*/ + (rowH - 2) /*K1/K2 header*/ + 4;
  const int gridH = std::clamp((height - y - fixedBelow) / 16, 16, rowH + 6);

  heading("StaticText283", &MainControls::StaticText283, QStringLiteral("Выберите зону (зоны) трансляции сообщений"),
          y);
  y += rowH;
  c.ToolBar3 = Make<QFrame>(panel, QStringLiteral("ToolBar3"));
  c.ToolBar3->setGeometry(L, y, 8 * CW, 8 * gridH);
  for (int z = 1; z <= 8; ++z) {
    rowLabel(kZoneLabels[z - 1].name, kZoneLabels[z - 1].member, QStringLiteral("Зона %1").arg(z), y + (z - 1) * gridH,
             gridH);
    for (int s = 1; s <= 8; ++s) {
      QToolButton* b = Make<QToolButton>(c.ToolBar3, QStringLiteral("ToolButton%1").arg(ZoneButtonNumber(z, s)));
      b->setCheckable(true);
      b->setAutoRaise(false);
      b->setIconSize(QSize(16, 16));
      b->setGeometry(CW * (s - 1), gridH * (z - 1), CW, gridH);
      SetTag(b, s - 1);
      SetHelpContext(b, help_context::kZone1 - 1 + z);
      c.SetZoneButtonImage(b, 0);
      BindStageControl(b, h);
    }
  }
  y += 8 * gridH + 3;

  heading("StaticText284", &MainControls::StaticText284,
          QStringLiteral("Установите срабатывание исполнительных реле модулей KT-CM3"), y);
  y += rowH;
  const int headerH = rowH - 2;
  c.Panel16 = Make<QFrame>(panel, QStringLiteral("Panel16"));
  c.Panel16->setGeometry(L, y, 8 * CW, headerH + 8 * gridH);
  const int half = CW / 2;
  for (int s = 1; s <= 8; ++s) {
    QFrame* head = Make<QFrame>(c.Panel16, kRelayHeaders[s - 1].name);
    c.*(kRelayHeaders[s - 1].member) = head;
    head->setFrameStyle(QFrame::Panel | QFrame::Raised);
    head->setGeometry(CW * (s - 1), 0, CW, headerH);
    for (int r = 0; r < 2; ++r) {
      auto* k = new QLabel(r == 0 ? QStringLiteral("K1") : QStringLiteral("K2"), head);
      k->setAlignment(Qt::AlignCenter);
      k->setGeometry(half * r, 0, half, headerH);
    }
    for (int m = 1; m <= 8; ++m) {
      auto* cell = new QFrame(c.Panel16);
      cell->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
      cell->setGeometry(CW * (s - 1), headerH + gridH * (m - 1), CW, gridH);
      for (int r = 0; r < 2; ++r) {
        QCheckBox* box = StageCheck(cell, QStringLiteral("CheckBox%1").arg(RelayBoxNumber(m, s, r)), QString::number(r),
                                    s - 1, help_context::kModule1 - 1 + m);
        box->setGeometry(half * r + 4, 0, half - 4, gridH);
      }
    }
  }
  for (int m = 1; m <= 8; ++m)
    rowLabel(kModuleLabels[m - 1].name, kModuleLabels[m - 1].member, QStringLiteral("Модуль %1").arg(m),
             y + headerH + (m - 1) * gridH, gridH);
}

void MainControls::Builder::BuildScanPanel(QGridLayout* grid) {
  auto* scan = Make<QFrame>(c.Panel9, QStringLiteral("PanelScan"));
  c.PanelScan = scan;
  scan->setFrameStyle(QFrame::Box | QFrame::Raised);
  scan->setLineWidth(2);
  scan->setAutoFillBackground(true);
  scan->setFixedSize(380, 3 * rowH + 20);
  auto* lay = new QVBoxLayout(scan);
  lay->setContentsMargins(14, 8, 14, 10);
  c.scanCaption_ = new QLabel(scan);
  c.scanCaption_->setAlignment(Qt::AlignCenter);
  c.scanCaption_->setFont(Bold(c.scanCaption_->font()));
  lay->addWidget(c.scanCaption_);
  c.ProgressBar = Make<QProgressBar>(scan, QStringLiteral("ProgressBar"));
  c.ProgressBar->setRange(0, ProgressBarMaximum);
  c.ProgressBar->setValue(0);
  c.ProgressBar->setTextVisible(false);
  lay->addWidget(c.ProgressBar);
  // Over the middle of both panels, above them.
  grid->addWidget(scan, 0, 0, 1, 3, Qt::AlignCenter);
  scan->raise();
  scan->hide();
}
