#include "cli/CliCommand.h"

#include <QCoreApplication>

#include "cli/CliOutput.h"

namespace cli {

void ParseCommand(QCommandLineParser& parser, const QStringList& args, int minFiles, int maxFiles, bool json) {
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Эта справка."));
  parser.addOption(help);
  if (json) parser.addOption({QStringLiteral("json"), QStringLiteral("Ответ одним объектом JSON.")});
  // The parser takes the first argument for the program's name.
  QStringList line = args;
  line[0] = QStringLiteral("tesraconfig-cli ") + args.value(0);
  if (!parser.parse(line)) BadUse(Utf8(parser.errorText()));
  if (parser.isSet(help)) {
    // The toolkit names the program by its path; the command is what a user types.
    QString text = parser.helpText();
    text.replace(QCoreApplication::arguments().value(0), line[0]);
    OutBytes(Utf8(text));
    Fail(kOk, {});
  }
  const int n = static_cast<int>(parser.positionalArguments().size());
  if (n < minFiles || n > maxFiles) {
    const QString given = n > maxFiles ? parser.positionalArguments().value(maxFiles) : QString();
    BadUse(n > maxFiles ? "Лишний аргумент: " + Utf8(given)
                        : "Не хватает аргументов (tesraconfig-cli " + Utf8(args.value(0)) + " --help)");
  }
}

}  // namespace cli
