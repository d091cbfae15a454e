// The answers as lines and as JSON: the differences between two images as
// the comparison window lists them, and the plan check's findings.
#pragma once

#include <vector>

#include <QJsonArray>

#include "config/ImageDifferences.h"
#include "plan/PlanCheck.h"

namespace cli {

// One line per row, "Параметр<TAB>first<TAB>second", or "Различий нет".
void PrintDifferences(const std::vector<tesra::FieldDifference>& differences);
// [{"name":..., "first":..., "second":...}]
QJsonArray DifferencesJson(const std::vector<tesra::FieldDifference>& differences);

// One line per finding, "level<TAB>place<TAB>text", or "Замечаний нет".
void PrintFindings(const std::vector<tesra::Finding>& findings);
// [{"level":..., "where":..., "what":..., "input":n, "stage":n}]
QJsonArray FindingsJson(const std::vector<tesra::Finding>& findings);

}  // namespace cli
