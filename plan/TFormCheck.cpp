#include "plan/TFormCheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QMainWindow>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "controls/MainContext.h"
#include "controls/MainControls.h"
#include "controls/Prompter.h"
#include "editor/Editor.h"
#include "plan/WindowPlan.h"

using namespace tesra;

namespace {

// The control a finding of the system section is about.
QWidget* ControlOf(MainControls& c, FieldId id) {
  switch (id) {
    case FieldId::Splitters: return c.ComboBox57;
    case FieldId::Modules: return c.ComboBox56;
    case FieldId::FireConsoles: return c.ComboBox55;
    case FieldId::AnnouncerConsoles: return c.ComboBox54;
    case FieldId::MusicPreset1: return c.MusicZoneBoxes[0];
    case FieldId::MusicPreset2: return c.MusicZoneBoxes[8];
    case FieldId::AuxZones: return c.InputZoneBoxes[MainControls::InputAux][0];
    case FieldId::RingZones: return c.InputZoneBoxes[MainControls::InputRing][0];
    case FieldId::TelZones: return c.InputZoneBoxes[MainControls::InputTel][0];
    default: return nullptr;
  }
}

}  // namespace

TFormCheck::TFormCheck(MainContext& ctx, Editor& editor, QWidget* parent)
    : QWidget(parent, Qt::Window), ctx_(ctx), editor_(editor) {
  setObjectName("FormCheck");
  setWindowTitle(QStringLiteral("Проверка"));
  resize(1040, 340);
  Grid = new QTableWidget(0, 3, this);
  Grid->setObjectName("Grid");
  Grid->setHorizontalHeaderLabels({QStringLiteral("Уровень"), QStringLiteral("Где"), QStringLiteral("Что")});
  Grid->verticalHeader()->hide();
  Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
  Grid->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid->setWordWrap(true);  // long places and texts wrap rather than hide
  Grid->setColumnWidth(0, 120);
  Grid->setColumnWidth(1, 280);
  Grid->horizontalHeader()->setStretchLastSection(true);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(Grid);
  // Rows take the height their wrapped texts need at the columns' widths.
  connect(Grid->horizontalHeader(), &QHeaderView::sectionResized, Grid, [this] { Grid->resizeRowsToContents(); });
  connect(Grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { SelectFinding(row); });
}

void TFormCheck::Run() {
  findings_ = CheckShownPlan(ctx_);
  Fill();
  if (findings_.empty()) {
    hide();
    if (ctx_.Prompts) ctx_.Prompts->Information(QStringLiteral("Замечаний нет"));
    return;
  }
  setWindowTitle(QStringLiteral("Проверка: ") + FindingCountText(findings_));
  show();
  raise();
  activateWindow();
}

void TFormCheck::Fill() {
  Grid->setRowCount(static_cast<int>(findings_.size()));
  for (int row = 0; row < static_cast<int>(findings_.size()); ++row) {
    const Finding& f = findings_[static_cast<std::size_t>(row)];
    const QString cells[3] = {QString::fromUtf8(LevelText(f.level)), QString::fromStdString(f.where),
                              QString::fromStdString(f.what)};
    for (int col = 0; col < 3; ++col) {
      auto* item = new QTableWidgetItem(cells[col]);
      item->setToolTip(cells[col]);
      if (col == 0 && f.level == FindingLevel::Error) item->setForeground(QColor(190, 0, 0));
      Grid->setItem(row, col, item);
    }
  }
  Grid->resizeRowsToContents();
}

void TFormCheck::SelectFinding(int row) {
  if (row < 0 || row >= static_cast<int>(findings_.size()) || !ctx_.Controls) return;
  const Finding& f = findings_[static_cast<std::size_t>(row)];
  MainControls& c = *ctx_.Controls;
  QWidget* target = nullptr;
  if (f.input >= 0 && f.input < 8 && f.stage >= 0 && f.stage < 8) {
    // The same as the user's press of the input's button.
    editor_.SpeedButton1Click(c.InputButtons[static_cast<std::size_t>(f.input)]);
    const auto s = static_cast<std::size_t>(f.stage);
    target = c.StageButtons[s]->isEnabled() ? static_cast<QWidget*>(c.StageButtons[s]) : c.InputButtons[f.input];
  } else {
    target = ControlOf(c, f.field);
  }
  if (c.Window) {
    c.Window->raise();
    c.Window->activateWindow();
  }
  if (target && target->isEnabled()) target->setFocus(Qt::OtherFocusReason);
}
