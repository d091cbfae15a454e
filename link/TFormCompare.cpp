#include "link/TFormCompare.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

TFormCompare::TFormCompare(QWidget* parent) : QDialog(parent) {
  setObjectName("FormCompare");
  resize(640, 420);
  auto* layout = new QVBoxLayout(this);
  LabelCount = new QLabel(this);
  LabelCount->setObjectName("LabelCount");
  Grid = new QTableWidget(0, 3, this);
  Grid->setObjectName("Grid");
  Grid->setHorizontalHeaderLabels({QStringLiteral("Параметр"), QStringLiteral("Проект"), QStringLiteral("Контроллер")});
  Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid->verticalHeader()->hide();
  Grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  Grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  Grid->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  layout->addWidget(LabelCount);
  layout->addWidget(Grid);
}

void TFormCompare::ShowDifferences(const QString& title, const std::vector<tesra::FieldDifference>& differences) {
  setWindowTitle(title);
  LabelCount->setText(QStringLiteral("Различий: %1").arg(differences.size()));
  Grid->setRowCount(static_cast<int>(differences.size()));
  int row = 0;
  for (const auto& d : differences) {
    const QString cells[3] = {QString::fromStdString(d.name), QString::fromStdString(d.valueA),
                              QString::fromStdString(d.valueB)};
    for (int col = 0; col < 3; ++col) Grid->setItem(row, col, new QTableWidgetItem(cells[col]));
    ++row;
  }
  show();
  raise();
  activateWindow();
}
