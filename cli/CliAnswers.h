// Differences between two images as the comparison window lists them: one
// line per row, "Параметр<TAB>first<TAB>second", or "Различий нет".
#pragma once

#include <vector>

#include <QJsonArray>

#include "config/ImageDifferences.h"

namespace cli {

void PrintDifferences(const std::vector<tesra::FieldDifference>& differences);
// [{"name":..., "first":..., "second":...}]
QJsonArray DifferencesJson(const std::vector<tesra::FieldDifference>& differences);

}  // namespace cli
