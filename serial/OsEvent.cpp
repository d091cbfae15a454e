#include "serial/OsEvent.h"

namespace tesra {

void OsEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(m_);
    signalled_ = true;
  }
  if (mode_ == Mode::AutoReset)
    cv_.notify_one();
  else
    cv_.notify_all();
}

void OsEvent::Reset() {
  std::lock_guard<std::mutex> lock(m_);
  signalled_ = false;
}

bool OsEvent::IsSet() const {
  std::lock_guard<std::mutex> lock(m_);
  return signalled_;
}

bool OsEvent::Wait() {
  std::unique_lock<std::mutex> lock(m_);
  cv_.wait(lock, [this] { return signalled_; });
  if (mode_ == Mode::AutoReset) signalled_ = false;
  return true;
}

bool OsEvent::WaitFor(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(m_);
  if (!cv_.wait_for(lock, limit, [this] { return signalled_; })) return false;
  if (mode_ == Mode::AutoReset) signalled_ = false;
  return true;
}

}  // namespace tesra
