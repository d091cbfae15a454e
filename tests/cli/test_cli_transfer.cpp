// tesraconfig-cli against the controller emulator on a pty, as a new user
// would try it: each command, each exit status, faults that persist and a
// controller that stores what it did not echo.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include "project/ProjectFiles.h"
#include "tests/cli/CliProcess.h"
#include "tests/project/TempDir.h"
#include "tests/tools/EmulatorProcess.h"

using clitest::At;
using clitest::CliRun;
using clitest::kDocs;
using clitest::RunCli;
using tesra::test::ReadBytes;
using tesra::test::WriteBytes;

namespace {

struct Case {
  const char* what;
  std::vector<std::string> emulator;  // fault options
  QStringList args;                   // "@" stands for the test's folder
  int status;
  QStringList out;     // lines stdout holds; none: stdout is empty
  QString err;         // stderr is this one line; empty: nothing
  QString memoryAfter; // what the controller holds afterwards: a file, or empty for "as before"
  QString written = {};  // a file the command must not have made
};

}  // namespace

TEST(CommandLineWithController, EachCommandAndExitStatus) {
  const std::string example = ReadBytes((kDocs + "example.usr").toStdString());
  std::string changed = example;
  changed[10] = static_cast<char>(changed[10] ^ 0x04);  // IN 1, 1 этап: zone 3 off

  const std::vector<Case> cases = {
      {"the ports and who answers", {}, {"ports", "--probe"}, 0, {"COM1\t@COM1\tконтроллер отвечает"}, {}, {}},
      {"a read", {}, {"read", "--port", "1", "-o", "@read.usr"}, 0, {"@read.usr"}, {}, {}},
      {"a read with its times", {}, {"read", "--port", "1", "-o", "@timed.usr", "--times", kDocs + "example.ini"},
       0, {"@timed.usr"}, {}, {}},
      {"a block that never gets its reply", {"--reply-withheld", "0x40"},
       {"read", "--port", "1", "-o", "@lost.usr"}, 2, {}, "Ошибка чтения блока 0040: нет ответа !", {}, "@lost.usr"},
      {"a silent controller", {"--silent"}, {"read", "--port", "1", "-o", "@silent.usr"}, 2, {},
       "Ошибка чтения блока 0000: нет ответа !", {}, "@silent.usr"},
      {"a times file that is not there", {}, {"read", "--port", "1", "-o", "@t.usr", "--times", "@none.ini"}, 3, {},
       "Ошибка открытия файла @none.ini !", {}, "@t.usr"},
      {"a port that does not exist", {}, {"read", "--port", "7", "-o", "@p.usr"}, 3, {},
       "Порт COM7 не существует", {}, "@p.usr"},
      {"a verified write", {}, {"write", "@changed.usr", "--port", "1"}, 0, {"Запись проверена: 16 блоков"}, {},
       "@changed.usr"},
      {"a controller that stores otherwise", {"--store-differently", "0x0"},
       {"write", "@changed.usr", "--port", "1"}, 1,
       {"Запись не подтверждена", "Усилитель мощности KT-400AM\tда\tнет"}, {}, {}},
      {"errors in the plan stop the write", {}, {"write", kDocs + "example-findings.usr", "--port", "1"}, 1,
       {"Ошибка\tIN 3, 1 этап\tЭтап включен, но сообщение не выбрано (\"Не выбр\")"},
       "Проверка конфигурации нашла замечания. Ошибок: 2, предупреждений: 6. Запись не выполнена (--force: "
       "записать).",
       {}},
      {"--force writes all the same", {}, {"write", kDocs + "example-findings.usr", "--port", "1", "--force"}, 0,
       {"Запись проверена: 16 блоков"}, {}, kDocs + "example-findings.usr"},
      {"the controller against a project", {}, {"compare", "@changed.usr", "--port", "1"}, 1,
       {"IN 1, 1 этап, Зоны\t1, 2, 4\t1, 2, 3, 4"}, {}, {}},
      {"the controller equal to the project", {}, {"compare", kDocs + "example.usr", "--port", "1"}, 0,
       {"Различий нет"}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir dir;
    const QString d = dir.path() + '/';
    WriteBytes((d + "memory.usr").toStdString(), example);
    WriteBytes((d + "changed.usr").toStdString(), changed);
    std::vector<std::string> args = {"--link-dir", dir.path().toStdString(), "--port", "1",
                                     "--memory", (d + "memory.usr").toStdString(), "--save",
                                     (d + "saved.usr").toStdString()};
    args.insert(args.end(), c.emulator.begin(), c.emulator.end());
    emutest::EmulatorProcess emulator(args);
    ASSERT_FALSE(emulator.path().empty());

    const CliRun r = RunCli(At(c.args, d), {{"TESRACONFIG_COM_DIR", dir.path()}, {"XDG_DATA_HOME", d + "data"}});
    clitest::ExpectAnswer(r, c.status, c.out, c.err, d);
    const QStringList out = r.Out().split('\n', Qt::SkipEmptyParts);
    if (!c.written.isEmpty()) {
      EXPECT_FALSE(QFile::exists(At(c.written, d)));
    }
    emulator.Stop();

    // What the controller holds: the project written, or what it held.
    const std::string after = ReadBytes((d + "saved.usr").toStdString());
    if (!c.memoryAfter.isEmpty()) {
      EXPECT_EQ(after, ReadBytes(At(c.memoryAfter, d).toStdString()));
    } else if (c.emulator.empty()) {
      EXPECT_EQ(after, example);
    }

    // A write's first line is its backup: what the controller held before.
    if (c.args[0] == "write" && !out.isEmpty() && out[0].endsWith(".usr")) {
      EXPECT_TRUE(out[0].startsWith(d + "data/TesraConfig/backups/")) << out[0].toStdString();
      EXPECT_EQ(ReadBytes(out[0].toStdString()), example);
    }
    if (c.args[0] == "read" && c.status == 0) {
      EXPECT_EQ(ReadBytes(At(c.args[4], d).toStdString()), example);
      const auto times = tesra::ReadMessageTimes(At(c.args[4], d).replace(".usr", ".ini").toStdString());
      const auto expected = c.args.contains("--times") ? tesra::ReadMessageTimes((kDocs + "example.ini").toStdString())
                                                       : decltype(times){};
      for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_EQ(times[i], expected[i].empty() ? "0" : expected[i]) << "message " << i + 1;
    }
  }
}

// Ctrl+C once the blocks are going out: the write is cut short, and the
// command says after which block and where the backup to undo it is.
TEST(CommandLineWithController, CtrlCDuringAWriteSaysWhereToUndoIt) {
  QTemporaryDir dir;
  const QString d = dir.path() + '/';
  // A slow line, so the write is still going when Ctrl+C comes.
  emutest::EmulatorProcess emulator({"--link-dir", dir.path().toStdString(), "--port", "1", "--baud", "1200",
                                     "--memory", (kDocs + "example.usr").toStdString()});
  ASSERT_FALSE(emulator.path().empty());
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("TESRACONFIG_COM_DIR"), dir.path());
  env.insert(QStringLiteral("XDG_DATA_HOME"), d + "data");
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(TESRA_CLI), {"write", kDocs + "example-findings.usr", "--force", "--port", "1", "--baud", "1200"});
  // The backup is on disk before the first block goes out.
  const QDir backups(d + "data/TesraConfig/backups");
  for (int waited = 0; waited < 60000 && backups.entryList({"*.usr"}, QDir::Files).isEmpty(); waited += 10)
    QThread::msleep(10);
  ASSERT_FALSE(backups.entryList({"*.usr"}, QDir::Files).isEmpty());
  ::kill(static_cast<pid_t>(p.processId()), SIGINT);
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 2);
  const QString backup = backups.filePath(backups.entryList({"*.usr"}, QDir::Files).value(0));
  const QStringList err = QString::fromUtf8(p.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(err.size(), 2);
  EXPECT_TRUE(err[0].startsWith(QStringLiteral("Запись прервана после блока "))) << err[0].toStdString();
  EXPECT_EQ(err[1], QStringLiteral("Резервная копия: ") + backup);
  // stdout: the backup first, then the status the window shows for it.
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
            QStringList({backup, QStringLiteral("Запись не подтверждена")}));
}
