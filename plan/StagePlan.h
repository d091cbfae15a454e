// An input's stages as the controller plays them, read from the image through
// the field table: what each stage holds, which zones the fitted splitters
// serve and which relay modules are fitted. The check and the timeline read
// the same facts, so they agree on what plays.
#pragma once

#include <array>

#include "config/ConfigImage.h"

namespace tesra {

struct StageFacts {
  bool on = false;
  bool almOut = false;
  unsigned message = 0;   // 0 = "Не выбр"
  unsigned repeats = 0;   // 0 = unlimited
  unsigned pause = 0;     // seconds
  unsigned zones = 0;     // zone mask
  std::array<unsigned, 8> relays{};  // per module: K1 = bit 1, K2 = bit 0
};

struct EquipmentFacts {
  unsigned splitters = 0;  // as stored, 0..3
  unsigned modules = 0;    // as stored, 0..15
  // Zones some fitted splitter serves: none, 1..4, or all eight (a count
  // beyond the list restricts nothing, as on the screen).
  unsigned ServedZones() const { return splitters == 0 ? 0x00u : splitters == 1 ? 0x0Fu : 0xFFu; }
  // Modules whose relays exist, 0..8.
  int FittedModules() const { return modules > 8 ? 8 : static_cast<int>(modules); }
};

EquipmentFacts ReadEquipment(const ConfigImage& image);
StageFacts ReadStage(const ConfigImage& image, int input, int stage);
std::array<StageFacts, 8> ReadStages(const ConfigImage& image, int input);

// The first stage before `stage` that is on and repeats without limit, -1
// for none: from it on nothing later plays.
int UnlimitedBefore(const std::array<StageFacts, 8>& stages, int stage);

}  // namespace tesra
