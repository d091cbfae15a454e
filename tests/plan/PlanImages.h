// Small images for the plan's tests, built through the field table, and the
// example project of the documentation.
#pragma once

#include <string>

#include "config/ImageFields.h"
#include "plan/MessageTimes.h"
#include "project/ProjectFiles.h"

namespace plantest {

using namespace tesra;

struct Plan {
  ConfigImage image;
  MessageTimes times;

  Plan() { times.fill("10"); }

  Plan& System(FieldId id, unsigned value) {
    PutField(image.data(), SystemField(id), value);
    return *this;
  }
  // Input and stage count from 1, as the window names them.
  Plan& Stage(int input, int stage, unsigned message, unsigned repeats, unsigned zones, unsigned pauseIndex = 0) {
    auto put = [&](FieldId id, unsigned v) { PutField(image.data(), StageField(input - 1, stage - 1, id), v); };
    put(FieldId::StageOn, 1);
    put(FieldId::Message, message);
    put(FieldId::Repeats, repeats);
    put(FieldId::Zones, zones);
    put(FieldId::Pause, pauseIndex);
    return *this;
  }
  Plan& Off(int input, int stage) {
    PutField(image.data(), StageField(input - 1, stage - 1, FieldId::StageOn), 0);
    return *this;
  }
  // Module and relay count from 1 (K1 = 1, K2 = 2).
  Plan& Relay(int input, int stage, int module, int relay) {
    PutFieldBit(image.data(), RelayField(input - 1, stage - 1, module - 1), RelayBit(relay - 1), 1);
    return *this;
  }
  Plan& AlmOut(int input, int stage) {
    PutField(image.data(), StageField(input - 1, stage - 1, FieldId::AlmOut), 1);
    return *this;
  }
  Plan& Time(unsigned message, std::string text) {
    times[message - 1] = std::move(text);
    return *this;
  }
};

// Two splitters, two modules, IN 1 stage 1 playing message 1 once into zone 1.
inline Plan Clean() {
  Plan p;
  p.System(FieldId::Splitters, 2).System(FieldId::Modules, 2).Stage(1, 1, 1, 1, 0x01);
  return p;
}

// docs/example.usr with the times of docs/example.ini, as the README shows them.
inline Plan Example() {
  Plan p;
  const std::string dir = TESRA_SOURCE_DIR "/docs/";
  if (!ReadImageFile(dir + "example.usr", p.image)) throw std::runtime_error("docs/example.usr unreadable");
  p.times = ReadMessageTimes(dir + "example.ini");
  return p;
}

}  // namespace plantest
