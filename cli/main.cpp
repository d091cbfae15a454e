// tesraconfig-cli: the window's transfers, checks and report for scripts.
// The first argument names the command; each command parses the rest.
#include <cstdlib>
#include <memory>
#include <string>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>

#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "cli/CliPort.h"
#include "link/EventLoopQueue.h"
#include "serial/GuiQueue.h"

#ifndef TESRA_VERSION
#define TESRA_VERSION "0"
#endif

namespace {

enum class Needs { Core, Painting, Widgets };

struct Command {
  const char* name;
  const char* synopsis;
  Needs needs;
  int (*run)(const QStringList& args);
};

const Command kCommands[] = {
    {"ports", "ports [--probe]", Needs::Core, cli::RunPorts},
    {"read", "read --port N -o FILE.usr [--times FILE.ini]", Needs::Core, cli::RunRead},
    {"write", "write FILE.usr --port N [--force]", Needs::Core, cli::RunWrite},
    {"compare", "compare FILE.usr --port N | compare A.usr B.usr", Needs::Core, cli::RunCompare},
    {"check", "check FILE.usr", Needs::Core, cli::RunCheck},
    {"report", "report FILE.usr [-o FILE.txt]", Needs::Widgets, cli::RunReport},
    {"timeline", "timeline FILE.usr -o OUT.pdf|OUT.png [--input K]", Needs::Painting, cli::RunTimeline},
};

const Command* FindCommand(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

std::string Usage() {
  std::string text =
      "Использование: tesraconfig-cli КОМАНДА [параметры]\n"
      "Чтение, запись, сравнение, проверка и отчет без окна.\n\nКоманды:\n";
  for (const Command& c : kCommands) text += std::string("  tesraconfig-cli ") + c.synopsis + "\n";
  text +=
      "\nПараметры порта: --baud, --data-bits, --parity, --stop-bits, --no-crc-check.\n"
      "--json (read, write, compare, check): ответ одним объектом JSON. КОМАНДА --help: справка по команде.\n"
      "Статус: 0 да, 1 нет (различия, ошибки, запись не подтверждена), 2 контроллер не ответил как должен, "
      "3 неверный вызов или файл.\n";
  return text;
}

// The application object the command needs: the report builds the window's
// controls (never shown), the timeline paints; nothing else needs a display.
std::unique_ptr<QCoreApplication> MakeApplication(Needs needs, int& argc, char** argv) {
#ifndef _WIN32
  if (needs != Needs::Core && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  switch (needs) {
    case Needs::Widgets: return std::make_unique<QApplication>(argc, argv);
    case Needs::Painting: return std::make_unique<QGuiApplication>(argc, argv);
    case Needs::Core: break;
  }
  return std::make_unique<QCoreApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  cli::SetUpConsole();
  // stderr carries the command's own lines only; the toolkit's notes (no
  // runtime folder, fonts) would break a script's one-line reading.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtFatalMsg) cli::ErrLine(cli::Utf8(text));
  });
  const std::string first = argc > 1 ? argv[1] : "";
  const Command* command = FindCommand(first);
  auto app = MakeApplication(command ? command->needs : Needs::Core, argc, argv);
  // The backups folder is the window's: the same application name.
  QCoreApplication::setApplicationName(QStringLiteral("TesraConfig"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TESRA_VERSION));
  // The port's workers hand their events to this thread through the queue.
  tesra::DrainOnEventLoop(tesra::GuiQueue::Main());

  int status = cli::kOk;
  if (!command) {
    if (first == "--version" || first == "-v") {
      cli::OutLine("tesraconfig-cli " TESRA_VERSION);
    } else if (first == "--help" || first == "-h" || first == "help") {
      cli::OutBytes(Usage());
    } else {
      cli::ErrLine(first.empty() ? "Не указана команда (tesraconfig-cli --help)"
                                 : "Неизвестная команда: " + first + " (tesraconfig-cli --help)");
      status = cli::kBadUse;
    }
  } else {
    QStringList args = QCoreApplication::arguments().mid(1);
    try {
      status = command->run(args);
    } catch (const cli::Failure& f) {
      if (!f.line.empty()) cli::ErrLine(f.line);
      status = f.code;
    } catch (const std::exception& e) {
      cli::ErrLine(e.what());
      status = cli::kBadUse;
    }
  }
  tesra::GuiQueue::Main().SetWakeHook(nullptr);
  return status;
}
