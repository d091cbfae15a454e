// The plan check: what in a configuration would evacuate nobody, or not as
// the engineer meant, before it reaches the controller. Every rule is one row
// of one table (PlanCheck.cpp), so a rule is added in one place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/ConfigImage.h"
#include "config/ImageFields.h"
#include "plan/MessageTimes.h"

namespace tesra {

enum class FindingLevel : std::uint8_t { Error, Warning };

// The rules, in the order of the table.
enum class PlanRule : std::uint8_t {
  CountBeyondList,            // an equipment count no list item shows
  ConsolesBeyondLists,        // fire + announcer consoles beyond what the two lists offer together
  GongWithoutAnnouncer,       // the gong on with no announcer console to sound it
  ZonesBeyondSplitters,       // music presets, AUX/RING/TEL
  StageWithoutMessage,
  StageWithoutZone,           // none chosen, or none a fitted splitter serves
  StageZonesBeyondSplitters,  // some of its zones are served, some not
  RelaysBeyondModules,
  StageAfterOffStage,         // the chain of stages is broken
  StageAfterUnlimited,        // never plays
  MessageTimeUnknown,         // playing time 0 or not a number
};

struct Finding {
  FindingLevel level;
  PlanRule rule;
  std::string where;  // in the window's words: "IN 3, 2 этап", "Разветвитель KT-SP"
  std::string what;   // plain Russian
  FieldId field;      // the field it is about: a system field, or a stage's box
  int input = -1;     // 0..7 for a stage, else -1
  int stage = -1;
};

// "Ошибка" / "Предупреждение".
const char* LevelText(FindingLevel level);

// The findings in reading order: the system section, then IN 1..IN 8 stage
// by stage; rules of one place in table order.
std::vector<Finding> CheckPlan(const ConfigImage& image, const MessageTimes& times);

std::size_t CountFindings(const std::vector<Finding>& findings, FindingLevel level);

}  // namespace tesra
