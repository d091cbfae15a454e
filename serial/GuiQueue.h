// Calls that worker threads hand to the GUI thread. A post queues the call and
// runs the wake-up hook; the GUI thread runs the queued calls in Drain(), from
// its event loop (the hook queues a Drain() there) and while it waits for a
// worker to end (ServeUntil), so a close never deadlocks against a hand-off.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace tesra {

class GuiQueue {
 public:
  GuiQueue() = default;
  GuiQueue(const GuiQueue&) = delete;
  GuiQueue& operator=(const GuiQueue&) = delete;

  // The queue the program's port components use.
  static GuiQueue& Main();

  // Records the calling thread as the GUI thread.
  void SetGuiThread();
  // True on the recorded GUI thread; true on every thread while none is recorded.
  bool IsGuiThread() const;

  // Called (on the posting thread) after every post. Must not block; typically
  // it queues a Drain() on the GUI event loop.
  void SetWakeHook(std::function<void()> hook);

  // Run on the GUI thread at most every `every` while ServeUntil waits with
  // nothing to run, so that the program's windows keep being drawn during a
  // close that waits seconds for a slow line. Must not start or end a port.
  void SetWaitHook(std::function<void()> hook, std::chrono::milliseconds every);

  // Queues a call for the GUI thread and returns at once.
  void Post(std::function<void()> call);

  // Runs, on the calling thread, the calls queued so far and those queued while
  // they run; returns how many ran. Re-entrant: a call may itself drain.
  std::size_t Drain();

  // Runs queued calls until done() is true (or the deadline passes); done() is
  // re-tested after each call and after every Notify(). True when done() held.
  bool ServeUntil(const std::function<bool()>& done,
                  std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt);

  // Queues a call and blocks until the GUI thread has run it. Also returns once
  // `abandon` is set and the call has already begun on the GUI thread: the GUI
  // thread is then inside that call (for instance closing the port from an
  // event handler) and waits for the caller to end.
  void Send(std::function<void()> call, const std::atomic<bool>& abandon);

  // Wakes ServeUntil and Send so that they re-test their conditions.
  void Notify();

  std::size_t Pending() const;

 private:
  bool PopLocked(std::function<void()>& call);

  mutable std::mutex m_;
  std::condition_variable guiCv_;
  std::condition_variable doneCv_;
  std::deque<std::function<void()>> calls_;
  std::function<void()> hook_;
  std::function<void()> waitHook_;
  std::chrono::milliseconds waitEvery_{0};
  std::atomic<bool> haveGui_{false};
  std::atomic<std::thread::id> gui_{};
};

}  // namespace tesra
