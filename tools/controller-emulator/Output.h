// The emulator's side of the line: replies and bursts queue here and go out
// at the line rate, with the pauses between chunks.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace emu {

using Clock = std::chrono::steady_clock;

struct Segment {
  // What follows once the segment's last byte is out.
  enum class After { None, StopReading, Vanish };
  std::vector<std::uint8_t> bytes;
  std::chrono::microseconds pauseBefore{0};
  After after = After::None;
};

class Output {
 public:
  explicit Output(unsigned baud);

  void Push(Segment s, Clock::time_point now);
  // Drops everything not yet sent (the program closed the port).
  void Clear();
  bool Empty() const { return queue_.empty(); }

  enum class Result { Ok, Blocked, Failed };
  // Writes what is due by `now`; segments wholly sent move to `done`.
  Result Pump(int fd, Clock::time_point now, std::vector<Segment>& done);
  // When the next byte is due; nothing when the queue is empty.
  std::optional<Clock::time_point> NextDue() const;

 private:
  void Arm(Clock::time_point now);

  std::chrono::nanoseconds byteTime_{0};
  std::deque<Segment> queue_;
  std::size_t offset_ = 0;
  Clock::time_point readyAt_{};
  Clock::time_point lineFreeAt_{};
};

// Splits a reply into chunks; the first waits `first`, the others `gap`.
std::vector<Segment> Chunked(const std::vector<std::uint8_t>& bytes, const std::vector<std::size_t>& sizes,
                             std::chrono::microseconds first, std::chrono::microseconds gap);

}  // namespace emu
