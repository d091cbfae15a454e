#include "serial/Win32SerialDevice.h"

#include <algorithm>

#include "serial/PortDevice.h"
#include "serial/Win32Dcb.h"

namespace tesra {

namespace {

HANDLE H(void* h) { return static_cast<HANDLE>(h); }

// The events a driver reports from the data alone; a device without modem
// lines or error counters may refuse to watch the others.
constexpr std::uint32_t kDataEvents = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY;

void PutFlagWord(DCB& d, std::uint32_t w) {
  d.fBinary = w & 1;
  d.fParity = (w >> 1) & 1;
  d.fOutxCtsFlow = (w >> 2) & 1;
  d.fOutxDsrFlow = (w >> 3) & 1;
  d.fDtrControl = (w >> 4) & 3;
  d.fDsrSensitivity = (w >> 6) & 1;
  d.fTXContinueOnXoff = (w >> 7) & 1;
  d.fOutX = (w >> 8) & 1;
  d.fInX = (w >> 9) & 1;
  d.fErrorChar = (w >> 10) & 1;
  d.fNull = (w >> 11) & 1;
  d.fRtsControl = (w >> 12) & 3;
  d.fAbortOnError = (w >> 14) & 1;
}

}  // namespace

std::uint32_t DcbFlagWord(const DCB& d) {
  return d.fBinary | (d.fParity << 1) | (d.fOutxCtsFlow << 2) | (d.fOutxDsrFlow << 3) | (d.fDtrControl << 4) |
         (d.fDsrSensitivity << 6) | (d.fTXContinueOnXoff << 7) | (d.fOutX << 8) | (d.fInX << 9) | (d.fErrorChar << 10) |
         (d.fNull << 11) | (d.fRtsControl << 12) | (d.fAbortOnError << 14);
}

DeviceControlBlock DeviceControlBlockOf(const DCB& d) {
  DeviceControlBlock b;
  b.BaudRate = d.BaudRate;
  b.Flags = DcbFlagWord(d);
  b.XonLim = d.XonLim;
  b.XoffLim = d.XoffLim;
  b.ByteSize = d.ByteSize;
  b.Parity = d.Parity;
  b.StopBits = d.StopBits;
  b.XonChar = static_cast<std::uint8_t>(d.XonChar);
  b.XoffChar = static_cast<std::uint8_t>(d.XoffChar);
  b.EvtChar = static_cast<std::uint8_t>(d.EvtChar);
  return b;
}

void PutDeviceControlBlock(DCB& d, const DeviceControlBlock& from) {
  d.BaudRate = from.BaudRate;
  PutFlagWord(d, from.Flags);
  d.XonLim = from.XonLim;
  d.XoffLim = from.XoffLim;
  d.ByteSize = from.ByteSize;
  d.Parity = from.Parity;
  d.StopBits = from.StopBits;
  d.XonChar = static_cast<char>(from.XonChar);
  d.XoffChar = static_cast<char>(from.XoffChar);
  d.EvtChar = static_cast<char>(from.EvtChar);
}

struct Win32SerialDevice::Overlapped {
  OVERLAPPED ov{};
  Overlapped() { ov.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr); }
  ~Overlapped() {
    if (ov.hEvent) ::CloseHandle(ov.hEvent);
  }
  // Zero apart from its event, as every call wants it.
  OVERLAPPED* Fresh() {
    const HANDLE event = ov.hEvent;
    ov = OVERLAPPED{};
    ov.hEvent = event;
    ::ResetEvent(event);
    return &ov;
  }
};

std::string DevicePathForPort(int n) {
  if (n < 1) return {};
  return "\\\\.\\COM" + std::to_string(n);
}

bool PortDeviceExists(int n) {
  const std::string name = DevicePathForPort(n);
  if (name.empty()) return false;
  const HANDLE h = ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(h);
  return true;
}

std::unique_ptr<SerialDevice> CreatePlatformSerialDevice() { return std::make_unique<Win32SerialDevice>(); }

Win32SerialDevice::Win32SerialDevice()
    : handle_(INVALID_HANDLE_VALUE),
      cancel_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      wait_(std::make_unique<Overlapped>()),
      read_(std::make_unique<Overlapped>()),
      write_(std::make_unique<Overlapped>()) {}

Win32SerialDevice::~Win32SerialDevice() {
  if (IsOpen()) CloseHandle();
  if (cancel_) ::CloseHandle(H(cancel_));
}

bool Win32SerialDevice::IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

bool Win32SerialDevice::Open(int comNumber) {
  if (IsOpen()) {
    ::SetLastError(ERROR_BUSY);
    return false;
  }
  const std::string name = DevicePathForPort(comNumber);
  if (name.empty() || !cancel_ || !wait_->ov.hEvent || !read_->ov.hEvent || !write_->ov.hEvent) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  const HANDLE h = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::ResetEvent(H(cancel_));
  cancelled_.store(false);
  submitted_.store(0);
  handle_ = h;
  return true;
}

bool Win32SerialDevice::SetupComm(std::uint32_t inQueue, std::uint32_t outQueue) {
  return ::SetupComm(H(handle_), inQueue, outQueue) != 0;
}

bool Win32SerialDevice::SetCommTimeouts(const CommTimeouts& t) {
  COMMTIMEOUTS c{t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                 t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant};
  return ::SetCommTimeouts(H(handle_), &c) != 0;
}

bool Win32SerialDevice::GetCommState(DeviceControlBlock& d) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(H(handle_), &dcb)) return false;
  d = DeviceControlBlockOf(dcb);
  return true;
}

bool Win32SerialDevice::SetCommState(const DeviceControlBlock& d) {
  // The members the component does not keep (error and end-of-file
  // characters) stay as the driver has them; a driver that cannot report
  // its block (Wine's on a pseudo-terminal, which has no modem lines) still
  // takes the component's.
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(H(handle_), &dcb)) {
    dcb = DCB{};
    dcb.DCBlength = sizeof dcb;
  }
  PutDeviceControlBlock(dcb, d);
  return ::SetCommState(H(handle_), &dcb) != 0;
}

bool Win32SerialDevice::SetCommMask(std::uint32_t mask) {
  std::lock_guard<std::mutex> lock(maskLock_);
  driverMask_.store(mask);
  return ::SetCommMask(H(handle_), mask) != 0;
}

IoResult Win32SerialDevice::WaitCommEvent(std::uint32_t& mask) {
  if (cancelled_.load()) {
    ::SetLastError(ERROR_OPERATION_ABORTED);
    return IoResult::Failed;
  }
  for (;;) {
    eventMask_ = 0;
    if (::WaitCommEvent(H(handle_), &eventMask_, wait_->Fresh())) {
      mask = static_cast<std::uint32_t>(eventMask_);
      return IoResult::Done;
    }
    if (::GetLastError() == ERROR_IO_PENDING) return IoResult::Pending;
    // A driver that cannot watch the modem lines or line errors (Wine's on a
    // pseudo-terminal) refuses every wait that asks for them; without this,
    // received bytes would never be reported. Watch the data events alone.
    // A mask the close changed meanwhile is left alone.
    std::lock_guard<std::mutex> lock(maskLock_);
    const std::uint32_t asked = driverMask_.load();
    const std::uint32_t dataOnly = asked & kDataEvents;
    if (dataOnly == asked || dataOnly == 0) return IoResult::Failed;
    driverMask_.store(dataOnly);
    if (!::SetCommMask(H(handle_), dataOnly)) return IoResult::Failed;
  }
}

bool Win32SerialDevice::AwaitCommEvent(std::uint32_t& mask) {
  std::uint32_t unused = 0;
  if (!AwaitPending(*wait_, unused)) return false;
  mask = static_cast<std::uint32_t>(eventMask_);
  return true;
}

bool Win32SerialDevice::GetCommModemStatus(std::uint32_t& status) {
  DWORD s = 0;
  if (!::GetCommModemStatus(H(handle_), &s)) return false;
  status = s;
  return true;
}

bool Win32SerialDevice::ClearCommError(std::uint32_t& errors, ComStat& stat) {
  DWORD e = 0;
  COMSTAT s{};
  if (!::ClearCommError(H(handle_), &e, &s)) return false;
  errors = e;
  stat.cbInQue = s.cbInQue;
  stat.cbOutQue = s.cbOutQue;
  return true;
}

bool Win32SerialDevice::ReadFile(void* buffer, std::uint32_t n, std::uint32_t& got) {
  return Transfer(*read_, false, buffer, n, got);
}

bool Win32SerialDevice::WriteFile(const void* buffer, std::uint32_t n, std::uint32_t& done) {
  submitted_ += n;
  return Transfer(*write_, true, const_cast<void*>(buffer), n, done);
}

// The driver's output-queue count holds the unsent bytes of every write in
// flight, so what was handed over less that count has gone to the line.
bool Win32SerialDevice::OutputSent(std::uint64_t& sent) {
  DWORD e = 0;
  COMSTAT s{};
  if (!IsOpen() || !::ClearCommError(H(handle_), &e, &s)) return false;
  const std::uint64_t handed = submitted_.load();
  sent = handed - std::min<std::uint64_t>(handed, s.cbOutQue);
  return true;
}

bool Win32SerialDevice::Transfer(Overlapped& op, bool write, void* buffer, std::uint32_t n, std::uint32_t& count) {
  count = 0;
  if (cancelled_.load()) {
    ::SetLastError(ERROR_OPERATION_ABORTED);
    return false;
  }
  OVERLAPPED* ov = op.Fresh();
  const BOOL started =
      write ? ::WriteFile(H(handle_), buffer, n, nullptr, ov) : ::ReadFile(H(handle_), buffer, n, nullptr, ov);
  return Finish(started != 0, op, count);
}

bool Win32SerialDevice::Finish(bool started, Overlapped& op, std::uint32_t& transferred) {
  if (started) {
    DWORD n = 0;
    const bool ok = ::GetOverlappedResult(H(handle_), &op.ov, &n, FALSE) != 0;
    transferred = n;
    return ok;
  }
  if (::GetLastError() != ERROR_IO_PENDING) return false;
  return AwaitPending(op, transferred);
}

bool Win32SerialDevice::AwaitPending(Overlapped& op, std::uint32_t& transferred) {
  const HANDLE both[2] = {op.ov.hEvent, H(cancel_)};
  const DWORD woke = ::WaitForMultipleObjects(2, both, FALSE, INFINITE);
  DWORD n = 0;
  if (woke == WAIT_OBJECT_0) {
    const bool ok = ::GetOverlappedResult(H(handle_), &op.ov, &n, FALSE) != 0;
    ::ResetEvent(op.ov.hEvent);
    transferred = n;
    return ok;
  }
  // Cancelled (or the wait itself failed): abort the call and wait until the
  // system has let go of it, since it writes into the caller's buffer (a
  // ring the close frees next) until then; take the count it moved.
  ::CancelIoEx(H(handle_), &op.ov);
  ::GetOverlappedResult(H(handle_), &op.ov, &n, TRUE);
  ::ResetEvent(op.ov.hEvent);
  transferred = n;
  ::SetLastError(ERROR_OPERATION_ABORTED);
  return false;
}

bool Win32SerialDevice::PurgeComm(std::uint32_t flags) { return ::PurgeComm(H(handle_), flags) != 0; }

bool Win32SerialDevice::EscapeCommFunction(std::uint32_t function) {
  return ::EscapeCommFunction(H(handle_), function) != 0;
}

void Win32SerialDevice::CancelIo() {
  cancelled_.store(true);
  ::SetEvent(H(cancel_));
  if (IsOpen()) ::CancelIoEx(H(handle_), nullptr);
}

void Win32SerialDevice::ResumeIo() {
  cancelled_.store(false);
  ::ResetEvent(H(cancel_));
}

bool Win32SerialDevice::CloseHandle() {
  if (!IsOpen()) return false;
  const bool ok = ::CloseHandle(H(handle_)) != 0;
  handle_ = INVALID_HANDLE_VALUE;
  cancelled_.store(false);
  ::ResetEvent(H(cancel_));
  return ok;
}

}  // namespace tesra
