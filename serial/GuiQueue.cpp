#include "serial/GuiQueue.h"

namespace tesra {

GuiQueue& GuiQueue::Main() {
  static GuiQueue queue;
  return queue;
}

void GuiQueue::SetGuiThread() {
  gui_.store(std::this_thread::get_id());
  haveGui_.store(true);
}

bool GuiQueue::IsGuiThread() const {
  return !haveGui_.load() || gui_.load() == std::this_thread::get_id();
}

void GuiQueue::SetWakeHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(m_);
  hook_ = std::move(hook);
}

void GuiQueue::Post(std::function<void()> call) {
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> lock(m_);
    calls_.push_back(std::move(call));
    hook = hook_;
  }
  guiCv_.notify_all();
  if (hook) hook();
}

bool GuiQueue::PopLocked(std::function<void()>& call) {
  if (calls_.empty()) return false;
  call = std::move(calls_.front());
  calls_.pop_front();
  return true;
}

std::size_t GuiQueue::Drain() {
  std::size_t ran = 0;
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> lock(m_);
      if (!PopLocked(call)) break;
    }
    call();
    ++ran;
  }
  return ran;
}

void GuiQueue::SetWaitHook(std::function<void()> hook, std::chrono::milliseconds every) {
  std::lock_guard<std::mutex> lock(m_);
  waitHook_ = std::move(hook);
  waitEvery_ = every;
}

bool GuiQueue::ServeUntil(const std::function<bool()>& done,
                          std::optional<std::chrono::steady_clock::time_point> deadline) {
  using Clock = std::chrono::steady_clock;
  std::unique_lock<std::mutex> lock(m_);
  auto nextHook = Clock::now() + waitEvery_;
  for (;;) {
    if (done()) return true;
    std::function<void()> call;
    if (PopLocked(call)) {
      lock.unlock();
      call();
      call = nullptr;
      lock.lock();
      continue;
    }
    auto ready = [&] { return !calls_.empty() || done(); };
    if (waitHook_ && (!deadline || nextHook < *deadline)) {
      if (guiCv_.wait_until(lock, nextHook, ready)) continue;
      const std::function<void()> hook = waitHook_;
      lock.unlock();
      hook();
      lock.lock();
      nextHook = Clock::now() + waitEvery_;
    } else if (deadline) {
      if (!guiCv_.wait_until(lock, *deadline, ready)) return false;
    } else {
      guiCv_.wait(lock, ready);
    }
  }
}

void GuiQueue::Send(std::function<void()> call, const std::atomic<bool>& abandon) {
  struct State {
    bool started = false;
    bool done = false;
  };
  auto state = std::make_shared<State>();
  Post([this, state, call = std::move(call)] {
    {
      std::lock_guard<std::mutex> lock(m_);
      state->started = true;
    }
    struct Finish {
      GuiQueue* q;
      State* s;
      ~Finish() {
        {
          std::lock_guard<std::mutex> lock(q->m_);
          s->done = true;
        }
        q->doneCv_.notify_all();
      }
    } finish{this, state.get()};
    call();
  });
  std::unique_lock<std::mutex> lock(m_);
  doneCv_.wait(lock, [&] { return state->done || (state->started && abandon.load()); });
}

void GuiQueue::Notify() {
  { std::lock_guard<std::mutex> lock(m_); }
  guiCv_.notify_all();
  doneCv_.notify_all();
}

std::size_t GuiQueue::Pending() const {
  std::lock_guard<std::mutex> lock(m_);
  return calls_.size();
}

}  // namespace tesra
