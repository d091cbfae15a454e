#include "tests/support/FakeSerialDevice.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "serial/OsError.h"

namespace tesra {

namespace {
// The reasons a failing fake call leaves, in this platform's codes, where a
// real device leaves them: a failed call, no such device.
#ifdef _WIN32
constexpr int kIoFailure = 31;  // ERROR_GEN_FAILURE
constexpr int kNoDevice = 2;    // ERROR_FILE_NOT_FOUND
#else
constexpr int kIoFailure = EIO;
constexpr int kNoDevice = ENOENT;
#endif
}  // namespace

void FakeSerialDevice::Feed(const std::string& bytes) {
  {
    std::lock_guard<std::mutex> lock(m_);
    input_.insert(input_.end(), bytes.begin(), bytes.end());
    if (!bytes.empty()) events_ |= EV_RXCHAR;
    if (bytes.find(static_cast<char>(dcb_.EvtChar)) != std::string::npos) events_ |= EV_RXFLAG;
  }
  cv_.notify_all();
}

void FakeSerialDevice::RaiseEvents(std::uint32_t events) {
  {
    std::lock_guard<std::mutex> lock(m_);
    events_ |= events;
  }
  cv_.notify_all();
}

void FakeSerialDevice::SetModemStatus(std::uint32_t status) {
  {
    std::lock_guard<std::mutex> lock(m_);
    const std::uint32_t changed = status ^ modem_;
    modem_ = status;
    if (changed & MS_CTS_ON) events_ |= EV_CTS;
    if (changed & MS_DSR_ON) events_ |= EV_DSR;
    if (changed & MS_RLSD_ON) events_ |= EV_RLSD;
    if (changed & MS_RING_ON) events_ |= EV_RING;
  }
  cv_.notify_all();
}

void FakeSerialDevice::HoldWrites(bool hold) {
  {
    std::lock_guard<std::mutex> lock(m_);
    hold_ = hold;
  }
  cv_.notify_all();
}

void FakeSerialDevice::SetWriteChunk(std::uint32_t max) {
  std::lock_guard<std::mutex> lock(m_);
  chunk_ = max;
}

void FakeSerialDevice::SetByteTime(std::chrono::microseconds perByte) {
  std::lock_guard<std::mutex> lock(m_);
  byteTime_ = perByte;
}

void FakeSerialDevice::HoldModemStatus(bool hold, bool pastTheMask) {
  {
    std::lock_guard<std::mutex> lock(m_);
    holdModem_ = hold;
    holdPastMask_ = pastTheMask;
  }
  cv_.notify_all();
}

bool FakeSerialDevice::WaitForHeldModemStatus(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(m_);
  return cv_.wait_for(lock, limit, [&] { return heldModem_; });
}

void FakeSerialDevice::Fail(Call call, bool fail) {
  std::lock_guard<std::mutex> lock(m_);
  fail_[call] = fail;
}

std::string FakeSerialDevice::Output() const {
  std::lock_guard<std::mutex> lock(m_);
  return output_;
}

std::string FakeSerialDevice::TakeOutput() {
  std::lock_guard<std::mutex> lock(m_);
  std::string out;
  out.swap(output_);
  return out;
}

bool FakeSerialDevice::WaitForOutput(std::size_t n, std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(m_);
  return cv_.wait_for(lock, limit, [&] { return output_.size() >= n; });
}

bool FakeSerialDevice::WaitForHeldWrite(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(m_);
  return cv_.wait_for(lock, limit, [&] { return heldWrite_; });
}

std::size_t FakeSerialDevice::InQueue() const {
  std::lock_guard<std::mutex> lock(m_);
  return input_.size();
}

std::vector<std::string> FakeSerialDevice::Log() const {
  std::lock_guard<std::mutex> lock(m_);
  return log_;
}

void FakeSerialDevice::ClearLog() {
  std::lock_guard<std::mutex> lock(m_);
  log_.clear();
}

DeviceControlBlock FakeSerialDevice::State() const {
  std::lock_guard<std::mutex> lock(m_);
  return dcb_;
}

std::uint32_t FakeSerialDevice::Mask() const {
  std::lock_guard<std::mutex> lock(m_);
  return mask_;
}

std::uint64_t FakeSerialDevice::Calls(Call call) const {
  std::lock_guard<std::mutex> lock(m_);
  return calls_[call];
}

int FakeSerialDevice::OpenedPort() const {
  std::lock_guard<std::mutex> lock(m_);
  return open_ ? port_ : 0;
}

bool FakeSerialDevice::Failing(Call call) {
  ++calls_[call];
  if (fail_[call] || !open_) {
    SetLastOsError(kIoFailure);
    return true;
  }
  return false;
}

void FakeSerialDevice::Note(const std::string& entry) { log_.push_back(entry); }

bool FakeSerialDevice::Open(int comNumber) {
  std::lock_guard<std::mutex> lock(m_);
  ++calls_[cOpen];
  Note("Open " + std::to_string(comNumber));
  if (fail_[cOpen] || open_) {
    SetLastOsError(kNoDevice);
    return false;
  }
  open_ = true;
  port_ = comNumber;
  mask_ = events_ = 0;
  waitPending_ = maskCleared_ = cancelled_ = heldWrite_ = false;
  sent_ = 0;
  return true;
}

bool FakeSerialDevice::IsOpen() const {
  std::lock_guard<std::mutex> lock(m_);
  return open_;
}

bool FakeSerialDevice::SetupComm(std::uint32_t inQueue, std::uint32_t outQueue) {
  std::lock_guard<std::mutex> lock(m_);
  Note("SetupComm " + std::to_string(inQueue) + " " + std::to_string(outQueue));
  return open_;
}

bool FakeSerialDevice::SetCommTimeouts(const CommTimeouts& t) {
  std::lock_guard<std::mutex> lock(m_);
  const bool zero = t.ReadIntervalTimeout == 0 && t.ReadTotalTimeoutMultiplier == 0 &&
                    t.ReadTotalTimeoutConstant == 0 && t.WriteTotalTimeoutMultiplier == 0 &&
                    t.WriteTotalTimeoutConstant == 0;
  Note(zero ? "SetCommTimeouts 0" : "SetCommTimeouts ?");
  return open_;
}

bool FakeSerialDevice::GetCommState(DeviceControlBlock& dcb) {
  std::lock_guard<std::mutex> lock(m_);
  Note("GetCommState");
  if (!open_) return false;
  dcb = dcb_;
  return true;
}

bool FakeSerialDevice::SetCommState(const DeviceControlBlock& dcb) {
  std::lock_guard<std::mutex> lock(m_);
  Note("SetCommState");
  if (Failing(cSetCommState)) return false;
  dcb_ = dcb;
  return true;
}

bool FakeSerialDevice::SetCommMask(std::uint32_t mask) {
  {
    std::lock_guard<std::mutex> lock(m_);
    char text[32];
    std::snprintf(text, sizeof text, "SetCommMask 0x%04X", mask);
    Note(text);
    if (!open_) return false;
    mask_ = mask;
    if (mask == 0 && waitPending_) maskCleared_ = true;
  }
  cv_.notify_all();
  return true;
}

IoResult FakeSerialDevice::WaitCommEvent(std::uint32_t& mask) {
  std::lock_guard<std::mutex> lock(m_);
  if (Failing(cWaitCommEvent) || mask_ == 0 || cancelled_) return IoResult::Failed;
  if (events_ & mask_) {
    mask = events_ & mask_;
    events_ = 0;
    return IoResult::Done;
  }
  waitPending_ = true;
  maskCleared_ = false;
  return IoResult::Pending;
}

bool FakeSerialDevice::AwaitCommEvent(std::uint32_t& mask) {
  std::unique_lock<std::mutex> lock(m_);
  if (!waitPending_) return false;
  cv_.wait(lock, [&] { return maskCleared_ || cancelled_ || (events_ & mask_) != 0; });
  waitPending_ = false;
  if (maskCleared_) {
    maskCleared_ = false;
    mask = 0;
    return true;
  }
  if (cancelled_) return false;
  mask = events_ & mask_;
  events_ = 0;
  return true;
}

bool FakeSerialDevice::GetCommModemStatus(std::uint32_t& status) {
  std::unique_lock<std::mutex> lock(m_);
  if (Failing(cModemStatus)) return false;
  if (holdModem_) {
    heldModem_ = true;
    cv_.notify_all();
    cv_.wait(lock, [&] { return !holdModem_ || (mask_ == 0 && !holdPastMask_) || cancelled_ || !open_; });
    heldModem_ = false;
    if (cancelled_ || !open_) return false;
  }
  status = modem_;
  return true;
}

bool FakeSerialDevice::ClearCommError(std::uint32_t& errors, ComStat& stat) {
  std::lock_guard<std::mutex> lock(m_);
  errors = 0;
  if (Failing(cClearCommError)) return false;
  stat.cbInQue = static_cast<std::uint32_t>(input_.size());
  stat.cbOutQue = 0;
  return true;
}

bool FakeSerialDevice::ReadFile(void* buffer, std::uint32_t n, std::uint32_t& got) {
  std::lock_guard<std::mutex> lock(m_);
  got = 0;
  if (Failing(cReadFile) || cancelled_) return false;
  const std::size_t k = std::min<std::size_t>(n, input_.size());
  std::copy_n(input_.begin(), k, static_cast<char*>(buffer));
  input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(k));
  got = static_cast<std::uint32_t>(k);
  return true;
}

bool FakeSerialDevice::WriteFile(const void* buffer, std::uint32_t n, std::uint32_t& done) {
  std::unique_lock<std::mutex> lock(m_);
  done = 0;
  if (Failing(cWriteFile)) return false;
  const unsigned gen = purgeGen_;
  if (hold_) {
    heldWrite_ = true;
    cv_.notify_all();
    cv_.wait(lock, [&] { return !hold_ || cancelled_ || purgeGen_ != gen || !open_; });
    heldWrite_ = false;
  }
  if (cancelled_ || purgeGen_ != gen || !open_) return false;
  const std::uint32_t k = chunk_ ? std::min(n, chunk_) : n;
  const auto* bytes = static_cast<const char*>(buffer);
  if (byteTime_.count() > 0) {
    for (; done < k; ++done) {
      if (cv_.wait_for(lock, byteTime_, [&] { return cancelled_ || purgeGen_ != gen || !open_; })) return false;
      output_.push_back(bytes[done]);
      ++sent_;
      cv_.notify_all();
    }
  } else {
    output_.append(bytes, k);
    sent_ += k;
    done = k;
  }
  events_ |= EV_TXEMPTY;
  lock.unlock();
  cv_.notify_all();
  return true;
}

bool FakeSerialDevice::OutputSent(std::uint64_t& sent) {
  std::lock_guard<std::mutex> lock(m_);
  if (!open_) return false;
  sent = sent_;
  return true;
}

bool FakeSerialDevice::PurgeComm(std::uint32_t flags) {
  {
    std::lock_guard<std::mutex> lock(m_);
    char text[24];
    std::snprintf(text, sizeof text, "PurgeComm 0x%02X", flags);
    Note(text);
    if (Failing(cPurge)) return false;
    if (flags & PURGE_RXCLEAR) input_.clear();
    if (flags & PURGE_TXABORT) ++purgeGen_;
  }
  cv_.notify_all();
  return true;
}

bool FakeSerialDevice::EscapeCommFunction(std::uint32_t function) {
  std::lock_guard<std::mutex> lock(m_);
  Note("Escape " + std::to_string(function));
  return !Failing(cEscape);
}

void FakeSerialDevice::CancelIo() {
  {
    std::lock_guard<std::mutex> lock(m_);
    Note("CancelIo");
    cancelled_ = true;
  }
  cv_.notify_all();
}

void FakeSerialDevice::ResumeIo() {
  std::lock_guard<std::mutex> lock(m_);
  Note("ResumeIo");
  cancelled_ = false;
}

bool FakeSerialDevice::CloseHandle() {
  {
    std::lock_guard<std::mutex> lock(m_);
    Note("CloseHandle");
    if (!open_) return false;
    open_ = false;
    cancelled_ = false;
    hold_ = false;
  }
  cv_.notify_all();
  return true;
}

}  // namespace tesra
