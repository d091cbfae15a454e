// The timeline as numbers: rows, the stages that play with their start and
// end in seconds, the bands each switches on and the total, computed from the
// image and the message times.
#include <gtest/gtest.h>

#include "plan/Timeline.h"
#include "tests/plan/PlanImages.h"

using namespace tesra;
using plantest::Plan;

namespace {

struct StageSpan {
  int stage;
  long long start, end;
  bool open, known;
  const char* label;
  bool startKnown = true;
};

struct Case {
  const char* name;
  Plan plan;
  int input;  // 0..7
  std::vector<StageSpan> stages;
  std::vector<std::pair<int, int>> bands;  // row, index of the stage
  long long total;
  bool unlimited;
  long long axisEnd;
  int rows;
  const char* totalText = nullptr;  // when not "<total> с"
};

std::vector<Case> Cases() {
  // Rows of the example: zones 1..8 (0..7), module 1 K1/K2 (8, 9), module 2 K1/K2 (10, 11), ALM OUT (12).
  return {
      {"example IN 1: two timed stages, then one without limit", plantest::Example(), 0,
       {{0, 0, 40, false, true, "Сообщ. 1 × 3, пауза 5 с"},
        {1, 40, 80, false, true, "Сообщ. 5 × 2, пауза 10 с"},
        {2, 80, 80, true, true, "Сообщ. 12 × без огр., пауза 0 с"}},
       {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {8, 0},
        {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {9, 1}, {10, 1}, {12, 1},
        {4, 2}, {5, 2}, {6, 2}, {7, 2}, {11, 2}},
       80, true, 110, 13},
      {"example IN 2: one message once", plantest::Example(), 1, {{0, 0, 8, false, true, "Сообщ. 2 × 1"}}, {{0, 0}},
       8, false, 10, 13},
      {"example IN 3: nothing plays", plantest::Example(), 2, {}, {}, 0, false, 10, 13},
      {"off stages are skipped; nothing after an unlimited stage plays",
       Plan().System(FieldId::Splitters, 2).Stage(1, 1, 1, 2, 0x01, 2).Stage(1, 3, 2, 1, 0x02).Stage(1, 4, 3, 0, 0x04)
           .Stage(1, 5, 4, 1, 0x08).Off(1, 2).Time(1, "20").Time(2, "7").Time(3, "600"),
       0,
       {{0, 0, 50, false, true, "Сообщ. 1 × 2, пауза 10 с"},
        {2, 50, 57, false, true, "Сообщ. 2 × 1"},
        {3, 57, 57, true, true, "Сообщ. 3 × без огр., пауза 0 с"}},
       {{0, 0}, {1, 1}, {2, 2}},
       57, true, 87, 9},
      // The window keeps such a stage's earlier time: it is drawn as of unknown
      // length, in a nominal span, and so is the total.
      {"an unknown playing time, and no message, make stages of unknown length",
       Plan().Stage(5, 1, 7, 3, 0x01, 7).Stage(5, 2, 0, 2, 0x01, 1).Stage(5, 3, 1, 1, 0x01).Time(7, "abc"), 4,
       {{0, 0, 30, false, false, "Сообщ. 7 × 3, пауза 35 с"},
        {1, 30, 60, false, false, "Не выбр × 2, пауза 5 с", false},
        {2, 60, 70, false, true, "Сообщ. 1 × 1", false}},
       {{0, 0}, {0, 1}, {0, 2}}, 70, false, 70, 9, "неизвестно"},
      {"a time of 0 is a time: the pauses alone, as the window counts",
       Plan().Stage(5, 1, 7, 3, 0x01, 1).Time(7, "0"), 4,
       {{0, 0, 10, false, true, "Сообщ. 7 × 3, пауза 5 с"}}, {{0, 0}}, 10, false, 10, 9},
      {"after a stage of unknown length an unlimited one still plays without end",
       Plan().Stage(1, 1, 7, 1, 0x01).Stage(1, 2, 1, 0, 0x01).Time(7, "?"), 0,
       {{0, 0, 30, false, false, "Сообщ. 7 × 1"}, {1, 30, 30, true, true, "Сообщ. 1 × без огр., пауза 0 с", false}},
       {{0, 0}, {0, 1}}, 30, true, 60, 9},
      {"too long to count plays on without end",
       Plan().Stage(1, 1, 1, 255, 0x01).Time(1, "999999999999999999"), 0,
       {{0, 0, 0, true, true, "Сообщ. 1 × 255, пауза 0 с"}}, {{0, 0}}, 0, true, 30, 9},
      {"relays and ALM OUT of fitted modules only; a count beyond the list fits eight",
       Plan().System(FieldId::Modules, 12).Stage(8, 1, 1, 1, 0x00).Relay(8, 1, 8, 2).Relay(8, 1, 1, 1).AlmOut(8, 1), 7,
       {{0, 0, 10, false, true, "Сообщ. 1 × 1"}}, {{8, 0}, {23, 0}, {24, 0}}, 10, false, 10, 25},
      {"relays of modules not fitted draw nothing",
       Plan().System(FieldId::Modules, 1).Stage(1, 1, 1, 1, 0x00).Relay(1, 1, 2, 1), 0,
       {{0, 0, 10, false, true, "Сообщ. 1 × 1"}}, {}, 10, false, 10, 11},
  };
}

}  // namespace

TEST(Timeline, StagesBandsAndTotalsFromTheImage) {
  for (const Case& k : Cases()) {
    const Timeline t = BuildTimeline(k.plan.image, k.plan.times, k.input);
    EXPECT_EQ(t.input, k.input) << k.name;
    EXPECT_EQ(static_cast<int>(t.rows.size()), k.rows) << k.name;
    ASSERT_EQ(t.stages.size(), k.stages.size()) << k.name;
    for (std::size_t i = 0; i < k.stages.size(); ++i) {
      const StageSpan& e = k.stages[i];
      const TimelineStage& s = t.stages[i];
      EXPECT_EQ(s.stage, e.stage) << k.name << " #" << i;
      EXPECT_EQ(s.start, e.start) << k.name << " #" << i;
      EXPECT_EQ(s.end, e.end) << k.name << " #" << i;
      EXPECT_EQ(s.openEnded, e.open) << k.name << " #" << i;
      EXPECT_EQ(s.timeKnown, e.known) << k.name << " #" << i;
      EXPECT_EQ(s.startKnown, e.startKnown) << k.name << " #" << i;
      EXPECT_EQ(s.label, e.label) << k.name << " #" << i;
    }
    std::vector<std::pair<int, int>> bands;
    for (const TimelineBand& b : t.bands) bands.emplace_back(b.row, b.stage);
    std::sort(bands.begin(), bands.end(), [](auto a, auto b) { return std::tie(a.second, a.first) < std::tie(b.second, b.first); });
    EXPECT_EQ(bands, k.bands) << k.name;
    EXPECT_EQ(t.total, k.total) << k.name;
    EXPECT_EQ(t.unlimited, k.unlimited) << k.name;
    EXPECT_EQ(t.axisEnd, k.axisEnd) << k.name;
    EXPECT_EQ(TotalText(t), k.totalText ? std::string(k.totalText)
                                        : k.unlimited ? std::string("Без ограничения") : std::to_string(k.total) + " с")
        << k.name;
  }
}

TEST(Timeline, RowsNameZonesRelaysAndAlmOutAndGreyUnservedZones) {
  const Plan one = Plan().System(FieldId::Splitters, 1).System(FieldId::Modules, 2);
  const Timeline t = BuildTimeline(one.image, one.times, 0);
  std::vector<std::string> names;
  for (const TimelineRow& r : t.rows) names.push_back(r.name + (r.served ? "" : " -"));
  const std::vector<std::string> want = {"Зона 1",      "Зона 2",      "Зона 3",      "Зона 4",   "Зона 5 -",
                                         "Зона 6 -",    "Зона 7 -",    "Зона 8 -",    "KT-CM3 1 K1", "KT-CM3 1 K2",
                                         "KT-CM3 2 K1", "KT-CM3 2 K2", "ALM OUT"};
  EXPECT_EQ(names, want);
}

TEST(Timeline, TotalText) {
  const Plan example = plantest::Example();
  EXPECT_EQ(TotalText(BuildTimeline(example.image, example.times, 0)), "Без ограничения");
  EXPECT_EQ(TotalText(BuildTimeline(example.image, example.times, 1)), "8 с");
}
