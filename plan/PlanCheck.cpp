#include "plan/PlanCheck.h"

#include <optional>

#include "plan/StagePlan.h"

namespace tesra {

namespace {

// What a rule looks at: a system field, or one stage of one input.
enum class Scope : std::uint8_t { Count, ZoneField, Stage };

struct Subject {
  const ImageField* field;
  int input = -1;
  int stage = -1;
};

// Everything the rules read, gathered once per check.
struct PlanFacts {
  const ConfigImage& image;
  const MessageTimes& times;
  EquipmentFacts equipment;
  std::array<std::array<StageFacts, 8>, 8> stages;  // [input][stage]

  const StageFacts& Stage(const Subject& s) const {
    return stages[static_cast<std::size_t>(s.input)][static_cast<std::size_t>(s.stage)];
  }
};

using Test = std::optional<std::string> (*)(const PlanFacts&, const Subject&);

struct RuleRow {
  PlanRule rule;
  FindingLevel level;
  Scope scope;
  Test test;
};

std::string Number(long long v) { return std::to_string(v); }

std::string SplittersFitted(const PlanFacts& p) {
  return "разветвителей KT-SP установлено: " + Number(p.equipment.splitters);
}

std::string StageName(int stage) { return Number(stage + 1) + " этап"; }

// --- the rules -------------------------------------------------------------

std::optional<std::string> CountBeyondList(const PlanFacts& p, const Subject& s) {
  if (s.field->kind != FieldKind::Count) return std::nullopt;
  const unsigned value = FieldValue(p.image, *s.field);
  const unsigned last = s.field->id == FieldId::Modules ? 8 : 2;
  if (value <= last) return std::nullopt;
  return "Значение " + Number(value) + " вне списка 0.." + Number(last) + ": в окне не выбрано ничего";
}

// The two console lists offer together at most two: beyond that the
// announcer list holds only "0" and its count shows blank.
std::optional<std::string> ConsolesBeyondLists(const PlanFacts& p, const Subject& s) {
  if (s.field->id != FieldId::AnnouncerConsoles) return std::nullopt;
  const unsigned fire = FieldValue(p.image, SystemField(FieldId::FireConsoles));
  const unsigned announcer = FieldValue(p.image, *s.field);
  // A count beyond its own list is warned about by itself.
  if (fire > 2 || announcer > 2 || fire + announcer <= 2) return std::nullopt;
  return "Пожарных пультов " + Number(fire) + " и пультов диктора " + Number(announcer) +
         ": вместе больше 2, в окне количество пультов диктора не показано";
}

std::optional<std::string> GongWithoutAnnouncer(const PlanFacts& p, const Subject& s) {
  if (s.field->id != FieldId::Gong || FieldValue(p.image, *s.field) == 0) return std::nullopt;
  if (FieldValue(p.image, SystemField(FieldId::AnnouncerConsoles)) != 0) return std::nullopt;
  return std::string("Гонг включен, но пультов диктора нет: в окне он выключен");
}

std::optional<std::string> ZonesBeyondSplitters(const PlanFacts& p, const Subject& s) {
  const unsigned beyond = FieldValue(p.image, *s.field) & ~p.equipment.ServedZones() & 0xFFu;
  if (!beyond) return std::nullopt;
  return "Выбраны зоны " + ZoneListText(beyond) + ", которые не обслуживает ни один разветвитель (" +
         SplittersFitted(p) + ")";
}

std::optional<std::string> StageWithoutMessage(const PlanFacts& p, const Subject& s) {
  const StageFacts& st = p.Stage(s);
  if (!st.on || IsListedMessage(st.message)) return std::nullopt;
  if (st.message == 0) return std::string("Этап включен, но сообщение не выбрано (\"Не выбр\")");
  return "Этап включен, но номер сообщения " + Number(st.message) + " вне списка 1..72";
}

std::optional<std::string> StageWithoutZone(const PlanFacts& p, const Subject& s) {
  const StageFacts& st = p.Stage(s);
  if (!st.on || (st.zones & p.equipment.ServedZones())) return std::nullopt;
  if (st.zones == 0) return std::string("Этап включен, но не выбрана ни одна зона");
  return "Этап включен, но ни одну из его зон (" + ZoneListText(st.zones) + ") не обслуживает разветвитель (" +
         SplittersFitted(p) + ")";
}

std::optional<std::string> StageZonesBeyondSplitters(const PlanFacts& p, const Subject& s) {
  const StageFacts& st = p.Stage(s);
  const unsigned served = p.equipment.ServedZones();
  const unsigned beyond = st.zones & ~served & 0xFFu;
  // A stage none of whose zones is served is an error of its own.
  if (!st.on || !beyond || !(st.zones & served)) return std::nullopt;
  return "Зоны " + ZoneListText(beyond) + " не обслуживает ни один разветвитель (" + SplittersFitted(p) +
         "): в них сообщение не прозвучит";
}

std::optional<std::string> RelaysBeyondModules(const PlanFacts& p, const Subject& s) {
  const StageFacts& st = p.Stage(s);
  if (!st.on) return std::nullopt;
  std::string list;
  for (int m = p.equipment.FittedModules(); m < 8; ++m) {
    const unsigned v = st.relays[static_cast<std::size_t>(m)];
    if (v) list += (list.empty() ? "модуль " : "; модуль ") + Number(m + 1) + ": " + ValueText(RelayField(s.input, s.stage, m), v);
  }
  if (list.empty()) return std::nullopt;
  return "Включены реле модулей KT-CM3 сверх установленных (установлено: " + Number(p.equipment.FittedModules()) +
         "): " + list;
}

std::optional<std::string> StageAfterOffStage(const PlanFacts& p, const Subject& s) {
  if (!p.Stage(s).on) return std::nullopt;
  for (int t = 0; t < s.stage; ++t)
    if (!p.stages[static_cast<std::size_t>(s.input)][static_cast<std::size_t>(t)].on)
      return "Этап включен, но " + StageName(t) + " выключен: цепочка этапов прервана";
  return std::nullopt;
}

std::optional<std::string> StageAfterUnlimited(const PlanFacts& p, const Subject& s) {
  if (!p.Stage(s).on) return std::nullopt;
  const int t = UnlimitedBefore(p.stages[static_cast<std::size_t>(s.input)], s.stage);
  if (t < 0) return std::nullopt;
  return "Этап никогда не прозвучит: " + StageName(t) + " повторяется без ограничения";
}

std::optional<std::string> MessageTimeUnknown(const PlanFacts& p, const Subject& s) {
  const StageFacts& st = p.Stage(s);
  if (!st.on || !IsListedMessage(st.message)) return std::nullopt;
  const std::optional<long long> seconds = MessageSeconds(p.times, st.message);
  if (seconds && *seconds > 0) return std::nullopt;
  const std::string message = "Время звучания сообщения " + Number(st.message);
  if (seconds) return message + " равно 0: время этапа не посчитать";
  return message + " (\"" + p.times[st.message - 1] + "\") не число: время этапа не посчитать";
}

// The rules. A new rule is one row here (and its name in PlanRule).
constexpr RuleRow kRules[] = {
    {PlanRule::CountBeyondList, FindingLevel::Warning, Scope::Count, CountBeyondList},
    {PlanRule::ConsolesBeyondLists, FindingLevel::Warning, Scope::Count, ConsolesBeyondLists},
    {PlanRule::GongWithoutAnnouncer, FindingLevel::Warning, Scope::Count, GongWithoutAnnouncer},
    {PlanRule::ZonesBeyondSplitters, FindingLevel::Warning, Scope::ZoneField, ZonesBeyondSplitters},
    {PlanRule::StageWithoutMessage, FindingLevel::Error, Scope::Stage, StageWithoutMessage},
    {PlanRule::StageWithoutZone, FindingLevel::Error, Scope::Stage, StageWithoutZone},
    {PlanRule::StageZonesBeyondSplitters, FindingLevel::Warning, Scope::Stage, StageZonesBeyondSplitters},
    {PlanRule::RelaysBeyondModules, FindingLevel::Warning, Scope::Stage, RelaysBeyondModules},
    {PlanRule::StageAfterOffStage, FindingLevel::Warning, Scope::Stage, StageAfterOffStage},
    {PlanRule::StageAfterUnlimited, FindingLevel::Warning, Scope::Stage, StageAfterUnlimited},
    {PlanRule::MessageTimeUnknown, FindingLevel::Warning, Scope::Stage, MessageTimeUnknown},
};

// The places each scope looks at, in the window's reading order.
std::vector<Subject> SubjectsOf(Scope scope) {
  std::vector<Subject> subjects;
  switch (scope) {
    case Scope::Count:
      for (FieldId id : {FieldId::Splitters, FieldId::Modules, FieldId::FireConsoles, FieldId::AnnouncerConsoles,
                         FieldId::Gong})
        subjects.push_back({&SystemField(id)});
      break;
    case Scope::ZoneField:
      for (FieldId id : {FieldId::MusicPreset1, FieldId::MusicPreset2, FieldId::AuxZones, FieldId::RingZones,
                         FieldId::TelZones})
        subjects.push_back({&SystemField(id)});
      break;
    case Scope::Stage:
      for (int input = 0; input < 8; ++input)
        for (int stage = 0; stage < 8; ++stage)
          subjects.push_back({&StageField(input, stage, FieldId::StageOn), input, stage});
      break;
  }
  return subjects;
}

}  // namespace

const char* LevelText(FindingLevel level) { return level == FindingLevel::Error ? "Ошибка" : "Предупреждение"; }

std::vector<Finding> CheckPlan(const ConfigImage& image, const MessageTimes& times) {
  PlanFacts facts{image, times, ReadEquipment(image), {}};
  for (int input = 0; input < 8; ++input) facts.stages[static_cast<std::size_t>(input)] = ReadStages(image, input);

  std::vector<Finding> findings;
  for (Scope scope : {Scope::Count, Scope::ZoneField, Scope::Stage}) {
    for (const Subject& s : SubjectsOf(scope)) {
      for (const RuleRow& r : kRules) {
        if (r.scope != scope) continue;
        // What a stage the controller never reaches holds does not matter: it gets only that warning.
        if (scope == Scope::Stage && r.rule != PlanRule::StageAfterUnlimited &&
            UnlimitedBefore(facts.stages[static_cast<std::size_t>(s.input)], s.stage) >= 0)
          continue;
        std::optional<std::string> what = r.test(facts, s);
        if (!what) continue;
        const std::string where = s.input >= 0 ? FieldWhere(*s.field) : FieldName(*s.field);
        findings.push_back({r.level, r.rule, where, std::move(*what), s.field->id, s.input, s.stage});
      }
    }
  }
  return findings;
}

std::size_t CountFindings(const std::vector<Finding>& findings, FindingLevel level) {
  std::size_t n = 0;
  for (const Finding& f : findings) n += f.level == level ? 1 : 0;
  return n;
}

}  // namespace tesra
