// The device calls of the port component, one per communications call of the
// Windows API it was shaped after, so that each platform supplies the same
// operations. Calls that the Windows API runs overlapped block here until they
// complete, except the event wait, which keeps its start/await split.
#pragma once

#if defined(_WIN32) && defined(EV_RXCHAR)
#error "include <windows.h> after the serial headers: it defines their constants as macros"
#endif

#include <cstdint>
#include <string>

namespace tesra {

// The device control block: the members the component reads and writes.
struct DeviceControlBlock {
  std::uint32_t BaudRate = 9600;
  // Windows DCB bit fields: fBinary 0x0001, fParity 0x0002, fOutxCtsFlow 0x0004,
  // fOutxDsrFlow 0x0008, fDtrControl 0x0030, fDsrSensitivity 0x0040,
  // fTXContinueOnXoff 0x0080, fOutX 0x0100, fInX 0x0200, fErrorChar 0x0400,
  // fNull 0x0800, fRtsControl 0x3000, fAbortOnError 0x4000.
  std::uint32_t Flags = 0x0001;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 8;
  std::uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  std::uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
  std::uint8_t XonChar = 0x11;
  std::uint8_t XoffChar = 0x13;
  std::uint8_t EvtChar = 0;

  bool operator==(const DeviceControlBlock&) const = default;
};

namespace dcb {
constexpr std::uint32_t fBinary = 0x0001;
constexpr std::uint32_t fOutxCtsFlow = 0x0004;
constexpr std::uint32_t fOutxDsrFlow = 0x0008;
constexpr std::uint32_t fDtrControlMask = 0x0030;
constexpr std::uint32_t fDtrControlEnable = 0x0010;
constexpr std::uint32_t fDtrControlHandshake = 0x0020;
constexpr std::uint32_t fOutX = 0x0100;
constexpr std::uint32_t fInX = 0x0200;
constexpr std::uint32_t fRtsControlMask = 0x3000;
constexpr std::uint32_t fRtsControlEnable = 0x1000;
constexpr std::uint32_t fRtsControlHandshake = 0x2000;
}  // namespace dcb

struct CommTimeouts {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;
};

struct ComStat {
  std::uint32_t cbInQue = 0;
  std::uint32_t cbOutQue = 0;
};

// Device event bits (event mask and event wait).
constexpr std::uint32_t EV_RXCHAR = 0x0001;
constexpr std::uint32_t EV_RXFLAG = 0x0002;
constexpr std::uint32_t EV_TXEMPTY = 0x0004;
constexpr std::uint32_t EV_CTS = 0x0008;
constexpr std::uint32_t EV_DSR = 0x0010;
constexpr std::uint32_t EV_RLSD = 0x0020;
constexpr std::uint32_t EV_BREAK = 0x0040;
constexpr std::uint32_t EV_ERR = 0x0080;
constexpr std::uint32_t EV_RING = 0x0100;

// Modem-status bits.
constexpr std::uint32_t MS_CTS_ON = 0x0010;
constexpr std::uint32_t MS_DSR_ON = 0x0020;
constexpr std::uint32_t MS_RING_ON = 0x0040;
constexpr std::uint32_t MS_RLSD_ON = 0x0080;

// Purge flags.
constexpr std::uint32_t PURGE_TXABORT = 0x0001;
constexpr std::uint32_t PURGE_RXABORT = 0x0002;
constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;

// Escape functions.
constexpr std::uint32_t SETRTS = 3;
constexpr std::uint32_t CLRRTS = 4;
constexpr std::uint32_t SETDTR = 5;
constexpr std::uint32_t CLRDTR = 6;
constexpr std::uint32_t SETBREAK = 8;
constexpr std::uint32_t CLRBREAK = 9;

enum class IoResult { Done, Pending, Failed };

// One device, opened and closed any number of times. Open, Close and the
// settings run on the GUI thread; while open, each worker makes its own calls
// concurrently with the others. A failed call (false, IoResult::Failed)
// leaves its reason as the operating system's last-error value of the calling
// thread, which LastOsError() (serial/OsError.h) reads: the Windows error code
// on Windows, errno elsewhere.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Opens port n for reading and writing, unshared, existing devices only.
  virtual bool Open(int comNumber) = 0;
  virtual bool IsOpen() const = 0;
  virtual bool SetupComm(std::uint32_t inQueue, std::uint32_t outQueue) = 0;
  virtual bool SetCommTimeouts(const CommTimeouts& timeouts) = 0;
  virtual bool GetCommState(DeviceControlBlock& dcb) = 0;
  virtual bool SetCommState(const DeviceControlBlock& dcb) = 0;
  // A mask of 0 completes an event wait that is pending, with a mask of 0.
  virtual bool SetCommMask(std::uint32_t mask) = 0;
  // Starts an event wait: Done with the event bits when one is there already,
  // Pending when the result is to be awaited, Failed otherwise.
  virtual IoResult WaitCommEvent(std::uint32_t& mask) = 0;
  // Awaits the pending event wait, without a time limit.
  virtual bool AwaitCommEvent(std::uint32_t& mask) = 0;
  virtual bool GetCommModemStatus(std::uint32_t& status) = 0;
  virtual bool ClearCommError(std::uint32_t& errors, ComStat& stat) = 0;
  // Reads up to n bytes that the driver holds; never waits for more.
  virtual bool ReadFile(void* buffer, std::uint32_t n, std::uint32_t& got) = 0;
  // Writes n bytes, waiting as long as flow control holds them back. Fails
  // (with `done` the part written) when the write is aborted or cancelled.
  virtual bool WriteFile(const void* buffer, std::uint32_t n, std::uint32_t& done) = 0;
  // Bytes of the writes since the open that have left the driver's output
  // queue, as far as the driver tells; grows while a write moves on, also in
  // the middle of one. The close tells a slow line from a stopped one by it.
  virtual bool OutputSent(std::uint64_t& sent) = 0;
  virtual bool PurgeComm(std::uint32_t flags) = 0;
  virtual bool EscapeCommFunction(std::uint32_t function) = 0;
  // Ends every pending and later blocking call at once, as failed, until
  // ResumeIo or Close.
  virtual void CancelIo() = 0;
  // Calls block again as before a CancelIo.
  virtual void ResumeIo() = 0;
  // Releases the device. Output it still holds may keep a UART's close
  // waiting for the line to drain: purge it first when it is to be dropped.
  virtual bool CloseHandle() = 0;
};

}  // namespace tesra
