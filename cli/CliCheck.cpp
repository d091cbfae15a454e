// check: the plan check of a project, from its files alone.
#include <QJsonObject>

#include "cli/CliAnswers.h"
#include "cli/CliCommand.h"
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
  if (parser.isSet(QStringLiteral("json")))
    OutJson({{"file", QString::fromStdString(Shown(usr))},
             {"errors", static_cast<int>(errors)},
             {"warnings", static_cast<int>(tesra::CountFindings(findings, tesra::FindingLevel::Warning))},
             {"findings", FindingsJson(findings)}});
  else
    PrintFindings(findings);
  return errors > 0 ? kNo : kOk;
}

}  // namespace cli
