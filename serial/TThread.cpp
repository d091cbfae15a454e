#include "serial/TThread.h"

namespace tesra {

TThread::TThread(GuiQueue& queue) : queue_(queue) {}

TThread::~TThread() {
  if (thread_.joinable()) {
    Terminate();
    Join();
  }
}

void TThread::Start() {
  thread_ = std::thread([this] {
    Execute();
    finished_.store(true);
    queue_.Notify();
  });
}

void TThread::Terminate() {
  {
    std::lock_guard<std::mutex> lock(pauseM_);
    terminated_.store(true);
  }
  pauseCv_.notify_all();
  queue_.Notify();
}

void TThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TThread::WaitFor() {
  if (queue_.IsGuiThread()) queue_.ServeUntil([this] { return finished_.load(); });
  Join();
}

bool TThread::WaitFor(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  if (queue_.IsGuiThread()) {
    if (!queue_.ServeUntil([this] { return finished_.load(); }, deadline)) return false;
  } else {
    while (!finished_.load()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  Join();
  return true;
}

void TThread::Synchronize(std::function<void()> method) {
  queue_.Send(std::move(method), terminated_);
}

bool TThread::Pause(std::chrono::milliseconds span) {
  std::unique_lock<std::mutex> lock(pauseM_);
  return !pauseCv_.wait_for(lock, span, [this] { return terminated_.load(); });
}

}  // namespace tesra
