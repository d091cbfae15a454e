// The plan check: each rule fires on its own case and on nothing else, at the
// place the window would name, and a clean configuration (the documentation's
// example among them) gives no finding.
#include <gtest/gtest.h>

#include <set>

#include "plan/PlanCheck.h"
#include "tests/plan/PlanImages.h"

using namespace tesra;
using plantest::Clean;
using plantest::Plan;

namespace {

struct Expected {
  PlanRule rule;
  const char* where;
  const char* what;  // a part of the text
};

struct Case {
  const char* name;
  Plan plan;
  std::vector<Expected> findings;  // in the order the check lists them
};

FindingLevel LevelOf(PlanRule r) {
  return r == PlanRule::StageWithoutMessage || r == PlanRule::StageWithoutZone ? FindingLevel::Error
                                                                               : FindingLevel::Warning;
}

std::vector<Case> Cases() {
  // Static: the cases keep pointers to their texts after this returns.
  static const std::string music2 = "Зоны трансляции фоновой музыки, Пресет2";
  static const std::string tel = "Зоны в которые будет транслироваться аудио сигнал при активации входов, Вход TEL";
  return {
      {"clean", Clean(), {}},
      {"an off stage holds anything", Clean().Stage(2, 3, 0, 0, 0xF0).Off(2, 3).Relay(2, 3, 8, 2), {}},
      {"a stage after an unlimited one that is off", Clean().Stage(1, 1, 1, 0, 1).Stage(1, 2, 1, 1, 1).Off(1, 2), {}},
      {"a time of 0 for a message nobody plays", Clean().Time(6, "0").Time(7, "abc"), {}},
      {"the last stage repeats without limit", Clean().Stage(1, 2, 2, 0, 0x03), {}},

      {"no message", Clean().Stage(3, 1, 5, 1, 0x01).Stage(3, 2, 0, 1, 0x01),
       {{PlanRule::StageWithoutMessage, "IN 3, 2 этап", "сообщение не выбрано (\"Не выбр\")"}}},
      {"message beyond the list", Clean().Stage(1, 1, 80, 1, 0x01),
       {{PlanRule::StageWithoutMessage, "IN 1, 1 этап", "номер сообщения 80 вне списка 1..72"}}},
      {"no zone", Clean().Stage(8, 1, 3, 1, 0x00),
       {{PlanRule::StageWithoutZone, "IN 8, 1 этап", "не выбрана ни одна зона"}}},
      {"only zones no splitter serves",
       Clean().System(FieldId::Splitters, 1).Stage(1, 1, 1, 1, 0x30),
       {{PlanRule::StageWithoutZone, "IN 1, 1 этап", "ни одну из его зон (5, 6) не обслуживает разветвитель (разветвителей KT-SP установлено: 1)"}}},
      {"some zones no splitter serves", Clean().System(FieldId::Splitters, 1).Stage(1, 1, 1, 1, 0x31),
       {{PlanRule::StageZonesBeyondSplitters, "IN 1, 1 этап", "Зоны 5, 6 не обслуживает ни один разветвитель"}}},
      {"music preset beyond the splitters", Clean().System(FieldId::Splitters, 1).System(FieldId::MusicPreset2, 0xF1),
       {{PlanRule::ZonesBeyondSplitters, music2.c_str(), "Выбраны зоны 5, 6, 7, 8, которые"}}},
      {"no splitter at all", Clean().System(FieldId::Splitters, 0).System(FieldId::TelZones, 0x01),
       {{PlanRule::ZonesBeyondSplitters, tel.c_str(), "зоны 1, которые не обслуживает"},
        {PlanRule::StageWithoutZone, "IN 1, 1 этап", "разветвителей KT-SP установлено: 0"}}},
      {"relays beyond the modules", Clean().System(FieldId::Modules, 1).Relay(1, 1, 1, 1).Relay(1, 1, 2, 2).Stage(5, 1, 1, 1, 1).Relay(5, 1, 4, 1).Relay(5, 1, 4, 2),
       {{PlanRule::RelaysBeyondModules, "IN 1, 1 этап", "(установлено: 1): модуль 2: K2"},
        {PlanRule::RelaysBeyondModules, "IN 5, 1 этап", "модуль 4: K1, K2"}}},
      {"a broken chain", Clean().Stage(1, 3, 1, 1, 0x01),
       {{PlanRule::StageAfterOffStage, "IN 1, 3 этап", "2 этап выключен: цепочка этапов прервана"}}},
      {"after an unlimited stage", Clean().Stage(2, 1, 1, 0, 0x01).Stage(2, 2, 2, 1, 0x01).Stage(2, 3, 2, 1, 0x01),
       {{PlanRule::StageAfterUnlimited, "IN 2, 2 этап", "никогда не прозвучит: 1 этап повторяется без ограничения"},
        {PlanRule::StageAfterUnlimited, "IN 2, 3 этап", "1 этап повторяется без ограничения"}}},
      {"playing time 0", Clean().Time(1, "0"),
       {{PlanRule::MessageTimeUnknown, "IN 1, 1 этап", "Время звучания сообщения 1 равно 0"}}},
      {"playing time not a number", Clean().Time(1, "1O"),
       {{PlanRule::MessageTimeUnknown, "IN 1, 1 этап", "сообщения 1 (\"1O\") не число"}}},
      {"an unlimited stage with time 0", Clean().Stage(4, 1, 9, 0, 0x01).Time(9, "0"),
       {{PlanRule::MessageTimeUnknown, "IN 4, 1 этап", "сообщения 9 равно 0"}}},
      {"splitter count beyond its list", Clean().System(FieldId::Splitters, 3).System(FieldId::MusicPreset1, 0xFF),
       {{PlanRule::CountBeyondList, "Разветвитель KT-SP", "Значение 3 вне списка 0..2"}}},
      {"module count beyond its list: eight modules' relays", Clean().System(FieldId::Modules, 12).Relay(1, 1, 8, 2),
       {{PlanRule::CountBeyondList, "Модуль контроля и управления KT-CM3", "Значение 12 вне списка 0..8"}}},
      {"console counts beyond their lists", Clean().System(FieldId::FireConsoles, 3).System(FieldId::AnnouncerConsoles, 3),
       {{PlanRule::CountBeyondList, "Пожарный пульт микрофонный KT-FP8", "Значение 3"},
        {PlanRule::CountBeyondList, "Пульт диктора микрофонный KT-AN", "Значение 3"}}},
      {"one stage, several rules, in table order",
       Clean().System(FieldId::Splitters, 1).Stage(6, 2, 0, 1, 0x80).Relay(6, 2, 3, 1),
       {{PlanRule::StageWithoutMessage, "IN 6, 2 этап", "не выбрано"},
        {PlanRule::StageWithoutZone, "IN 6, 2 этап", "(8)"},
        {PlanRule::RelaysBeyondModules, "IN 6, 2 этап", "модуль 3: K1"},
        {PlanRule::StageAfterOffStage, "IN 6, 2 этап", "1 этап выключен"}}},
      {"a stage that never plays: only that warning, no error holds the write up",
       Clean().System(FieldId::Splitters, 1).Stage(6, 1, 1, 0, 0x01).Stage(6, 2, 0, 1, 0x80).Relay(6, 2, 3, 1),
       {{PlanRule::StageAfterUnlimited, "IN 6, 2 этап", "никогда не прозвучит: 1 этап"}}},
      {"fire and announcer consoles beyond what the lists offer together",
       Clean().System(FieldId::FireConsoles, 2).System(FieldId::AnnouncerConsoles, 1).System(FieldId::Gong, 1),
       {{PlanRule::ConsolesBeyondLists, "Пульт диктора микрофонный KT-AN", "Пожарных пультов 2 и пультов диктора 1"}}},
      {"two and two consoles", Clean().System(FieldId::FireConsoles, 2).System(FieldId::AnnouncerConsoles, 2),
       {{PlanRule::ConsolesBeyondLists, "Пульт диктора микрофонный KT-AN", "вместе больше 2"}}},
      {"consoles the lists offer", Clean().System(FieldId::FireConsoles, 1).System(FieldId::AnnouncerConsoles, 1).System(FieldId::Gong, 1), {}},
      {"the gong with no announcer console", Clean().System(FieldId::FireConsoles, 2).System(FieldId::Gong, 1),
       {{PlanRule::GongWithoutAnnouncer, "Сигнал привлечения внимания (ГОНГ)", "пультов диктора нет"}}},
  };
}

}  // namespace

TEST(PlanCheck, EachRuleFiresOnItsCaseAndOnNothingElse) {
  std::set<PlanRule> covered;
  for (const Case& k : Cases()) {
    const std::vector<Finding> got = CheckPlan(k.plan.image, k.plan.times);
    ASSERT_EQ(got.size(), k.findings.size()) << k.name << (got.empty() ? "" : ": first " + got[0].what);
    for (std::size_t i = 0; i < got.size(); ++i) {
      const Expected& e = k.findings[i];
      EXPECT_EQ(got[i].rule, e.rule) << k.name << " #" << i << ": " << got[i].what;
      EXPECT_EQ(got[i].level, LevelOf(e.rule)) << k.name << " #" << i;
      EXPECT_EQ(got[i].where, e.where) << k.name << " #" << i;
      EXPECT_NE(got[i].what.find(e.what), std::string::npos) << k.name << " #" << i << ": " << got[i].what;
      // A stage's finding leads to its place in the editor.
      const bool stage = got[i].where.rfind("IN ", 0) == 0;
      EXPECT_EQ(got[i].input >= 0 && got[i].stage >= 0, stage) << k.name;
      if (stage) {
        EXPECT_EQ(got[i].where, "IN " + std::to_string(got[i].input + 1) + ", " + std::to_string(got[i].stage + 1) + " этап");
      }
      covered.insert(e.rule);
    }
  }
  for (int r = 0; r <= static_cast<int>(PlanRule::MessageTimeUnknown); ++r)
    EXPECT_TRUE(covered.count(static_cast<PlanRule>(r))) << "rule " << r << " has no case";
}

TEST(PlanCheck, TheExampleProjectGivesNoFinding) {
  const Plan example = plantest::Example();
  // It is the configuration the README shows: stages of IN 1 and IN 2 play.
  ASSERT_EQ(FieldValue(example.image, StageField(0, 2, FieldId::StageOn)), 1u);
  ASSERT_EQ(example.times[11], "30");
  for (const Finding& f : CheckPlan(example.image, example.times))
    ADD_FAILURE() << LevelText(f.level) << " | " << f.where << " | " << f.what;
}

TEST(PlanCheck, ReadFromAControllerWithoutTimesOnlyWarns) {
  // The list holds "0" for every message until a project brings its times.
  Plan read = plantest::Example();
  read.times.fill("0");
  const std::vector<Finding> got = CheckPlan(read.image, read.times);
  EXPECT_EQ(CountFindings(got, FindingLevel::Error), 0u);
  EXPECT_EQ(CountFindings(got, FindingLevel::Warning), 4u) << "every stage that plays a message";
  for (const Finding& f : got) EXPECT_EQ(f.rule, PlanRule::MessageTimeUnknown);
}

TEST(PlanCheck, LevelTexts) {
  EXPECT_STREQ(LevelText(FindingLevel::Error), "Ошибка");
  EXPECT_STREQ(LevelText(FindingLevel::Warning), "Предупреждение");
}

TEST(PlanCheck, TheFindingsExampleHasTwoErrorsAndSixWarnings) {
  // docs/example-findings.usr is the check window's picture in the README.
  Plan p;
  const std::string dir = TESRA_SOURCE_DIR "/docs/";
  ASSERT_TRUE(ReadImageFile(dir + "example-findings.usr", p.image));
  p.times = ReadMessageTimes(dir + "example-findings.ini");
  const std::vector<Finding> got = CheckPlan(p.image, p.times);
  EXPECT_EQ(CountFindings(got, FindingLevel::Error), 2u);
  EXPECT_EQ(CountFindings(got, FindingLevel::Warning), 6u);
}
