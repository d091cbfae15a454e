// compare: two project files, or a project against what a controller holds.
#include <QJsonObject>

#include "cli/CliAnswers.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliPort.h"
#include "cli/CliProject.h"
#include "cli/CliTransfer.h"

namespace cli {

int RunCompare(const QStringList& args) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "compare FILE.usr --port N: проект против памяти контроллера (она не меняется).\n"
      "compare A.usr B.usr: два проекта.\n"
      "Различия по строке: \"Параметр<TAB>первый<TAB>второй\", или \"Различий нет\". "
      "Статус 0 - равны, 1 - различаются."));
  parser.addPositionalArgument(QStringLiteral("A.usr"), QStringLiteral("Проект."));
  parser.addPositionalArgument(QStringLiteral("[B.usr]"), QStringLiteral("Второй проект (без --port)."));
  AddLineOptions(parser);
  ParseCommand(parser, args, 1, 2, true);
  const QStringList files = parser.positionalArguments();
  const bool withPort = parser.isSet(QStringLiteral("port"));
  if (withPort == (files.size() == 2))
    BadUse("Сравниваются либо FILE.usr --port N, либо A.usr B.usr");

  const tesra::ConfigImage first = LoadImage(files[0]);
  QJsonObject answer{{"first", QString::fromStdString(Shown(files[0]))}};
  std::vector<tesra::FieldDifference> differences;
  if (withPort) {
    const LineSettings line = ReadLineSettings(parser);
    differences = CompareController(line, first);
    answer.insert("port", line.port);
  } else {
    differences = tesra::ImageDifferences(first, LoadImage(files[1]));
    answer.insert("second", QString::fromStdString(Shown(files[1])));
  }
  if (parser.isSet(QStringLiteral("json"))) {
    answer.insert("equal", differences.empty());
    answer.insert("differences", DifferencesJson(differences));
    OutJson(answer);
  } else {
    PrintDifferences(differences);
  }
  return differences.empty() ? kOk : kNo;
}

}  // namespace cli
