// The playing times of the 72 messages as the window's list holds them: texts
// (UTF-8), read by the one rule for times. They are not in the image, so the
// check and the timeline take them beside it.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "config/PlayingTime.h"

namespace tesra {

inline constexpr unsigned kMessages = 72;

// Index 0 is message 1.
using MessageTimes = std::array<std::string, kMessages>;

// Whether a message number names one of the list (0 is "Не выбр").
constexpr bool IsListedMessage(unsigned message) { return message >= 1 && message <= kMessages; }

// The playing time of a listed message; no value for "Не выбр", a number
// beyond the list and a text that is not a time.
inline std::optional<long long> MessageSeconds(const MessageTimes& times, unsigned message) {
  if (!IsListedMessage(message)) return std::nullopt;
  return ReadSeconds(times[message - 1]);
}

}  // namespace tesra
