#include "diag/TDbg.h"

#include <QFont>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "config/HexText.h"

namespace {
void SetCell(QTableWidget* grid, int row, int column, const QString& text) {
  QTableWidgetItem* item = grid->item(row, column);
  if (!item) {
    item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    grid->setItem(row, column, item);
  } else if (item->text() != text) {
    item->setText(text);
  }
}

// A heading cell: made whole before it goes into the grid, so the grid's model
// announces it once instead of once per property.
void SetFixedCell(QTableWidget* grid, int row, int column, const QString& text, const QBrush& background) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled);
  item->setBackground(background);
  item->setTextAlignment(Qt::AlignCenter);
  grid->setItem(row, column, item);
}
}  // namespace

TDbg::TDbg(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Dbg");
  setWindowTitle(QStringLiteral("Dbg"));
  resize(288, 593);
  move(735, 0);

  SG = new QTableWidget(kRows, kColumns, this);
  SG->setObjectName("SG");
  // Row 0 and column 0 are the grid's own fixed cells; the view's headers stay hidden.
  SG->horizontalHeader()->hide();
  SG->verticalHeader()->hide();
  SG->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QFont small = SG->font();
  small.setPixelSize(9);
  SG->setFont(small);
  SG->horizontalHeader()->setMinimumSectionSize(1);
  SG->verticalHeader()->setMinimumSectionSize(1);
  SG->horizontalHeader()->setDefaultSectionSize(24);
  SG->verticalHeader()->setDefaultSectionSize(16);
  SG->setColumnWidth(0, 30);
  SG->setColumnWidth(9, 28);

  const QBrush fixed = SG->palette().button();
  for (int k = 0; k < kColumns; ++k)
    SetFixedCell(SG, 0, k, k >= 1 && k <= 8 ? QString::number(8 - k) : QString(), fixed);
  for (int i = 0; i < static_cast<int>(tesra::kImageSize); ++i)
    SetFixedCell(SG, i + 1, 0, QString::fromStdString(tesra::Hex4(static_cast<std::uint32_t>(i))), fixed);

  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(SG);
}

void TDbg::Refresh(const tesra::ConfigImage& image) {
  if (!isVisible()) return;
  static const QString kOne = QStringLiteral("1"), kZero = QStringLiteral("0");
  for (int i = 0; i < static_cast<int>(tesra::kImageSize); ++i) {
    const std::uint8_t b = image[static_cast<std::size_t>(i)];
    for (int bit = 0; bit < 8; ++bit) SetCell(SG, i + 1, 8 - bit, (b >> bit) & 1 ? kOne : kZero);
    SetCell(SG, i + 1, 9, QString::number(b));
  }
}
