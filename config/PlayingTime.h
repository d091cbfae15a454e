// Times in whole seconds: a message's playing time, a pause, a stage and a
// whole evacuation. The editor's stage times and the report's list of
// playing times read them by the same rule, and no sum or product of them
// can wrap: anything longer than kLongestTime is "too long" and stays so.
#pragma once

#include <optional>
#include <string_view>

namespace tesra {

// Eighteen digits: any time a user could mean, and the arithmetic below
// can check it without ever leaving 64 bits.
inline constexpr long long kLongestTime = 999'999'999'999'999'999;
// Stands for every time longer than kLongestTime.
inline constexpr long long kTooLongTime = kLongestTime + 1;

constexpr bool IsTooLong(long long seconds) { return seconds > kLongestTime; }

constexpr long long BoundedSeconds(long long v) { return v < 0 ? 0 : v > kTooLongTime ? kTooLongTime : v; }

// The sum of two times, kTooLongTime when it passes kLongestTime.
constexpr long long AddSeconds(long long a, long long b) {
  const long long sum = BoundedSeconds(a) + BoundedSeconds(b);  // at most 2 * 10^18
  return sum > kTooLongTime ? kTooLongTime : sum;
}

// The product of two times (or a time and a count), kTooLongTime when it
// passes kLongestTime.
constexpr long long MultiplySeconds(long long a, long long b) {
  a = BoundedSeconds(a);
  b = BoundedSeconds(b);
  if (a != 0 && b > kTooLongTime / a) return kTooLongTime;
  return a * b > kTooLongTime ? kTooLongTime : a * b;
}

// A time text: optional blanks (space, tab), an optional sign, decimal
// digits, optional blanks. No value for any other text and for a number
// below 0 (a time is never negative); a number beyond kLongestTime, however
// many digits it has, reads as kTooLongTime.
constexpr std::optional<long long> ReadSeconds(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = AddSeconds(MultiplySeconds(value, 10), c - '0');
  }
  if (negative && value != 0) return std::nullopt;
  return value;
}

// A stage that plays a message of `length` seconds `repeats` times with
// `pause` seconds between the repeats: length * repeats + (repeats - 1) *
// pause, 0 for no repeats; kTooLongTime when it passes kLongestTime.
constexpr long long StageSeconds(long long length, long long repeats, long long pause) {
  if (repeats <= 0) return 0;
  return AddSeconds(MultiplySeconds(length, repeats), MultiplySeconds(repeats - 1, pause));
}

}  // namespace tesra
