#include "serial/PosixSerialDevice.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "serial/PosixTermios.h"

namespace tesra {

namespace {

// A device that hung up is asked again this often, so that a dead device
// costs nothing while it stays open.
constexpr int kHungUpRetestMs = 1000;
// Sampling interval of the modem lines and line-error counts while watched.
constexpr int kLineSampleMs = 100;
// Re-test interval of the output queue while EV_TXEMPTY is due.
constexpr int kTxEmptyRetestMs = 10;

constexpr std::uint32_t kLineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr std::uint32_t kCountEvents = EV_BREAK | EV_ERR;

// What the tty took of `dcb`: a driver may drop mark and space parity or
// RTS/CTS without failing, and a rate it refused leaves 38400.
DeviceControlBlock TakenOf(const DeviceControlBlock& dcb, const termios& back, std::uint32_t rate) {
  DeviceControlBlock has = dcb;
  if (dcb.Parity >= 3 && !(back.c_cflag & CMSPAR)) has.Parity = dcb.Parity == 3 ? 1 : 2;  // odd or even left
  if (!(back.c_cflag & CRTSCTS)) {
    has.Flags &= ~dcb::fOutxCtsFlow;
    if ((has.Flags & dcb::fRtsControlMask) == dcb::fRtsControlHandshake)
      has.Flags = (has.Flags & ~dcb::fRtsControlMask) | dcb::fRtsControlEnable;
  }
  has.BaudRate = rate;
  return has;
}

}  // namespace

bool PosixTtyCalls::GetAttr(int fd, termios& t) { return ::tcgetattr(fd, &t) == 0; }
bool PosixTtyCalls::SetAttr(int fd, const termios& t) { return ::tcsetattr(fd, TCSANOW, &t) == 0; }
bool PosixTtyCalls::SetRate(int fd, std::uint32_t rate) { return SetCustomBaudRate(fd, rate); }
bool PosixTtyCalls::GetRate(int fd, std::uint32_t& rate) { return GetLineRate(fd, rate); }
bool PosixTtyCalls::ModemLines(int fd, unsigned long request, int lines) { return ::ioctl(fd, request, &lines) == 0; }

PosixTtyCalls& SystemTtyCalls() {
  static PosixTtyCalls calls;
  return calls;
}

std::string DevicePathForPort(int n) {
  if (n < 1) return {};
  const char* dir = std::getenv("TESRACONFIG_COM_DIR");
  if (dir && *dir) return std::string(dir) + "/COM" + std::to_string(n);
  if (n <= 32) return "/dev/ttyS" + std::to_string(n - 1);
  if (n <= 64) return "/dev/ttyUSB" + std::to_string(n - 33);
  if (n <= 96) return "/dev/ttyACM" + std::to_string(n - 65);
  return {};
}

// Opened non-blocking, without becoming the controlling terminal.
bool PortDeviceExists(int n) {
  const std::string path = DevicePathForPort(n);
  if (path.empty()) return false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::unique_ptr<SerialDevice> CreatePlatformSerialDevice() { return std::make_unique<PosixSerialDevice>(); }

PosixSerialDevice::~PosixSerialDevice() {
  if (fd_ >= 0) CloseHandle();
}

bool PosixSerialDevice::Open(int comNumber) {
  if (fd_ >= 0) {
    errno = EBUSY;
    return false;
  }
  const std::string path = DevicePathForPort(comNumber);
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  auto fail = [fd](int err) {
    ::close(fd);
    errno = err;
    return false;
  };
  if (!::isatty(fd)) return fail(ENOTTY);
  // TIOCEXCL does not stop root; the lock does.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(EBUSY);
  ::ioctl(fd, TIOCEXCL);
  termios t{};
  if (!tty_.GetAttr(fd, t)) return fail(errno);
  // Raw at once, at the rate the device runs at, whatever an earlier program left.
  DeviceControlBlock start;
  start.BaudRate = RateOfSpeed(cfgetospeed(&t));
  t = TerminalSettingsOf(t, start);
  if (!tty_.SetAttr(fd, t)) return fail(errno);
  const int w1 = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  const int w2 = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (w1 < 0 || w2 < 0) {
    const int err = errno;
    if (w1 >= 0) ::close(w1);
    if (w2 >= 0) ::close(w2);
    return fail(err);
  }
  fd_ = fd;
  waitWake_ = w1;
  writeWake_ = w2;
  dcb_ = start;
  std::lock_guard<std::mutex> lock(m_);
  mask_ = 0;
  waitPending_ = maskCleared_ = rxFlag_ = txPending_ = waitBlind_ = hungUp_ = false;
  rxArmed_ = true;
  int lines = 0;
  linesOk_ = ::ioctl(fd_, TIOCMGET, &lines) == 0;
  lastLines_ = lines;
  serial_icounter_struct ic{};
  countsOk_ = ::ioctl(fd_, TIOCGICOUNT, &ic) == 0;
  lastBrk_ = static_cast<std::uint32_t>(ic.brk);
  lastErr_ = ic.frame + ic.overrun + ic.parity + ic.buf_overrun;
  cancelled_.store(false);
  completedWaits_.store(0);
  accepted_.store(0);
  errno = 0;
  return true;
}

bool PosixSerialDevice::SetupComm(std::uint32_t, std::uint32_t) {
  // The tty's queues have fixed sizes; the component never relies on more.
  return fd_ >= 0;
}

bool PosixSerialDevice::SetCommTimeouts(const CommTimeouts&) {
  // Reads ask only for queued bytes and never wait; nothing to set.
  return fd_ >= 0;
}

bool PosixSerialDevice::GetCommState(DeviceControlBlock& dcb) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  std::lock_guard<std::mutex> lock(m_);
  dcb = dcb_;
  return true;
}

bool PosixSerialDevice::SetCommState(const DeviceControlBlock& dcb) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  termios t{};
  if (!tty_.GetAttr(fd_, t)) return false;
  t = TerminalSettingsOf(t, dcb);
  if (!tty_.SetAttr(fd_, t)) return false;
  if (!PosixSpeed(dcb.BaudRate) && !tty_.SetRate(fd_, dcb.BaudRate)) return false;
  // Read back: what the tty did not take is a failed setting, and the block
  // kept is what the device has.
  termios back{};
  std::uint32_t rate = 0;
  if (!tty_.GetAttr(fd_, back) || !tty_.GetRate(fd_, rate)) return false;
  const DeviceControlBlock has = TakenOf(dcb, back, rate);
  {
    std::lock_guard<std::mutex> lock(m_);
    dcb_ = has;
  }
  if (has == dcb) return true;
  errno = EINVAL;
  return false;
}

void PosixSerialDevice::Kick(int fd) {
  if (fd < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t r = ::write(fd, &one, sizeof one);
}

void PosixSerialDevice::Drain(int fd) {
  std::uint64_t v;
  [[maybe_unused]] ssize_t r = ::read(fd, &v, sizeof v);
}

bool PosixSerialDevice::SetCommMask(std::uint32_t mask) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(m_);
    mask_ = mask;
    if (mask == 0 && waitPending_) maskCleared_ = true;
  }
  Kick(waitWake_);
  return true;
}

IoResult PosixSerialDevice::WaitCommEvent(std::uint32_t& mask) {
  {
    std::lock_guard<std::mutex> lock(m_);
    if (fd_ < 0 || mask_ == 0 || cancelled_.load()) {
      errno = fd_ < 0 ? EBADF : EINVAL;
      return IoResult::Failed;
    }
    waitPending_ = true;
    maskCleared_ = false;
  }
  const int r = WaitCore(mask, false);
  if (r > 0) return IoResult::Done;
  if (r == 0) return IoResult::Pending;
  return IoResult::Failed;
}

bool PosixSerialDevice::AwaitCommEvent(std::uint32_t& mask) {
  return WaitCore(mask, true) > 0;
}

bool PosixSerialDevice::SampleLines(std::uint32_t mask, std::uint32_t& events) {
  bool sampled = false;
  if (linesOk_ && (mask & kLineEvents)) {
    int lines = 0;
    if (::ioctl(fd_, TIOCMGET, &lines) == 0) {
      const int changed = lines ^ lastLines_;
      lastLines_ = lines;
      if (changed & TIOCM_CTS) events |= EV_CTS;
      if (changed & TIOCM_DSR) events |= EV_DSR;
      if (changed & TIOCM_CD) events |= EV_RLSD;
      if ((changed & TIOCM_RI) && !(lines & TIOCM_RI)) events |= EV_RING;
      events &= mask | ~kLineEvents;
      sampled = true;
    }
  }
  if (countsOk_ && (mask & kCountEvents)) {
    serial_icounter_struct ic{};
    if (::ioctl(fd_, TIOCGICOUNT, &ic) == 0) {
      const auto err = static_cast<std::uint32_t>(ic.frame + ic.overrun + ic.parity + ic.buf_overrun);
      if (static_cast<std::uint32_t>(ic.brk) != lastBrk_ && (mask & EV_BREAK)) events |= EV_BREAK;
      if (err != lastErr_ && (mask & EV_ERR)) events |= EV_ERR;
      lastBrk_ = static_cast<std::uint32_t>(ic.brk);
      lastErr_ = err;
      sampled = true;
    }
  }
  return sampled;
}

int PosixSerialDevice::WaitCore(std::uint32_t& out, bool block) {
  for (;;) {
    Drain(waitWake_);
    int q = 0;
    const bool haveCount = ::ioctl(fd_, FIONREAD, &q) == 0;
    std::uint32_t events = 0;
    int timeout = block ? -1 : 0;
    bool watchInput = true;
    bool hung = false;
    {
      std::lock_guard<std::mutex> lock(m_);
      if (cancelled_.load()) {
        waitPending_ = false;
        errno = ECANCELED;
        return -1;
      }
      if (maskCleared_) {
        maskCleared_ = waitPending_ = false;
        out = 0;
        ++completedWaits_;
        return 1;
      }
      const std::uint32_t mask = mask_;
      if (haveCount && q == 0) {
        rxArmed_ = true;
      } else if (haveCount && q > 0) {
        // Bytes already reported sit until the reader takes them: report them
        // once, and leave the level-triggered POLLIN out meanwhile.
        if (rxArmed_ && (mask & EV_RXCHAR)) events |= EV_RXCHAR;
        if (rxArmed_) rxArmed_ = false;
        watchInput = false;
      }
      if (rxFlag_ && (mask & EV_RXFLAG)) events |= EV_RXFLAG;
      rxFlag_ = false;
      if (txPending_) {
        int outq = 0;
        if (!(mask & EV_TXEMPTY) || ::ioctl(fd_, TIOCOUTQ, &outq) != 0 || outq == 0) {
          if (mask & EV_TXEMPTY) events |= EV_TXEMPTY;
          txPending_ = false;
        } else if (block) {
          timeout = kTxEmptyRetestMs;
        }
      }
      if (SampleLines(mask, events) && block && (timeout < 0 || timeout > kLineSampleMs))
        timeout = kLineSampleMs;
      if (events) {
        waitPending_ = false;
        out = events;
        ++completedWaits_;
        return 1;
      }
      hung = hungUp_;
      if (hung) {
        if (!block) return 0;
        watchInput = false;
        timeout = kHungUpRetestMs;
      }
      waitBlind_ = !watchInput;
    }
    pollfd fds[2] = {{waitWake_, POLLIN, 0}, {fd_, static_cast<short>(watchInput ? POLLIN : 0), 0}};
    const int n = ::poll(fds, hung ? 1 : 2, timeout);
    {
      std::lock_guard<std::mutex> lock(m_);
      waitBlind_ = false;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) {
      if (!block) return 0;
      if (hung) {
        errno = EIO;
        return -1;
      }
      continue;
    }
    if (!hung && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
      std::lock_guard<std::mutex> lock(m_);
      hungUp_ = true;
    }
  }
}

bool PosixSerialDevice::GetCommModemStatus(std::uint32_t& status) {
  int lines = 0;
  if (fd_ < 0 || ::ioctl(fd_, TIOCMGET, &lines) != 0) return false;
  status = 0;
  if (lines & TIOCM_CTS) status |= MS_CTS_ON;
  if (lines & TIOCM_DSR) status |= MS_DSR_ON;
  if (lines & TIOCM_RI) status |= MS_RING_ON;
  if (lines & TIOCM_CD) status |= MS_RLSD_ON;
  return true;
}

bool PosixSerialDevice::ClearCommError(std::uint32_t& errors, ComStat& stat) {
  errors = 0;
  int in = 0, out = 0;
  if (fd_ < 0 || cancelled_.load() || ::ioctl(fd_, FIONREAD, &in) != 0) return false;
  if (::ioctl(fd_, TIOCOUTQ, &out) != 0) out = 0;
  stat.cbInQue = static_cast<std::uint32_t>(in);
  stat.cbOutQue = static_cast<std::uint32_t>(out);
  return true;
}

bool PosixSerialDevice::ReadFile(void* buffer, std::uint32_t n, std::uint32_t& got) {
  got = 0;
  if (fd_ < 0 || cancelled_.load()) {
    errno = ECANCELED;
    return false;
  }
  ssize_t r;
  do {
    r = ::read(fd_, buffer, n);
  } while (r < 0 && errno == EINTR);
  if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
  if (r <= 0) {
    // A tty that reads 0 has hung up.
    if (r == 0) errno = EIO;
    std::lock_guard<std::mutex> lock(m_);
    hungUp_ = true;
    return false;
  }
  got = static_cast<std::uint32_t>(r);
  bool kick;
  {
    std::lock_guard<std::mutex> lock(m_);
    rxArmed_ = true;
    if ((mask_ & EV_RXFLAG) && std::memchr(buffer, dcb_.EvtChar, got)) rxFlag_ = true;
    kick = waitBlind_ || rxFlag_;
  }
  if (kick) Kick(waitWake_);
  return true;
}

bool PosixSerialDevice::WriteFile(const void* buffer, std::uint32_t n, std::uint32_t& done) {
  done = 0;
  const unsigned gen = purgeGen_.load();
  const auto* p = static_cast<const char*>(buffer);
  while (done < n) {
    Drain(writeWake_);
    if (fd_ < 0 || cancelled_.load() || purgeGen_.load() != gen) {
      errno = ECANCELED;
      return false;
    }
    const ssize_t r = ::write(fd_, p + done, n - done);
    if (r > 0) {
      done += static_cast<std::uint32_t>(r);
      accepted_ += static_cast<std::uint64_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Held back (flow control, or the other side does not read): wait for
      // room, a purge or a cancel.
      pollfd fds[2] = {{writeWake_, POLLIN, 0}, {fd_, POLLOUT, 0}};
      const int k = ::poll(fds, 2, -1);
      if (k < 0 && errno != EINTR) return false;
      if (k > 0 && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
        errno = EIO;
        return false;
      }
      continue;
    }
    return false;
  }
  bool kick;
  {
    std::lock_guard<std::mutex> lock(m_);
    txPending_ = true;
    kick = (mask_ & EV_TXEMPTY) != 0;
  }
  if (kick) Kick(waitWake_);
  return true;
}

// What the tty took, less what still waits in its output queue (a pty
// reports 0 there: its bytes count as sent once taken).
bool PosixSerialDevice::OutputSent(std::uint64_t& sent) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued < 0) queued = 0;
  const std::uint64_t taken = accepted_.load();
  sent = taken - std::min<std::uint64_t>(taken, static_cast<std::uint64_t>(queued));
  return true;
}

bool PosixSerialDevice::PurgeComm(std::uint32_t flags) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  bool ok = true;
  if (flags & PURGE_TXABORT) {
    ++purgeGen_;
    Kick(writeWake_);
  }
  if ((flags & PURGE_RXCLEAR) && ::tcflush(fd_, TCIFLUSH) != 0) ok = false;
  if ((flags & PURGE_TXCLEAR) && ::tcflush(fd_, TCOFLUSH) != 0) ok = false;
  return ok;
}

bool PosixSerialDevice::EscapeCommFunction(std::uint32_t function) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  switch (function) {
    case SETRTS: return tty_.ModemLines(fd_, TIOCMBIS, TIOCM_RTS);
    case CLRRTS: return tty_.ModemLines(fd_, TIOCMBIC, TIOCM_RTS);
    case SETDTR: return tty_.ModemLines(fd_, TIOCMBIS, TIOCM_DTR);
    case CLRDTR: return tty_.ModemLines(fd_, TIOCMBIC, TIOCM_DTR);
    case SETBREAK: return ::ioctl(fd_, TIOCSBRK) == 0;
    case CLRBREAK: return ::ioctl(fd_, TIOCCBRK) == 0;
    default: errno = EINVAL; return false;
  }
}

void PosixSerialDevice::CancelIo() {
  cancelled_.store(true);
  { std::lock_guard<std::mutex> lock(m_); }
  Kick(waitWake_);
  Kick(writeWake_);
}

void PosixSerialDevice::ResumeIo() { cancelled_.store(false); }

bool PosixSerialDevice::CloseHandle() {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  ::ioctl(fd_, TIOCNXCL);
  ::flock(fd_, LOCK_UN);
  const bool ok = ::close(fd_) == 0;
  ::close(waitWake_);
  ::close(writeWake_);
  fd_ = waitWake_ = writeWake_ = -1;
  cancelled_.store(false);
  return ok;
}

}  // namespace tesra
