// The differences between the project and what the controller holds, one row
// per field in the window's own words, with their count above the table.
#pragma once

#include <vector>

#include <QDialog>

#include "config/ImageDifferences.h"

class QLabel;
class QTableWidget;

class TFormCompare : public QDialog {
  Q_OBJECT

 public:
  explicit TFormCompare(QWidget* parent = nullptr);

  // Fills the table (columns "Параметр", "Проект", "Контроллер") and shows the
  // window, non-modal, under `title`.
  void ShowDifferences(const QString& title, const std::vector<tesra::FieldDifference>& differences);

  QLabel* LabelCount = nullptr;
  QTableWidget* Grid = nullptr;
};
