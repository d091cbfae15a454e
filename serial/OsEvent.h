// Signal objects the port and its workers wake each other with, after the
// operating system's events: an auto-reset event lets one wait through and
// resets itself, a manual-reset event stays signalled until reset.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tesra {

class OsEvent {
 public:
  enum class Mode { AutoReset, ManualReset };

  explicit OsEvent(Mode mode, bool signalled = false) : mode_(mode), signalled_(signalled) {}
  OsEvent(const OsEvent&) = delete;
  OsEvent& operator=(const OsEvent&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // Blocks until signalled; an auto-reset event is consumed by the wait.
  // Always true: the wait has no failure mode of its own.
  bool Wait();
  // False when the limit passed first.
  bool WaitFor(std::chrono::milliseconds limit);

 private:
  const Mode mode_;
  mutable std::mutex m_;
  std::condition_variable cv_;
  bool signalled_;
};

}  // namespace tesra
