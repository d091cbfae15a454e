// A deterministic device for tests: input is fed by the test, output is
// captured, modem lines and events are set by the test, writes can be held
// back as flow control would, any call kind can be made to fail, and the
// settings calls are logged in order.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "serial/SerialDevice.h"

namespace tesra {

class FakeSerialDevice final : public SerialDevice {
 public:
  enum Call {
    cOpen, cSetCommState, cWaitCommEvent, cModemStatus, cClearCommError,
    cReadFile, cWriteFile, cPurge, cEscape, cCallKinds
  };

  // --- the test's side ---
  void Feed(const std::string& bytes);
  void RaiseEvents(std::uint32_t events);
  void SetModemStatus(std::uint32_t status);
  void HoldWrites(bool hold);
  // At most this many bytes per WriteFile (0: no limit).
  void SetWriteChunk(std::uint32_t max);
  // A slow line: a write sends its bytes one at a time, this long apart.
  void SetByteTime(std::chrono::microseconds perByte);
  // Holds modem-status queries until released, or until the event mask is
  // cleared (a close overtaking the query), the device cancelled or closed.
  // With `pastTheMask` a cleared mask does not release it: a status worker
  // that stops late.
  void HoldModemStatus(bool hold, bool pastTheMask = false);
  bool WaitForHeldModemStatus(std::chrono::milliseconds limit);
  void Fail(Call call, bool fail);

  std::string Output() const;
  std::string TakeOutput();
  // Blocks until at least n bytes were written or the limit passed.
  bool WaitForOutput(std::size_t n, std::chrono::milliseconds limit);
  // Blocks until a WriteFile is held back or the limit passed.
  bool WaitForHeldWrite(std::chrono::milliseconds limit);
  std::size_t InQueue() const;
  std::vector<std::string> Log() const;
  void ClearLog();
  DeviceControlBlock State() const;
  std::uint32_t Mask() const;
  std::uint64_t Calls(Call call) const;
  int OpenedPort() const;

  // --- SerialDevice ---
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
  bool Failing(Call call);  // counts the call; m_ held
  void Note(const std::string& entry);  // m_ held

  mutable std::mutex m_;
  std::condition_variable cv_;
  bool open_ = false;
  int port_ = 0;
  DeviceControlBlock dcb_;
  std::uint32_t mask_ = 0;
  std::uint32_t events_ = 0;
  bool waitPending_ = false;
  bool maskCleared_ = false;
  bool cancelled_ = false;
  bool hold_ = false;
  bool heldWrite_ = false;
  bool holdModem_ = false;
  bool heldModem_ = false;
  bool holdPastMask_ = false;
  std::chrono::microseconds byteTime_{0};
  std::uint64_t sent_ = 0;
  unsigned purgeGen_ = 0;
  std::uint32_t chunk_ = 0;
  std::uint32_t modem_ = 0;
  std::deque<char> input_;
  std::string output_;
  std::vector<std::string> log_;
  std::array<bool, cCallKinds> fail_{};
  std::array<std::uint64_t, cCallKinds> calls_{};
};

}  // namespace tesra
