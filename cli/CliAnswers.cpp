#include "cli/CliAnswers.h"

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

void PrintFindings(const std::vector<tesra::Finding>& findings) {
  if (findings.empty()) OutLine("Замечаний нет");
  for (const auto& f : findings) OutLine(std::string(tesra::LevelText(f.level)) + "\t" + f.where + "\t" + f.what);
}

QJsonArray FindingsJson(const std::vector<tesra::Finding>& findings) {
  QJsonArray rows;
  for (const auto& f : findings) {
    QJsonObject row{{"level", tesra::LevelText(f.level)},
                    {"where", QString::fromStdString(f.where)},
                    {"what", QString::fromStdString(f.what)}};
    if (f.input >= 0) row.insert("input", f.input + 1);
    if (f.stage >= 0) row.insert("stage", f.stage + 1);
    rows.append(row);
  }
  return rows;
}

}  // namespace cli
