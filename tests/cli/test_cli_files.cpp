// tesraconfig-cli on project files: every command that needs no controller,
// its exit status and its answer, and the report against the window's own.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QToolButton>

#include "report/TextEditorLauncher.h"
#include "tests/cli/CliProcess.h"
#include "tests/project/TempDir.h"
#include "tests/support/MainWindowFixture.h"

using clitest::At;
using clitest::CliRun;
using clitest::kDocs;
using clitest::RunCli;
using tesra::test::ReadBytes;
using tesra::test::WriteBytes;

namespace {

struct Case {
  const char* what;
  QStringList args;  // "@" stands for the test's folder
  int status;
  QStringList out;   // lines stdout holds; none: stdout is empty
  QString err;       // stderr is this one line; empty: nothing on stderr
  QString file = {}; // a file the command writes, and how it begins
  QByteArray head = {};
};

}  // namespace

TEST(CommandLine, AnswersFromFilesWithTheirExitStatus) {
  QTemporaryDir dir;
  const QString d = dir.path() + '/';
  WriteBytes((d + "short.usr").toStdString(), std::string(511, '\0'));
  WriteBytes((d + "long.usr").toStdString(), std::string(513, '\0'));
  WriteBytes((d + "zero.usr").toStdString(), std::string(512, '\0'));
  std::string changed = ReadBytes((kDocs + "example.usr").toStdString());
  changed[0x1F0] = static_cast<char>(changed[0x1F0] ^ 0x01);  // a byte no control shows
  changed[10] = static_cast<char>(changed[10] ^ 0x04);         // IN 1, 1 этап: zone 3 off
  WriteBytes((d + "changed.usr").toStdString(), changed);
  WriteBytes((d + "plain.txt").toStdString(), "not a project");

  const std::vector<Case> cases = {
      {"a sound project", {"check", kDocs + "example.usr"}, 0, {"Замечаний нет"}, {}},
      {"findings with errors",
       {"check", kDocs + "example-findings.usr"},
       1,
       {"Ошибка\tIN 3, 1 этап\tЭтап включен, но сообщение не выбрано (\"Не выбр\")",
        "Предупреждение\tIN 4, 2 этап\tЭтап никогда не прозвучит: 1 этап повторяется без ограничения"},
       {}},
      {"equal files", {"compare", kDocs + "example.usr", kDocs + "example.usr"}, 0, {"Различий нет"}, {}},
      {"differing files",
       {"compare", kDocs + "example.usr", "@changed.usr"},
       1,
       {"IN 1, 1 этап, Зоны\t1, 2, 3, 4\t1, 2, 4", "Байты без назначения 01F0..01F0\t00\t01"},
       {}},
      {"the timeline as PDF", {"timeline", kDocs + "example.usr", "-o", "@t.pdf"}, 0, {}, {}, "@t.pdf", "%PDF"},
      {"one input as PNG",
       {"timeline", kDocs + "example.usr", "-o", "@t.png", "--input", "3"}, 0, {}, {}, "@t.png", "\x89PNG"},
      {"the report into a file", {"report", kDocs + "example.usr", "-o", "@r.txt"}, 0, {}, {}, "@r.txt",
       "\t\t\t\xD1\xE8\xF1\xF2\xE5\xEC\xE0"},
      {"--version", {"--version"}, 0, {"tesraconfig-cli 1.0.0"}, {}},
      // Bad use: one line, status 3, nothing written.
      {"a short .usr", {"check", "@short.usr"}, 3, {}, "Файл @short.usr: 511 байт, а конфигурация занимает 512"},
      {"a long .usr", {"compare", "@long.usr", "@zero.usr"}, 3, {},
       "Файл @long.usr: 513 байт, а конфигурация занимает 512"},
      {"a missing .usr", {"report", "@none.usr", "-o", "@r2.txt"}, 3, {}, "Ошибка открытия файла @none.usr !"},
      {"an unknown option", {"check", "--frobnicate", kDocs + "example.usr"}, 3, {}, "Unknown option 'frobnicate'."},
      {"an unknown command", {"frobnicate"}, 3, {}, "Неизвестная команда: frobnicate (tesraconfig-cli --help)"},
      {"no file", {"check"}, 3, {}, "Не хватает аргументов (tesraconfig-cli check --help)"},
      {"a port beside two files", {"compare", "@zero.usr", "@zero.usr", "--port", "1"}, 3, {},
       "Сравниваются либо FILE.usr --port N, либо A.usr B.usr"},
      {"an input beyond eight", {"timeline", "@zero.usr", "-o", "@t3.png", "--input", "9"}, 3, {},
       "Неверный номер входа: 9 (1..8)"},
      {"a folder that cannot hold the report", {"report", "@zero.usr", "-o", "@no/such/r.txt"}, 3, {},
       "Ошибка записи файла @no/such/r.txt !"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CliRun r = RunCli(At(c.args, d));
    clitest::ExpectAnswer(r, c.status, c.out, c.err, d);
    // A refused command leaves no file behind.
    if (c.status == 3) {
      EXPECT_FALSE(QFile::exists(d + "r2.txt") || QFile::exists(d + "t3.png"));
    }
    if (!c.file.isEmpty()) {
      const QByteArray bytes = QByteArray::fromStdString(ReadBytes(At(c.file, d).toStdString()));
      EXPECT_TRUE(bytes.startsWith(c.head)) << bytes.left(16).toHex().toStdString();
    }
  }
}

TEST(CommandLine, JsonCarriesTheSameFacts) {
  const CliRun check = RunCli({"check", "--json", kDocs + "example-findings.usr"});
  EXPECT_EQ(check.status, 1);
  const QJsonObject c = QJsonDocument::fromJson(check.out).object();
  EXPECT_GT(c["errors"].toInt(), 0);
  EXPECT_EQ(c["findings"].toArray().size(), c["errors"].toInt() + c["warnings"].toInt());
  const QJsonObject first = c["findings"].toArray()[0].toObject();
  EXPECT_EQ(first["level"].toString(), QStringLiteral("Предупреждение"));
  EXPECT_EQ(first["where"].toString(), QStringLiteral("Зоны трансляции фоновой музыки, Пресет2"));

  const CliRun equal = RunCli({"compare", "--json", kDocs + "example.usr", kDocs + "example.usr"});
  EXPECT_EQ(equal.status, 0);
  const QJsonObject e = QJsonDocument::fromJson(equal.out).object();
  EXPECT_TRUE(e["equal"].toBool());
  EXPECT_TRUE(e["differences"].toArray().isEmpty());
}

// The same project through the window's Отчет and through the command line.
TEST(CommandLine, ReportIsTheWindowsReportByteForByte) {
  struct Project {
    const char* what;
    std::string usr;
    QString ini;  // copied beside it; empty: no .ini
  };
  std::string odd(512, '\0');
  for (std::size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<char>(i * 37 + 11);
  const std::vector<Project> projects = {
      {"the example", ReadBytes((kDocs + "example.usr").toStdString()), kDocs + "example.ini"},
      {"the example with findings", ReadBytes((kDocs + "example-findings.usr").toStdString()),
       kDocs + "example-findings.ini"},
      {"bytes the editor has to bend into shape", odd, {}},
      {"an empty project", std::string(512, '\0'), {}},
  };
  for (const Project& p : projects) {
    SCOPED_TRACE(p.what);
    tesra::test::TempDir dir;
    WriteBytes(dir / "p.usr", p.usr);
    if (!p.ini.isEmpty()) std::filesystem::copy_file(p.ini.toStdString(), dir / "p.ini");
    const QString usr = QString::fromStdU16String((dir / "p.usr").u16string());

    std::string windows;
    {
      struct NoEditor : TextEditorLauncher {
        int Open(const QString&) override { return 42; }
      } launcher;
      MainWindowFixture f;
      f.main.SetTextEditorLauncher(&launcher);
      const QString old = QDir::currentPath();
      QDir::setCurrent(QString::fromStdU16String(dir.path().u16string()));
      f.prompter.openNames = {usr};
      f.c.TBOpen->click();
      f.c.TBReport->click();
      QDir::setCurrent(old);
      windows = ReadBytes(dir / "TesraConfig.txt");
    }
    ASSERT_FALSE(windows.empty());
    const CliRun r = RunCli({"report", usr});
    EXPECT_EQ(r.status, 0) << r.Err().toStdString();
    EXPECT_EQ(r.out.toStdString(), windows);
  }
}
