// read: the controller's 16 blocks into a project pair, written only once
// all of them are in.
#include <QJsonObject>

#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliPort.h"
#include "cli/CliProject.h"
#include "cli/CliTransfer.h"
#include "link/Exchange.h"
#include "project/ProjectFiles.h"

namespace cli {

int RunRead(const QStringList& args) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Чтение 16 блоков контроллера в проект FILE.usr и FILE.ini. Времена сообщений - из --times, "
      "иначе все 0. Файлы пишутся, только когда прочитаны все блоки."));
  AddLineOptions(parser);
  const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("Проект."),
                                  QStringLiteral("FILE.usr"));
  const QCommandLineOption times(QStringLiteral("times"), QStringLiteral("Времена сообщений."),
                                 QStringLiteral("FILE.ini"));
  parser.addOption(output);
  parser.addOption(times);
  ParseCommand(parser, args, 0, 0, true);
  if (!parser.isSet(output)) BadUse("Не указан файл проекта: -o FILE.usr");
  // Everything the files need is at hand before the controller is asked.
  const tesra::MessageTimes messageTimes =
      parser.isSet(times) ? LoadTimes({}, parser.value(times)) : tesra::MessageTimes{};
  const LineSettings line = ReadLineSettings(parser);
  const QString usr = QString::fromStdString(tesra::ImageFileNameOf(parser.value(output).toStdString()));
  const QString ini = QString::fromStdString(tesra::CompanionFileName(usr.toStdString()));

  const tesra::ConfigImage image = ReadController(line);

  std::array<std::string, tesra::kMessageCount> texts;
  for (std::size_t i = 0; i < texts.size(); ++i)
    texts[i] = messageTimes[i].empty() ? tesra::kMissingMessageTime : messageTimes[i];
  if (!tesra::WriteImageFile(FsPath(usr), image)) BadUse("Ошибка записи файла " + Shown(usr) + " !");
  if (!tesra::WriteMessageTimes(FsPath(ini), texts)) BadUse("Ошибка записи файла " + Shown(ini) + " !");
  if (parser.isSet(QStringLiteral("json")))
    OutJson({{"port", line.port},
             {"blocks", static_cast<int>(tesra::Exchange::kBlocks)},
             {"file", QString::fromStdString(Shown(usr))},
             {"times", QString::fromStdString(Shown(ini))}});
  else
    OutLine(Shown(usr));
  return kOk;
}

}  // namespace cli
