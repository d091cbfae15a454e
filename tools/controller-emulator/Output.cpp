#include "tools/controller-emulator/Output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace emu {

using namespace std::chrono_literals;

namespace {
// One pty write per group keeps a fast line from costing a call per byte.
constexpr std::size_t kMaxWrite = 4096;
}  // namespace

Output::Output(unsigned baud) {
  if (baud > 0) byteTime_ = std::chrono::nanoseconds(10'000'000'000LL / baud);
}

void Output::Arm(Clock::time_point now) {
  offset_ = 0;
  readyAt_ = std::max(now, lineFreeAt_) + queue_.front().pauseBefore;
}

void Output::Push(Segment s, Clock::time_point now) {
  const bool wasEmpty = queue_.empty();
  queue_.push_back(std::move(s));
  if (wasEmpty) Arm(now);
}

void Output::Clear() {
  queue_.clear();
  offset_ = 0;
}

std::optional<Clock::time_point> Output::NextDue() const {
  if (queue_.empty()) return std::nullopt;
  return readyAt_;
}

Output::Result Output::Pump(int fd, Clock::time_point now, std::vector<Segment>& done) {
  while (!queue_.empty()) {
    Segment& s = queue_.front();
    if (now < readyAt_) return Result::Ok;
    if (offset_ >= s.bytes.size()) {
      done.push_back(std::move(s));
      queue_.pop_front();
      if (!queue_.empty()) Arm(now);
      continue;
    }
    std::size_t n = std::min(s.bytes.size() - offset_, kMaxWrite);
    if (byteTime_.count() > 0) {
      // A stall (a full pty) is not made up with a burst faster than the line.
      if (now - readyAt_ > 10ms) readyAt_ = now;
      const auto due = static_cast<std::size_t>((now - readyAt_) / byteTime_) + 1;
      n = std::min(n, due);
    }
    const ssize_t w = ::write(fd, s.bytes.data() + offset_, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return Result::Blocked;
      return Result::Failed;
    }
    offset_ += static_cast<std::size_t>(w);
    if (byteTime_.count() > 0) {
      readyAt_ += byteTime_ * w;
      lineFreeAt_ = readyAt_;
    } else {
      lineFreeAt_ = now;
    }
  }
  return Result::Ok;
}

std::vector<Segment> Chunked(const std::vector<std::uint8_t>& bytes, const std::vector<std::size_t>& sizes,
                             std::chrono::microseconds first, std::chrono::microseconds gap) {
  std::vector<Segment> out;
  std::size_t pos = 0, k = 0;
  do {
    const std::size_t want = sizes.empty() ? bytes.size() : sizes[k % sizes.size()];
    const std::size_t n = std::min(std::max<std::size_t>(want, 1), bytes.size() - pos);
    Segment s;
    s.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                   bytes.begin() + static_cast<std::ptrdiff_t>(pos + n));
    s.pauseBefore = out.empty() ? first : gap;
    out.push_back(std::move(s));
    pos += n;
    ++k;
  } while (pos < bytes.size());
  return out;
}

}  // namespace emu
