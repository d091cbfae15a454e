#include "plan/StagePlan.h"

#include "config/ImageFields.h"

namespace tesra {

EquipmentFacts ReadEquipment(const ConfigImage& image) {
  return {FieldValue(image, SystemField(FieldId::Splitters)), FieldValue(image, SystemField(FieldId::Modules))};
}

StageFacts ReadStage(const ConfigImage& image, int input, int stage) {
  auto value = [&](FieldId id) { return FieldValue(image, StageField(input, stage, id)); };
  StageFacts s;
  s.on = value(FieldId::StageOn) != 0;
  s.almOut = value(FieldId::AlmOut) != 0;
  s.message = value(FieldId::Message);
  s.repeats = value(FieldId::Repeats);
  s.pause = 5 * value(FieldId::Pause);
  s.zones = value(FieldId::Zones);
  for (int m = 0; m < 8; ++m) s.relays[static_cast<std::size_t>(m)] = FieldValue(image, RelayField(input, stage, m));
  return s;
}

std::array<StageFacts, 8> ReadStages(const ConfigImage& image, int input) {
  std::array<StageFacts, 8> stages;
  for (int s = 0; s < 8; ++s) stages[static_cast<std::size_t>(s)] = ReadStage(image, input, s);
  return stages;
}

int UnlimitedBefore(const std::array<StageFacts, 8>& stages, int stage) {
  for (int t = 0; t < stage && t < 8; ++t) {
    const StageFacts& s = stages[static_cast<std::size_t>(t)];
    if (s.on && s.repeats == 0) return t;
  }
  return -1;
}

}  // namespace tesra
