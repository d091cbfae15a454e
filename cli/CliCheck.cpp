// check and compare of two files: answers from the files alone.
#include <QJsonArray>
#include <QJsonObject>

#include "cli/CliCommand.h"
#include "cli/CliDifferences.h"
#include "cli/CliOutput.h"
#include "cli/CliProject.h"
#include "plan/PlanCheck.h"

namespace cli {

int RunCheck(const QStringList& args) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Проверка конфигурации FILE.usr с временами сообщений из FILE.ini: замечания по строке "
      "(уровень, место, что не так) или \"Замечаний нет\". Статус 1, если есть ошибки."));
  parser.addPositionalArgument(QStringLiteral("FILE.usr"), QStringLiteral("Проект."));
  ParseCommand(parser, args, 1, 1, true);
  const QString usr = parser.positionalArguments().value(0);
  const tesra::ConfigImage image = LoadImage(usr);
  const auto findings = tesra::CheckPlan(image, LoadTimes(usr));
  const auto errors = tesra::CountFindings(findings, tesra::FindingLevel::Error);
  if (parser.isSet(QStringLiteral("json"))) {
    QJsonArray rows;
    for (const auto& f : findings) {
      QJsonObject row{{"level", tesra::LevelText(f.level)},
                      {"where", QString::fromStdString(f.where)},
                      {"what", QString::fromStdString(f.what)}};
      if (f.input >= 0) row.insert("input", f.input + 1);
      if (f.stage >= 0) row.insert("stage", f.stage + 1);
      rows.append(row);
    }
    OutJson({{"file", QString::fromStdString(Shown(usr))},
             {"errors", static_cast<int>(errors)},
             {"warnings", static_cast<int>(tesra::CountFindings(findings, tesra::FindingLevel::Warning))},
             {"findings", rows}});
  } else {
    if (findings.empty()) OutLine("Замечаний нет");
    for (const auto& f : findings) OutLine(std::string(tesra::LevelText(f.level)) + "\t" + f.where + "\t" + f.what);
  }
  return errors > 0 ? kNo : kOk;
}

}  // namespace cli
