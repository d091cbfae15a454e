#include "plan/Timeline.h"

#include <algorithm>

#include "config/ImageFields.h"
#include "config/PlayingTime.h"
#include "plan/StagePlan.h"

namespace tesra {

namespace {

constexpr long long kShortestAxis = 10;
// Room after the start of an open end: a quarter of what came before, at least half a minute.
constexpr long long kOpenEndRoom = 30;

}  // namespace

std::string StageLabel(unsigned message, unsigned repeats, unsigned pauseSeconds) {
  std::string text = message == 0 ? std::string("Не выбр") : "Сообщ. " + std::to_string(message);
  text += repeats == 0 ? " × без огр." : " × " + std::to_string(repeats);
  if (repeats != 1) text += ", пауза " + std::to_string(pauseSeconds) + " с";
  return text;
}

std::string TotalText(const Timeline& t) {
  if (t.unlimited) return "Без ограничения";
  return t.totalKnown ? std::to_string(t.total) + " с" : std::string("неизвестно");
}

Timeline BuildTimeline(const ConfigImage& image, const MessageTimes& times, int input) {
  Timeline t;
  t.input = std::clamp(input, 0, 7);
  const EquipmentFacts equipment = ReadEquipment(image);
  const unsigned served = equipment.ServedZones();
  for (int z = 0; z < 8; ++z)
    t.rows.push_back({TimelineRowKind::Zone, z, -1, -1, ((served >> z) & 1u) != 0, "Зона " + std::to_string(z + 1)});
  for (int m = 0; m < equipment.FittedModules(); ++m)
    for (int r = 0; r < 2; ++r)
      t.rows.push_back({TimelineRowKind::Relay, -1, m, r, true,
                        "KT-CM3 " + std::to_string(m + 1) + (r == 0 ? " K1" : " K2")});
  t.rows.push_back({TimelineRowKind::AlmOut, -1, -1, -1, true, "ALM OUT"});

  const std::array<StageFacts, 8> stages = ReadStages(image, t.input);
  long long clock = 0;
  bool startKnown = true;
  long long knownUntil = -1;
  for (int s = 0; s < 8 && !t.unlimited; ++s) {
    const StageFacts& st = stages[static_cast<std::size_t>(s)];
    if (!st.on) continue;
    const std::optional<long long> length = MessageSeconds(times, st.message);
    const bool known = length.has_value();
    const long long seconds = known ? StageSeconds(*length, st.repeats, st.pause) : 0;
    const bool open = st.repeats == 0 || IsTooLong(seconds) || IsTooLong(AddSeconds(clock, seconds));
    // A stage of unknown length gets a nominal span, so that it and what follows can be drawn.
    const long long span = known ? seconds : std::max(kOpenEndRoom, clock / 4);
    TimelineStage stage{s, clock, open ? clock : AddSeconds(clock, span), open, known, startKnown,
                        StageLabel(st.message, st.repeats, st.pause)};
    if (!known && !open && knownUntil < 0) knownUntil = clock;
    startKnown = startKnown && (known || open);
    const int index = static_cast<int>(t.stages.size());
    for (int row = 0; row < static_cast<int>(t.rows.size()); ++row) {
      const TimelineRow& r = t.rows[static_cast<std::size_t>(row)];
      const bool active = r.kind == TimelineRowKind::Zone    ? ((st.zones >> r.zone) & 1u) != 0
                          : r.kind == TimelineRowKind::Relay ? ((st.relays[static_cast<std::size_t>(r.module)] >>
                                                                 RelayBit(r.relay)) & 1u) != 0
                                                             : st.almOut;
      if (active) t.bands.push_back({row, index});
    }
    clock = stage.end;
    t.unlimited = open;
    t.stages.push_back(std::move(stage));
  }
  t.total = clock;
  t.totalKnown = knownUntil < 0;
  t.knownUntil = t.totalKnown ? clock : knownUntil;
  t.axisEnd = t.unlimited ? clock + std::max(kOpenEndRoom, clock / 4) : std::max(kShortestAxis, clock);
  return t;
}

}  // namespace tesra
