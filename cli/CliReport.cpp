// report: the bytes the window's Отчет writes. The report reads the window's
// controls, which the editor sets from the image by its own rules (stage
// chains, offered zones, console lists); so the command opens the project in
// the window's own controls, never shown, and asks the report command for
// its bytes. A second reading of the image would be a second editor.
#include <QApplication>
#include <QWidget>

#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliProject.h"
#include "controls/MainContext.h"
#include "controls/MainControls.h"
#include "controls/Prompter.h"
#include "editor/Editor.h"
#include "project/AtomicFile.h"
#include "project/ProjectCommands.h"
#include "report/ReportCommand.h"

namespace cli {
namespace {

// Nobody to ask: a box the window would show ends the command with its text.
class NoOnePrompter : public Prompter {
 public:
  BoxAnswer Message(BoxKind, const QString&, const QString& text, BoxButtons) override { BadUse(Utf8(text)); }
  QString OpenFileName(QWidget*, const QString&) override { return {}; }
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  int ExecModal(QDialog&) override { return 2; }
};

}  // namespace

int RunReport(const QStringList& args) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Отчет по проекту FILE.usr (с FILE.ini) байт в байт как его пишет кнопка \"Отчет\": "
      "Windows-1251, строки CRLF. Без -o отчет выводится в stdout."));
  parser.addPositionalArgument(QStringLiteral("FILE.usr"), QStringLiteral("Проект."));
  const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                  QStringLiteral("Файл отчета."), QStringLiteral("FILE.txt"));
  parser.addOption(output);
  ParseCommand(parser, args, 1, 1);
  const QString usr = parser.positionalArguments().value(0);
  LoadImage(usr);  // the window would pad a short file; the command refuses it first

  // The main window's parts in its construction order, then Open of the named file.
  NoOnePrompter prompter;
  QWidget panel9;
  MainControls controls;
  MainContext ctx;
  ctx.Controls = &controls;
  ctx.Prompts = &prompter;
  Editor editor(ctx);
  controls.Build(&panel9, editor);
  ctx.SavedFlag = 1;
  editor.ShowSystemSection();
  editor.ShowInputAlgorithm();
  editor.UpdateControlStates(QStringLiteral("ALL"));
  ctx.SavedFlag = 1;
  if (!ProjectCommands(ctx, editor, prompter).OpenProjectFile(usr))
    BadUse("Ошибка открытия файла " + Shown(usr) + " !");
  const std::string bytes = ReportCommand(ctx, editor, prompter).ReportBytes();

  if (!parser.isSet(output)) {
    OutBytes(bytes);
    return kOk;
  }
  const QString file = parser.value(output);
  if (!tesra::WriteFileAtomically(FsPath(file), bytes)) BadUse("Ошибка записи файла " + Shown(file) + " !");
  return kOk;
}

}  // namespace cli
