// The device calls on Linux: a tty in raw mode, queue counts by ioctl, the
// event wait by poll. Device events that a tty does not report by itself are
// derived: EV_RXCHAR when bytes are there that were not reported yet,
// EV_TXEMPTY when the output queue runs empty after a write, modem and
// line-error events by sampling the lines while such events are watched and
// the device has modem lines (a pty has none).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "serial/PortDevice.h"
#include "serial/PosixTtyCalls.h"
#include "serial/SerialDevice.h"

namespace tesra {

// Sets a line rate outside the POSIX set through termios2 (its own source
// file: its header clashes with <termios.h>).
bool SetCustomBaudRate(int fd, std::uint32_t rate);
// The output rate a tty runs at, read through termios2.
bool GetLineRate(int fd, std::uint32_t& rate);

class PosixSerialDevice final : public SerialDevice {
 public:
  // `calls` stays the caller's; null uses the system's.
  explicit PosixSerialDevice(PosixTtyCalls* calls = nullptr) : tty_(calls ? *calls : SystemTtyCalls()) {}
  ~PosixSerialDevice() override;

  bool Open(int comNumber) override;
  bool IsOpen() const override { return fd_ >= 0; }
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

  // Completed event waits since the open, for checks that no wait spins.
  std::uint64_t CompletedWaits() const { return completedWaits_.load(); }

 private:
  // 1 done, 0 nothing yet (only with timeout 0), -1 failed.
  int WaitCore(std::uint32_t& out, bool block);
  void Kick(int fd);
  static void Drain(int fd);
  bool SampleLines(std::uint32_t mask, std::uint32_t& events);

  PosixTtyCalls& tty_;
  int fd_ = -1;
  int waitWake_ = -1;
  int writeWake_ = -1;
  DeviceControlBlock dcb_;

  std::mutex m_;  // guards the event-wait state below
  std::uint32_t mask_ = 0;
  bool waitPending_ = false;
  bool maskCleared_ = false;
  bool rxArmed_ = true;
  bool rxFlag_ = false;
  bool txPending_ = false;
  bool waitBlind_ = false;  // the wait polls without POLLIN (unreported bytes sit)
  bool hungUp_ = false;
  bool linesOk_ = false;
  bool countsOk_ = false;
  int lastLines_ = 0;
  std::uint32_t lastBrk_ = 0, lastErr_ = 0;
  std::atomic<bool> cancelled_{false};
  std::atomic<unsigned> purgeGen_{0};
  std::atomic<std::uint64_t> accepted_{0};  // bytes the tty took from writes since the open
  std::atomic<std::uint64_t> completedWaits_{0};
};

}  // namespace tesra
