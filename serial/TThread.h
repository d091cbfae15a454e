// Base of the port's workers: a body on a std::thread of its own, a stop
// flag the body tests, a wait for the body's end that keeps serving the GUI
// hand-offs when made on the GUI thread, and the hand-off itself.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "serial/GuiQueue.h"

namespace tesra {

class TThread {
 public:
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;
  // The body must have ended (WaitFor) before the derived part is destroyed.
  virtual ~TThread();

  // Sets the stop flag; also cuts short a back-off pause and releases a
  // hand-off that the GUI thread is already running.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  bool Finished() const { return finished_.load(); }

  // Blocks until the body has returned.
  void WaitFor();
  // The same with a limit; false when the body is still running.
  bool WaitFor(std::chrono::milliseconds limit);

 protected:
  explicit TThread(GuiQueue& queue);
  // Starts the body; the last statement of the final class's constructor.
  void Start();
  virtual void Execute() = 0;
  // Runs `method` on the GUI thread and blocks until it has run.
  void Synchronize(std::function<void()> method);
  // Pauses the body; returns early (false) once the stop flag is set.
  bool Pause(std::chrono::milliseconds span);
  GuiQueue& Queue() { return queue_; }

 private:
  void Join();

  GuiQueue& queue_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::mutex pauseM_;
  std::condition_variable pauseCv_;
  std::thread thread_;
};

}  // namespace tesra
