#include "cli/CliDifferences.h"

#include <QJsonObject>
#include <QString>

#include "cli/CliOutput.h"

namespace cli {

void PrintDifferences(const std::vector<tesra::FieldDifference>& differences) {
  if (differences.empty()) OutLine("Различий нет");
  for (const auto& d : differences) OutLine(d.name + "\t" + d.valueA + "\t" + d.valueB);
}

QJsonArray DifferencesJson(const std::vector<tesra::FieldDifference>& differences) {
  QJsonArray rows;
  for (const auto& d : differences)
    rows.append(QJsonObject{{"name", QString::fromStdString(d.name)},
                            {"first", QString::fromStdString(d.valueA)},
                            {"second", QString::fromStdString(d.valueB)}});
  return rows;
}

}  // namespace cli
