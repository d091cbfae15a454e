#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Cp1251.h"
#include "report/ReportLines.h"

using namespace tesra;

namespace {

using Lines = std::vector<std::string>;

std::string B(std::size_t n) { return std::string(n, ' '); }
std::string Dashes(std::size_t n) { return std::string(n, '-'); }

// Section 1 labels: a tab and the label padded to 38 characters.
std::string Label(const std::string& text) { return "\t" + text + B(38 - Utf8CharacterCount(text)); }
// Table rows: the label column of 28 characters and a bar.
std::string Row(const std::string& label) { return label + B(28 - Utf8CharacterCount(label)) + "|"; }
std::string Repeat(const std::string& cell, int n = 8) {
  std::string s;
  for (int i = 0; i < n; ++i) s += cell;
  return s;
}

const std::string kBlank = "       |";
const std::string kPlus = "   +   |";
const std::string kMinus = "   -   |";
const std::string kStageRule = Dashes(28) + Repeat("|-------") + "|";
const std::string kTotalRule = Dashes(28) + "|" + Dashes(63) + "|";
const std::string kLastRule = Dashes(93) + "\r\n";

ReportBox On(bool checked) { return {true, checked}; }
ReportBox Off(bool checked = false) { return {false, checked}; }

}  // namespace

TEST(ReportCell, CentresTextsInSevenCharacters) {
  struct Case { const char* text; const char* cell; };
  const Case cases[] = {
      {"", "       |"},         {"5", "   5   |"},           {"12", "  12   |"},
      {"123", "  123  |"},      {"1234", " 1234  |"},         {"12345", " 12345 |"},
      {"123456", "123456 |"},   {"1234567", "1234567|"},      {"12345678", "12345678|"},
      {"Не выбр", "Не выбр|"},  {"Без огр", "Без огр|"},      {"жж", "  жж   |"},
      {"Сообщение", "Сообщение|"},
      {"\xFF", "   \xFF   |"},  // a malformed byte is one character wide
  };
  for (const auto& c : cases) EXPECT_EQ(ReportCell(c.text), c.cell) << c.text;
}

// Listed exactly when the editor counts the text as a time above 0; one too
// long to count is listed too, a negative one is not a time.
TEST(ReportPlayingTime, ListedWhenTheTextIsATimeAboveZero) {
  struct Case { const char* text; bool listed; };
  const Case cases[] = {
      {"5", true},     {"0", false},    {"", false},        {"00", false},  {"-0", false},
      {"+7", true},    {"-3", false},   {" 12 ", true},     {"\t9", true},  {"007", true},
      {"abc", false},  {"12a", false},  {"1 2", false},     {"1.5", false}, {"0x10", false},
      {"+", false},    {"-", false},    {"  ", false},      {"сек.", false}, {"--5", false},
      {"99999999999999999999999", true}, {"-99999999999999999999999", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsListedPlayingTime(c.text), c.listed) << '"' << c.text << '"';
}

TEST(ReportSystem, SectionOneLinesInOrder) {
  ReportSystemValues v;
  v.serialNumber = "1234";
  v.date = {"12", "05", "24"};
  v.version = "";
  v.compositionTitle = "Состав и конфигурация системы";
  v.algorithmsTitle = "Программирование алгоритмов оповещения";
  v.amplifier = true;
  v.splitters = 1;
  v.modules = 3;
  v.fireConsoles = -1;
  v.announcerConsoles = 0;
  v.equalPriority = true;
  v.gong = false;
  v.auxPriority = true;
  v.musicZones[0] = On(true);
  v.musicZones[1] = On(false);
  v.musicZones[2] = On(true);
  v.musicZones[3] = On(false);
  v.musicZones[4] = Off(true);  // disabled zones are left out, checked or not
  v.musicZones[9] = On(false);  // preset 2, zone 2
  // [AUX, RING, TEL][zone]: the AUX box decides whether a zone is listed
  v.inputZones[0][0] = On(false);
  v.inputZones[1][0] = On(true);
  v.inputZones[2][0] = Off(true);
  v.inputZones[0][1] = On(true);
  v.inputZones[2][1] = On(true);
  v.inputZones[0][2] = Off();
  v.inputZones[1][2] = On(true);
  v.almOutMic = true;
  v.almOutAux = false;
  v.messageTimes[0] = "5";
  v.messageTimes[1] = "0";
  v.messageTimes[3] = "abc";
  v.messageTimes[5] = "1.5";
  v.messageTimes[9] = " 12";
  v.messageTimes[70] = "-3";
  v.messageTimes[71] = "99999999999999999999";

  const Lines expected = {
      "\t\t\tСистема оповещения KESTA на базе ППУ KT-8CU2",
      "",
      Label("Серийный номер:") + "1234",
      Label("Дата:") + "12/05/24",
      Label("Версия:"),
      "",
      "Состав и конфигурация системы",
      Dashes(29),
      "",
      "",
      Label("Усилитель мощности KT-400AM") + "1",
      Label("Разветвитель KT-SP") + "1",
      Label("Модуль контроля и управления KT-CM3") + "3",
      Label("Пожарный пульт микрофонный KT-FP8") + "-1",
      Label("Пульт диктора микрофонный KT-AN") + "0",
      Label("Равный приоритет для входов IN1-IN8") + "+",
      Label("Сигнал привлечения внимания (ГОНГ)") + "-",
      Label("Приоритет входа AUX над авт. режимом") + "+",
      Label("Зоны для трансляции фоновой музыки:"),
      "\t\tПресет 1",
      "\t" + B(38) + "Зона 1  +",
      "\t" + B(38) + "Зона 2  -",
      "\t" + B(38) + "Зона 3  +",
      "\t" + B(38) + "Зона 4  -",
      "\t\tПресет 2",
      "\t" + B(38) + "Зона 2  -",
      "",
      "\tЗоны в которые будет транслироваться",
      "\tаудио сигнал при активации входов:" + B(2),
      "\t" + B(37) + "N зоны" + B(3) + "AUX" + B(3) + "RING" + B(4) + "TEL",
      "\t" + B(38) + "-----" + B(2) + "-----" + B(2) + "-----" + B(2) + "-----",
      "\t" + B(40) + "1" + B(6) + "-" + B(6) + "+" + B(6) + "+",
      "\t" + B(40) + "2" + B(6) + "+" + B(6) + "-" + B(6) + "+",
      "",
      "",
      "\tАктивация выхода 'ALM OUT'" + B(11),
      "\t" + B(20) + "\u041CIC+PULT1+PULT2: +",
      "\t" + B(32) + "AUX: -",
      "",
      "",
      "\tДлительность воспроизведения сообщений:",
      "\t" + B(38) + "Номер" + B(4) + "Время (сек)",
      "\t" + B(38) + "-----" + B(4) + Dashes(11),
      "\t" + B(40) + "1" + B(10) + "5",
      "\t" + B(40) + "10" + B(10) + " 12",
      "\t" + B(40) + "72" + B(10) + "99999999999999999999",
      "",
      "",
      "Программирование алгоритмов оповещения",
      Dashes(28),
      "",
  };
  const Lines got = ReportSystemLines(v);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "line " << i + 1;
  // the stated widths: labels 39 characters, the ALM OUT lines 38
  EXPECT_EQ(Utf8CharacterCount(got[4]), 39u);  // the version line with an empty version
  EXPECT_EQ(Utf8CharacterCount(got[2]), 39u + 4);
  EXPECT_EQ(Utf8CharacterCount(got[35]), 38u);
}

TEST(ReportInput, BlockWithSwitchedOffStageStillShowsItsControlStates) {
  ReportInputValues v;
  v.input = 3;
  v.splitters = 2;
  v.modules = 3;
  v.totalTime = "Без ограничения";
  auto& s1 = v.stages[0];
  s1.on = true;
  s1.message = "Не выбр";
  s1.repeats = "12";
  s1.pause = "5";
  s1.time = "60";
  s1.almOut = On(false);
  s1.zones[0] = On(true);
  s1.zones[1] = On(false);
  s1.relays[0] = On(true);   // module 1 K1
  s1.relays[1] = On(false);  // module 1 K2
  s1.relays[2] = On(false);
  s1.relays[3] = Off(true);  // K2 follows its K1 box, enabled or not
  s1.relays[6] = On(true);   // module 4: beyond the module count
  auto& s2 = v.stages[1];
  s2.on = true;
  s2.message = "3";
  s2.repeats = "1";
  s2.pause = "0";
  s2.time = "Без огр";
  s2.almOut = On(true);
  s2.zones[7] = On(true);
  s2.relays[4] = Off(true);  // module 3 K1 disabled
  s2.relays[5] = On(true);
  auto& s3 = v.stages[2];    // switched off, its other controls still read
  s3.message = "7";
  s3.repeats = "2";
  s3.almOut = On(true);
  s3.zones[0] = On(true);
  s3.relays[0] = On(false);
  s3.relays[1] = Off(true);
  v.stages[3].almOut = Off(true);

  const std::string stages =
      B(10) + "| Этап1 | Этап2 | Этап3 | Этап4 | Этап5 | Этап6 | Этап7 | Этап8 |";
  const Lines expected = {
      "",
      " Вход активации N3" + stages,
      kStageRule,
      Row("Номер сообщения") + "Не выбр|" + "   3   |" + Repeat(kBlank, 6),
      Row("Количество повторов") + "  12   |" + "   1   |" + Repeat(kBlank, 6),
      Row("Пауза между повторами (сек)") + "   5   |" + "   0   |" + Repeat(kBlank, 6),
      Row("Время этапа (сек)") + "  60   |" + "Без огр|" + Repeat(kBlank, 6),
      kTotalRule,
      "Общее время эвакуации (сек) | Без ограничения",
      kTotalRule,
      Row("Активация выхода 'ALM OUT':") + kMinus + kPlus + kPlus + Repeat(kBlank, 5),
      kStageRule,
      Row("Зоны трансляции сообщений:") + Repeat(kBlank),
      B(21) + "Зона 1 |" + kPlus + kBlank + kPlus + Repeat(kBlank, 5),
      B(21) + "Зона 2 |" + kMinus + Repeat(kBlank, 7),
      B(21) + "Зона 3 |" + Repeat(kBlank),
      B(21) + "Зона 4 |" + Repeat(kBlank),
      B(21) + "Зона 5 |" + Repeat(kBlank),
      B(21) + "Зона 6 |" + Repeat(kBlank),
      B(21) + "Зона 7 |" + Repeat(kBlank),
      B(21) + "Зона 8 |" + kBlank + kPlus + Repeat(kBlank, 6),
      kStageRule,
      Row("Исполнительные реле KT-CM3:") + Repeat(" K1 K2 |"),
      B(19) + "Модуль 1 |" + "  +  - |" + kBlank + "  -  + |" + Repeat(kBlank, 5),
      B(19) + "Модуль 2 |" + "  -  + |" + Repeat(kBlank, 7),
      B(19) + "Модуль 3 |" + Repeat(kBlank, 8),
      kLastRule,
  };
  const Lines got = ReportInputLines(v);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "line " << i + 1;
  for (std::size_t i = 1; i + 1 < got.size(); ++i) {
    if (i == 8) continue;  // the total row is not padded
    EXPECT_EQ(Utf8CharacterCount(got[i]), 93u) << "line " << i + 1;
  }
}

TEST(ReportInput, ZoneAndRelayTablesFollowTheEquipmentCounts) {
  struct Case { int splitters; int modules; int zoneRows; int moduleRows; };
  const Case cases[] = {
      {0, 0, -1, -1}, {-1, -1, -1, -1}, {1, 0, 4, -1}, {2, 0, 8, -1},
      {0, 1, -1, 1},  {0, 3, -1, 3},    {2, 8, 8, 8},  {2, 9, 8, 8},
  };
  for (const auto& c : cases) {
    ReportInputValues v;
    v.stages[0].on = true;
    v.splitters = c.splitters;
    v.modules = c.modules;
    Lines tail;  // after the ALM OUT row and its rule; -1 rows: no table at all
    if (c.zoneRows >= 0) tail.push_back(Row("Зоны трансляции сообщений:") + Repeat(kBlank));
    for (int z = 1; z <= c.zoneRows; ++z) tail.push_back(B(21) + "Зона " + std::to_string(z) + " |" + Repeat(kBlank));
    tail.push_back(kStageRule);
    if (c.moduleRows >= 0) tail.push_back(Row("Исполнительные реле KT-CM3:") + Repeat(" K1 K2 |"));
    for (int m = 1; m <= c.moduleRows; ++m)
      tail.push_back(B(19) + "Модуль " + std::to_string(m) + " |" + Repeat(kBlank));
    tail.push_back(kLastRule);
    const Lines got = ReportInputLines(v);
    ASSERT_EQ(got.size(), 12 + tail.size()) << c.splitters << "/" << c.modules;
    EXPECT_EQ(got[11], kStageRule);
    EXPECT_EQ(Lines(got.begin() + 12, got.end()), tail) << c.splitters << "/" << c.modules;
  }
}

TEST(ReportInput, OnlyInputsWithStageOneGetABlock) {
  ReportSystemValues system;
  std::vector<ReportInputValues> inputs(8);
  for (int k = 0; k < 8; ++k) {
    inputs[k].input = k + 1;
    for (int s = 1; s < 8; ++s) inputs[k].stages[s].on = true;  // later stages do not count
  }
  EXPECT_TRUE(ReportInputLines(inputs[0]).empty());
  EXPECT_EQ(ReportLines(system, inputs), ReportSystemLines(system));

  inputs[4].stages[0].on = true;
  const Lines all = ReportLines(system, inputs);
  const Lines block = ReportInputLines(inputs[4]);
  ASSERT_EQ(all.size(), ReportSystemLines(system).size() + block.size());
  EXPECT_EQ(Lines(all.end() - static_cast<std::ptrdiff_t>(block.size()), all.end()), block);
  EXPECT_TRUE(block[1].starts_with(" Вход активации N5" + B(10) + "|"));
}

TEST(ReportFile, Windows1251WithCrlfAfterEveryLine) {
  const Lines lines = {"\t\t\tСистема оповещения KESTA", "", "Зона 1 |   +   |", Dashes(3) + "\r\n", "№ 5°"};
  const std::string expected =
      "\t\t\t\xD1\xE8\xF1\xF2\xE5\xEC\xE0 \xEE\xEF\xEE\xE2\xE5\xF9\xE5\xED\xE8\xFF KESTA\r\n"
      "\r\n"
      "\xC7\xEE\xED\xE0 1 |   +   |\r\n"
      "---\r\n\r\n"
      "\xB9 5\xB0\r\n";
  EXPECT_EQ(ReportFileBytes(lines), expected);
  EXPECT_EQ(ReportFileBytes({}), "");
}
