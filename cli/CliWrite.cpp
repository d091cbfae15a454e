// write: the plan check, then the core's verified write (backup read and
// save into the window's backups folder, the write, the read-back, the
// verdict). Prints the backup's path, then the verdict or the differences.
#include <QJsonObject>

#include "cli/CliAnswers.h"
#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliProject.h"
#include "cli/CliTransfer.h"
#include "plan/PlanCheck.h"
#include "plan/WindowPlan.h"

namespace cli {

int RunWrite(const QStringList& args) {
  using Kind = tesra::TransferOutcome::Kind;
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Запись проекта FILE.usr в контроллер: проверка конфигурации (ошибки останавливают запись, "
      "если не указан --force), чтение и сохранение резервной копии, запись 16 блоков и чтение для "
      "проверки. Печатает путь резервной копии, затем \"Запись проверена: 16 блоков\" (статус 0) или "
      "различия (статус 1)."));
  parser.addPositionalArgument(QStringLiteral("FILE.usr"), QStringLiteral("Проект."));
  AddLineOptions(parser);
  const QCommandLineOption force(QStringLiteral("force"), QStringLiteral("Записать и при ошибках проверки."));
  parser.addOption(force);
  ParseCommand(parser, args, 1, 1, true);
  const bool json = parser.isSet(QStringLiteral("json"));
  const QString usr = parser.positionalArguments().value(0);
  const tesra::ConfigImage image = LoadImage(usr);
  const tesra::MessageTimes times = LoadTimes(usr);
  const LineSettings line = ReadLineSettings(parser);
  QJsonObject answer{{"file", QString::fromStdString(Shown(usr))}, {"port", line.port}};

  // As in the window, errors hold the write up and warnings do not.
  const auto findings = tesra::CheckPlan(image, times);
  if (tesra::CountFindings(findings, tesra::FindingLevel::Error) > 0 && !parser.isSet(force)) {
    const std::string count = Utf8(FindingCountText(findings));
    if (json) {
      answer.insert("written", false);
      answer.insert("findings", FindingsJson(findings));
      OutJson(answer);
    } else {
      PrintFindings(findings);
    }
    ErrLine("Проверка конфигурации нашла замечания. " + count + " Запись не выполнена (--force: записать).");
    return kNo;
  }

  const tesra::TransferOutcome o = WriteController(line, image, times);
  const std::string backup = o.backup.empty() ? std::string() : Utf8(QString::fromStdU16String(o.backup.u16string()));
  const std::string status = tesra::OutcomeStatusText(o);
  const std::string error = tesra::OutcomeErrorText(o);
  const bool verified = o.kind == Kind::WriteVerified;
  if (json) {
    answer.insert("written", o.kind == Kind::WriteVerified || o.kind == Kind::WriteDiffers);
    answer.insert("verified", verified);
    if (!backup.empty()) answer.insert("backup", QString::fromStdString(backup));
    if (!status.empty()) answer.insert("status", QString::fromStdString(status));
    if (o.kind == Kind::WriteDiffers) answer.insert("differences", DifferencesJson(o.differences));
    if (!error.empty()) answer.insert("error", QString::fromStdString(error));
    OutJson(answer);
  } else {
    if (!backup.empty()) OutLine(backup);
    if (!status.empty()) OutLine(status);
    if (o.kind == Kind::WriteDiffers) PrintDifferences(o.differences);
  }
  switch (o.kind) {
    case Kind::WriteVerified: return kOk;
    case Kind::WriteDiffers: return kNo;
    // Without its backup on disk nothing was sent: the file could not be written.
    case Kind::BackupFailed: Fail(kBadUse, error);
    default: Fail(kController, error.empty() ? "Запись прервана" : error);
  }
}

}  // namespace cli
