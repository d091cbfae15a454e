// The report command end to end: a real main window, its controls read input
// by input, the file in the working directory and a fake text editor.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <tuple>

#include "config/Cp1251.h"
#include "report/ReportLines.h"
#include "report/TextEditorLauncher.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/project/TempDir.h"

using tesra::test::ReadBytes;
using tesra::test::TempDir;
using tesra::test::WriteBytes;

namespace {

struct FakeLauncher : TextEditorLauncher {
  int result = 42;
  std::vector<QString> files;
  std::function<void()> whileOpening;
  int Open(const QString& file) override {
    files.push_back(file);
    if (whileOpening) whileOpening();
    return result;
  }
};

class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::filesystem::path& dir) : old_(QDir::currentPath()) {
    QDir::setCurrent(Q(dir));
  }
  ~WorkingDirectory() { QDir::setCurrent(old_); }

 private:
  QString old_;
};

const std::string kBlank = "       |";
const std::string kPlus = "   +   |";
const std::string kMinus = "   -   |";
const std::string kStageRule =
    "----------------------------|-------|-------|-------|-------|-------|-------|-------|-------|";
const std::string kTotalRule =
    "----------------------------|---------------------------------------------------------------|";

std::string Times(const std::string& cell, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += cell;
  return s;
}

std::vector<std::string> SectionOneHead() {
  return {"\t\t\tСистема оповещения KESTA на базе ППУ KT-8CU2", ""};
}

std::vector<std::string> SectionOneTail() {
  return {"", "", "Программирование алгоритмов оповещения", std::string(28, '-'), ""};
}

std::string FileOf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += tesra::Cp1251FromUtf8(l) + "\r\n";
  return out;
}

// A project: amplifier on, 1 splitter, 1 module, 1 fire console, no
// announcer console; input 1 with stages 1 and 2, input 4 with stage 1.
void WriteProject(const std::filesystem::path& dir) {
  tesra::ConfigImage img;
  img[0] = 0x80 | 0x10 | 0x01;
  img[1] = 0x40 | 0x10 | 0x01;  // AUX priority, equal priority, 1 module
  img[2] = 0x01;                // ALM OUT for MIC+PULT1+PULT2
  img[3] = 0x05;                // music preset 1: zones 1, 3
  img[4] = 0x02;                // music preset 2: zone 2
  img[5] = 0x08;                // TEL: zone 4
  img[6] = 0x02;                // RING: zone 2
  img[7] = 0x01;                // AUX: zone 1
  const char identity[] = "A123";
  for (int i = 0; i < 4; ++i) img[403 + i] = static_cast<std::uint8_t>(identity[i]);
  img[408] = '1', img[409] = '2', img[411] = '0', img[412] = '5', img[414] = '2', img[415] = '4';
  // Input 1, stage 1: on, ALM OUT, pause "10", 2 repeats, message 3, zones 1-2, relay K1 of module 1.
  img[8] = 0xD0, img[9] = 2, img[10] = 0x03, img[11] = 0x80, img[13] = 3;
  // Input 1, stage 2: on, "Без огр", "Не выбр".
  img[14] = 0x80;
  // Input 4, stage 1: on, 1 repeat, message 72.
  const int in4 = 8 + 48 * 3;
  img[in4] = 0x80, img[in4 + 1] = 1, img[in4 + 5] = 72;
  WriteBytes(dir / "p.usr", std::string(reinterpret_cast<const char*>(img.data()), 512));
  WriteBytes(dir / "p.ini", "[MessageLength]\r\n3=20\r\n10=abc\r\n72=3\r\n");
}

std::vector<std::string> ExpectedReport() {
  std::vector<std::string> l = SectionOneHead();
  const std::vector<std::string> body = {
      "\tСерийный номер:                       A123",
      "\tДата:                                 12/05/24",
      "\tВерсия:                               v7",
      "",
      "Состав и конфигурация системы",
      std::string(29, '-'),
      "",
      "",
      "\tУсилитель мощности KT-400AM           1",
      "\tРазветвитель KT-SP                    1",
      "\tМодуль контроля и управления KT-CM3   1",
      "\tПожарный пульт микрофонный KT-FP8     1",
      "\tПульт диктора микрофонный KT-AN       0",
      "\tРавный приоритет для входов IN1-IN8   +",
      "\tСигнал привлечения внимания (ГОНГ)    -",
      "\tПриоритет входа AUX над авт. режимом  +",
      "\tЗоны для трансляции фоновой музыки:   ",
      "\t\tПресет 1",
      "\t                                      Зона 1  +",
      "\t                                      Зона 2  -",
      "\t                                      Зона 3  +",
      "\t                                      Зона 4  -",
      "\t\tПресет 2",
      "\t                                      Зона 1  -",
      "\t                                      Зона 2  +",
      "\t                                      Зона 3  -",
      "\t                                      Зона 4  -",
      "",
      "\tЗоны в которые будет транслироваться",
      "\tаудио сигнал при активации входов:  ",
      "\t                                     N зоны   AUX   RING    TEL",
      "\t                                      -----  -----  -----  -----",
      "\t                                        1      +      -      -",
      "\t                                        2      -      +      -",
      "\t                                        3      -      -      -",
      "\t                                        4      -      -      +",
      "",
      "",
      "\tАктивация выхода 'ALM OUT'           ",
      "\t                    МIC+PULT1+PULT2: +",
      "\t                                AUX: -",
      "",
      "",
      "\tДлительность воспроизведения сообщений:",
      "\t                                      Номер    Время (сек)",
      "\t                                      -----    -----------",
      "\t                                        3          20",
      "\t                                        72          3",
  };
  l.insert(l.end(), body.begin(), body.end());
  for (const std::string& t : SectionOneTail()) l.push_back(t);

  const std::string zonesHead =
      "Зоны трансляции сообщений:  |       |       |       |       |       |       |       |       |";
  const std::string relaysHead =
      "Исполнительные реле KT-CM3: | K1 K2 | K1 K2 | K1 K2 | K1 K2 | K1 K2 | K1 K2 | K1 K2 | K1 K2 |";
  const std::string header = "          | Этап1 | Этап2 | Этап3 | Этап4 | Этап5 | Этап6 | Этап7 | Этап8 |";
  const std::string end = std::string(93, '-') + "\r\n";
  const std::vector<std::string> input1 = {
      "",
      " Вход активации N1" + header,
      kStageRule,
      "Номер сообщения             |   3   |Не выбр|" + Times(kBlank, 6),
      "Количество повторов         |   2   |Без огр|" + Times(kBlank, 6),
      "Пауза между повторами (сек) |  10   |   0   |" + Times(kBlank, 6),
      "Время этапа (сек)           |  50   |   0   |" + Times(kBlank, 6),
      kTotalRule,
      "Общее время эвакуации (сек) | 50",
      kTotalRule,
      "Активация выхода 'ALM OUT': |" + kPlus + kMinus + Times(kBlank, 6),
      kStageRule,
      zonesHead,
      "                     Зона 1 |" + kPlus + kMinus + Times(kBlank, 6),
      "                     Зона 2 |" + kPlus + kMinus + Times(kBlank, 6),
      "                     Зона 3 |" + kMinus + kMinus + Times(kBlank, 6),
      "                     Зона 4 |" + kMinus + kMinus + Times(kBlank, 6),
      kStageRule,
      relaysHead,
      "                   Модуль 1 |  +  - |  -  - |" + Times(kBlank, 6),
      end,
  };
  const std::vector<std::string> input4 = {
      "",
      " Вход активации N4" + header,
      kStageRule,
      "Номер сообщения             |  72   |" + Times(kBlank, 7),
      "Количество повторов         |   1   |" + Times(kBlank, 7),
      "Пауза между повторами (сек) |   0   |" + Times(kBlank, 7),
      "Время этапа (сек)           |   3   |" + Times(kBlank, 7),
      kTotalRule,
      "Общее время эвакуации (сек) | 3",
      kTotalRule,
      "Активация выхода 'ALM OUT': |" + kMinus + Times(kBlank, 7),
      kStageRule,
      zonesHead,
      "                     Зона 1 |" + kMinus + Times(kBlank, 7),
      "                     Зона 2 |" + kMinus + Times(kBlank, 7),
      "                     Зона 3 |" + kMinus + Times(kBlank, 7),
      "                     Зона 4 |" + kMinus + Times(kBlank, 7),
      kStageRule,
      relaysHead,
      "                   Модуль 1 |  -  - |" + Times(kBlank, 7),
      end,
  };
  l.insert(l.end(), input1.begin(), input1.end());
  l.insert(l.end(), input4.begin(), input4.end());
  return l;
}

struct ReportFixture : MainWindowFixture {
  TempDir dir;
  WorkingDirectory cwd{dir.path()};
  FakeLauncher launcher;

  ReportFixture() { main.SetTextEditorLauncher(&launcher); }
  void OpenProject() {
    WriteProject(dir.path());
    prompter.openNames = {Q(dir / "p.usr")};
    c.TBOpen->click();
    ASSERT_TRUE(prompter.shown.empty());
    c.Edit5->setText(QStringLiteral("v7"));
  }
  void ClickReport() {
    ASSERT_TRUE(c.TBReport->isEnabled());
    c.TBReport->click();
  }
};

}  // namespace

TEST(ReportCommand, WritesTheShownConfigurationAndOpensIt) {
  ReportFixture f;
  f.OpenProject();
  WriteBytes(f.dir / "TesraConfig.txt", std::string(20000, 'x'));  // replaced
  bool downWhileOpening = true;
  f.launcher.whileOpening = [&] { downWhileOpening = f.c.TBReport->isChecked(); };
  f.ClickReport();

  const std::string bytes = ReadBytes(f.dir / "TesraConfig.txt");
  const std::vector<std::string> expected = ExpectedReport();
  EXPECT_EQ(bytes, FileOf(expected));
  // The title line in Windows-1251: "Система" is D1 E8 F1 F2 E5 EC E0.
  EXPECT_EQ(bytes.substr(0, 10), "\t\t\t\xD1\xE8\xF1\xF2\xE5\xEC\xE0");
  EXPECT_EQ(bytes.substr(bytes.size() - 97), std::string(93, '-') + "\r\n\r\n");

  EXPECT_EQ(f.launcher.files, std::vector<QString>{QStringLiteral("TesraConfig.txt")});
  EXPECT_FALSE(downWhileOpening);
  EXPECT_FALSE(f.c.TBReport->isChecked());
  EXPECT_EQ(f.ctx.SelectedInput, 0);
  EXPECT_TRUE(f.c.InputButtons[0]->isChecked());
  EXPECT_TRUE(f.c.StageButtons[1]->isChecked());  // input 1 is shown again
  EXPECT_TRUE(f.prompter.shown.empty());
  EXPECT_EQ(f.dir.EntryCount(), 3u);  // p.usr, p.ini and the report: no temporary file left
}

TEST(ReportCommand, WithoutAnyFirstStageOnlySectionOne) {
  ReportFixture f;
  f.c.TBReport->click();
  const std::string bytes = ReadBytes(f.dir / "TesraConfig.txt");
  const std::string tail = FileOf(SectionOneTail());
  ASSERT_GE(bytes.size(), tail.size());
  EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
  EXPECT_EQ(bytes.find(tesra::Cp1251FromUtf8("Вход активации")), std::string::npos);
  EXPECT_EQ(bytes.substr(0, FileOf(SectionOneHead()).size()), FileOf(SectionOneHead()));
}

TEST(ReportCommand, EditorAnswers) {
  struct Case {
    int code;
    std::vector<QString> messages;
  };
  for (const Case& k : {Case{2, {QStringLiteral("Не найден файл!")}}, Case{0, {}}, Case{31, {}}, Case{33, {}}}) {
    ReportFixture f;
    f.OpenProject();
    f.launcher.result = k.code;
    f.ClickReport();
    EXPECT_EQ(f.prompter.Texts(), k.messages) << k.code;
    if (!k.messages.empty()) {
      EXPECT_EQ(f.prompter.shown[0].kind, BoxKind::Error);
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(f.dir / "TesraConfig.txt"));
    EXPECT_EQ(f.ctx.SelectedInput, 0);
    EXPECT_FALSE(f.c.TBReport->isChecked());
  }
}

TEST(ReportCommand, UnwritableReportEndsTheCommand) {
  ReportFixture f;
  f.OpenProject();
  std::filesystem::create_directories(f.dir / "TesraConfig.txt");
  f.ClickReport();
  const QString path = QDir::toNativeSeparators(QDir(Q(f.dir.path())).absoluteFilePath("TesraConfig.txt"));
  ASSERT_EQ(f.prompter.shown.size(), 1u);
  EXPECT_EQ(f.prompter.shown[0].kind, BoxKind::Error);
  EXPECT_EQ(f.prompter.shown[0].text, QStringLiteral("Ошибка записи файла ") + path + QStringLiteral(" !"));
  EXPECT_TRUE(f.launcher.files.empty());
  EXPECT_TRUE(f.c.TBReport->isChecked());
  EXPECT_EQ(f.ctx.SelectedInput, 7);
  EXPECT_TRUE(f.c.InputButtons[7]->isChecked());
  EXPECT_TRUE(std::filesystem::is_directory(f.dir / "TesraConfig.txt"));
}

// Message times too long to count: the stage time and the total never wrap
// or turn negative, the window and the report show the same, and the report
// lists exactly the message times that the stage times count.
TEST(ReportCommand, TooLongTimesReadAlikeInTheWindowAndTheReport) {
  struct Case {
    const char* time1;  // message 1, played by stage 1
    int repeats1;
    const char* time2;  // message 2, played by stage 2 when not null
    const char* stage1;
    const char* total;
    bool listed1;
  };
  const Case cases[] = {
      {"9000000000000000000", 3, nullptr, "Без огр", "Без ограничения", true},
      {"99999999999999999999", 1, nullptr, "Без огр", "Без ограничения", true},
      {"999999999999999999", 1, nullptr, "999999999999999999", "999999999999999999", true},
      {"999999999999999999", 2, nullptr, "Без огр", "Без ограничения", true},
      {"600000000000000000", 1, "600000000000000000", "600000000000000000", "Без ограничения", true},
      {"-5", 3, nullptr, "0", "0", false},
      {"20", 3, "7", "60", "67", true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.time1) + " x" + std::to_string(k.repeats1));
    ReportFixture f;
    tesra::ConfigImage img;
    img[8] = 0x80, img[9] = static_cast<std::uint8_t>(k.repeats1), img[13] = 1;
    if (k.time2) img[14] = 0x80, img[15] = 1, img[19] = 2;
    WriteBytes(f.dir / "t.usr", std::string(reinterpret_cast<const char*>(img.data()), 512));
    WriteBytes(f.dir / "t.ini", std::string("[MessageLength]\r\n1=") + k.time1 + "\r\n2=" + (k.time2 ? k.time2 : "0") + "\r\n");
    f.prompter.openNames = {Q(f.dir / "t.usr")};
    f.c.TBOpen->click();
    EXPECT_EQ(f.c.StageTimeTexts[0]->text(), QString::fromUtf8(k.stage1));
    EXPECT_EQ(f.c.StaticText23->text(), QString::fromUtf8(k.total));
    f.ClickReport();

    const std::string report = tesra::Cp1251ToUtf8(ReadBytes(f.dir / "TesraConfig.txt"));
    const std::string listed = "\t" + std::string(40, ' ') + "1" + std::string(10, ' ') + k.time1 + "\r\n";
    EXPECT_EQ(report.find(listed) != std::string::npos, k.listed1);
    const std::string stageRow = "Время этапа (сек)           |" + tesra::ReportCell(k.stage1);
    EXPECT_NE(report.find(stageRow), std::string::npos);
    EXPECT_NE(report.find(std::string("Общее время эвакуации (сек) | ") + k.total + "\r\n"), std::string::npos);
  }
}

// The Linux shell seam: xdg-open, then $VISUAL, then $EDITOR; none gives 2.
#ifndef _WIN32
TEST(SystemTextEditorLauncher, FallsBackAndReportsNotFound) {
  class Environment {
   public:
    Environment() {
      for (const char* name : {"PATH", "VISUAL", "EDITOR"}) saved_.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
    }
    ~Environment() {
      for (const auto& [name, value, set] : saved_) set ? qputenv(name, value) : qunsetenv(name);
    }
    static void Set(const char* name, const char* value) { value ? qputenv(name, value) : qunsetenv(name); }

   private:
    std::vector<std::tuple<const char*, QByteArray, bool>> saved_;
  };
  struct Case {
    const char* visual;
    const char* editor;
    bool started;
  };
  TempDir dir;
  WorkingDirectory cwd(dir.path());
  int n = 0;
  for (const Case& k : {Case{nullptr, nullptr, false}, Case{"/nonexistent/editor", nullptr, false},
                        Case{"/usr/bin/touch", nullptr, true}, Case{"/nonexistent/editor -w", "/usr/bin/touch", true},
                        Case{"  ", "/usr/bin/touch", true}}) {
    Environment env;
    Environment::Set("PATH", Q(dir.path()).toLocal8Bit().constData());  // no xdg-open here
    Environment::Set("VISUAL", k.visual);
    Environment::Set("EDITOR", k.editor);
    const QString marker = QStringLiteral("opened%1").arg(n++);
    SystemTextEditorLauncher launcher(nullptr);
    const int code = launcher.Open(marker);
    EXPECT_EQ(code == TextEditorLauncher::kNotFound, !k.started) << (k.visual ? k.visual : "-");
    if (k.started) {
      // The editor runs detached: wait for it to have touched the file.
      for (int i = 0; i < 500 && !std::filesystem::exists(dir / marker.toStdString()); ++i) QTest::qWait(10);
      EXPECT_TRUE(std::filesystem::exists(dir / marker.toStdString())) << k.visual;
    }
  }
}
#endif
