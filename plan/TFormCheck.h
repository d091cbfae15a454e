// The findings of the plan check in a table (level, where, what). A double
// click shows that input and brings its stage's box into focus in the editor.
#pragma once

#include <vector>

#include <QWidget>

#include "plan/PlanCheck.h"

class Editor;
class QTableWidget;
struct MainContext;

class TFormCheck : public QWidget {
  Q_OBJECT

 public:
  TFormCheck(MainContext& ctx, Editor& editor, QWidget* parent = nullptr);

  // Runs the check on what the editor holds: the findings in the table, or
  // "Замечаний нет" in an information box (and the window goes).
  void Run();
  // Shows the place of the finding in that row in the editor.
  void SelectFinding(int row);

  const std::vector<tesra::Finding>& Findings() const { return findings_; }

  QTableWidget* Grid = nullptr;

 private:
  void Fill();

  MainContext& ctx_;
  Editor& editor_;
  std::vector<tesra::Finding> findings_;
};
