// The device calls on Windows: the communications functions of kernel32 on a
// handle opened for overlapped I/O. Each kind of overlapped call (event wait,
// read, write) has a record of its own, since one worker makes each kind.
// Every await also watches a cancel event, so CancelIo ends a held-back or
// failing call at once and the close always completes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "serial/SerialDevice.h"

namespace tesra {

class Win32SerialDevice final : public SerialDevice {
 public:
  Win32SerialDevice();
  ~Win32SerialDevice() override;

  bool Open(int comNumber) override;
  bool IsOpen() const override;
  bool SetupComm(std::uint32_t inQueue, std::uint32_t outQueue) override;
  bool SetCommTimeouts(const CommTimeouts& timeouts) override;
  bool GetCommState(DeviceControlBlock& dcb) override;
  bool SetCommState(const DeviceControlBlock& dcb) override;
  bool SetCommMask(std::uint32_t mask) override;
  IoResult WaitCommEvent(std::uint32_t& mask) override;
  bool AwaitCommEvent(std::uint32_t& mask) override;
  bool GetCommModemStatus(std::uint32_t& status) override;
  bool ClearCommError(std::uint32_t& errors, ComStat& stat) override;
  bool ReadFile(void* buffer, std::uint32_t n, std::uint32_t& got) override;
  bool WriteFile(const void* buffer, std::uint32_t n, std::uint32_t& done) override;
  bool OutputSent(std::uint64_t& sent) override;
  bool PurgeComm(std::uint32_t flags) override;
  bool EscapeCommFunction(std::uint32_t function) override;
  void CancelIo() override;
  void ResumeIo() override;
  bool CloseHandle() override;

 private:
  struct Overlapped;
  bool Transfer(Overlapped& op, bool write, void* buffer, std::uint32_t n, std::uint32_t& count);
  // Completes an overlapped call that was just started: `started` is the
  // call's own result. False when it failed, was cancelled or was aborted.
  bool Finish(bool started, Overlapped& op, std::uint32_t& transferred);
  bool AwaitPending(Overlapped& op, std::uint32_t& transferred);

  void* handle_;             // INVALID_HANDLE_VALUE while closed
  void* cancel_ = nullptr;   // manual-reset, signalled from CancelIo to the close
  std::unique_ptr<Overlapped> wait_, read_, write_;
  unsigned long eventMask_ = 0;  // filled in by the system when a pending wait completes
  std::atomic<std::uint32_t> driverMask_{0};  // the events the driver is asked to watch
  // One mask call at a time: the wait's data-only fallback cannot land after
  // the close's mask of 0.
  std::mutex maskLock_;
  std::atomic<bool> cancelled_{false};
  std::atomic<std::uint64_t> submitted_{0};  // bytes handed to WriteFile since the open
};

}  // namespace tesra
