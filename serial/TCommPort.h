// The serial port component: two rings in memory, one per direction, filled
// and drained by five workers while the port is open, and events handed back
// to the GUI thread.
//
// Threads. Every member is called on the GUI thread (the one that drains the
// component's GuiQueue), and every event handler runs there. The workers
// touch only the rings, the device and the line states, and hand their events
// over through the queue. ClosePort keeps serving the queue while it waits
// for the workers, so a handler may run in the middle of a close, whether the
// program or another handler started it. In such a handler:
//  - ClosePort, SetOpen and OpenPort do nothing: the close under way finishes
//    and the port ends closed (open it again after OnClose);
//  - SetComNumber, SetIBuffSize and SetOBuffSize only record their value for
//    the next open: the rings still in use keep their size;
//  - reading what has arrived works; bytes put now may be lost with the ring;
//  - the component must not be destroyed, and nothing may wait for the port's
//    workers (sleep for data, join): the close waits for the handler.
//
// Closing. The writer sends what its ring holds for as long as the line
// takes bytes; a write that sends nothing for a while (flow control, a peer
// that reads nothing, a dead device) is cancelled, and what the ring and the
// device still hold for output is dropped. A close drains or drops; it never
// waits on a line that does not move. A device worker other than the writer
// that is late to stop has its own call cancelled, not the writer's.
//
// Errors. A device that does not open shows "Can't open COM port" through
// the MessageSink and leaves the port closed; OnOpen is not raised. The code
// OnOpen passes is the operating system's last-error value that the open and
// its settings left (a modem-line call a pty refuses leaves one without
// failing the open); the code OnErrorSignal passes is that value on the GUI
// thread when the event is raised, the line errors themselves being the
// device's error bits. Both are read through LastOsError() (serial/OsError.h):
// GetLastError on Windows, errno elsewhere.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "serial/GuiQueue.h"
#include "serial/MessageSink.h"
#include "serial/OsEvent.h"
#include "serial/SerialDevice.h"

namespace tesra {

enum TBaudRate : std::uint8_t {
  cbr110, cbr300, cbr600, cbr1200, cbr2400, cbr4800, cbr9600, cbr14400,
  cbr19200, cbr38400, cbr56000, cbr57600, cbr115200, cbr128000, cbr256000
};
enum TParity : std::uint8_t { paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits : std::uint8_t { sb1_0, sb1_5, sb2_0 };
enum TComControl : std::uint8_t { ccNone, ccSoft, ccHard };
enum TEventState : std::uint8_t {
  evRxChar, evRxEventChar, evTxEmpty, evCTS, evDSR, evRlsd, evBreak, evError, evRing
};

// Set of TEventState, bit i = ordinal i.
using TEventStates = std::uint16_t;
constexpr TEventStates EventSet(std::initializer_list<TEventState> members) {
  TEventStates s = 0;
  for (TEventState e : members) s = static_cast<TEventStates>(s | (1u << e));
  return s;
}

// Line rate of a TBaudRate value, and the value of a rate (-1 for none).
int BaudOf(TBaudRate rate);
int BaudRateOf(int baud);
// The flow-control flag word of a Control value.
std::uint32_t ComControlFlags(TComControl control);

class TStatusThread;
class TReadThread;
class TWriteThread;
class TReadEventThread;
class TStatusEventThread;

class TCommPort {
 public:
  using TNotifyEvent = std::function<void(TCommPort* Sender)>;
  using TDataReceivedEvent = std::function<void(TCommPort* Sender, std::uint32_t Count)>;
  using TErrorEvent = std::function<void(TCommPort* Sender, int Error)>;

  // `device` stays the caller's and must outlive the component; null gives a
  // device of this platform owned by the component. Null `sink` writes the
  // messages to standard error; null `queue` uses GuiQueue::Main().
  explicit TCommPort(SerialDevice* device = nullptr, MessageSink* sink = nullptr,
                     GuiQueue* queue = nullptr);
  ~TCommPort();
  TCommPort(const TCommPort&) = delete;
  TCommPort& operator=(const TCommPort&) = delete;

  // Life cycle.
  void OpenPort();
  void ClosePort();
  void SetOpen(bool value);
  bool IsEnabled() const { return ComHandle != nullptr; }

  // Settings.
  void SetComNumber(int value);
  void SetIBuffSize(unsigned long value);
  void SetOBuffSize(unsigned long value);
  void SetBaudRate(TBaudRate value);
  void SetParity(TParity value);
  void SetStopBits(TStopBits value);
  void SetDataBits(unsigned short value);
  void SetComControl(TComControl value);
  void SetXonLim(unsigned short value);
  void SetXoffLim(unsigned short value);
  void SetXonChar(unsigned char value);
  void SetXoffChar(unsigned char value);
  void SetEventChar(unsigned char value);
  void BitsWarning();
  void SetBaud(int value);
  int GetBaud() const;

  // Data.
  unsigned long PutBlock(const char* data, unsigned long len);
  unsigned long PutChar(char c);
  unsigned long PutString(const char* text);
  unsigned long GetBlock(char* dest, unsigned long len);
  char GetChar();
  bool CharReady() const { return InBuffUsed.load() > 0; }
  unsigned long GetInBuffUsed() const { return InBuffUsed.load(); }
  unsigned long GetOutBuffUsed() const { return OutBuffUsed.load(); }
  unsigned long GetInBuffFree();
  unsigned long GetOutBuffFree();
  int GetOutQueCount();
  void FlushInBuffer();
  void FlushOutBuffer();

  // Control lines.
  void SetDTR(bool value);
  void SetRTS(bool value);
  void PowerOn();
  void PowerOff();
  bool SetBreak(bool value);
  void SendBreak(unsigned short ticks);
  bool GetModemState(int line);

  // Published properties, read side.
  int GetComNumber() const { return ComNumber; }
  bool GetOpen() const { return Open; }
  bool GetDTR() const { return DTR; }
  bool GetRTS() const { return RTS; }
  bool GetCTS() const { return CTS.load(); }
  bool GetDSR() const { return DSR.load(); }
  bool GetDCD() const { return DCD.load(); }
  bool GetRing() const { return Ring.load(); }
  std::uint32_t GetInSize() const { return InSize; }
  std::uint32_t GetOutSize() const { return OutSize; }
  TBaudRate GetBaudRate() const { return BaudRate; }
  TComControl GetControl() const { return Control.load(); }
  TParity GetParity() const { return Parity; }
  TStopBits GetStopBits() const { return StopBits; }
  std::uint16_t GetDataBits() const { return DataBits; }
  std::uint16_t GetXonLim() const { return XonLim; }
  std::uint16_t GetXoffLim() const { return XoffLim; }
  std::uint8_t GetXonChar() const { return XonChar; }
  std::uint8_t GetXoffChar() const { return XoffChar; }
  std::uint8_t GetEventChar() const { return EventChar; }
  std::uint32_t GetEventMask() const { return EventMask.load(); }

  // Written straight into the member; takes effect at the next open.
  TEventStates MonitorEvents = 0;

  TNotifyEvent OnCTSSignal;
  TNotifyEvent OnDCDSignal;
  TNotifyEvent OnDSRSignal;
  TNotifyEvent OnRxDSignal;
  TNotifyEvent OnRxEventSignal;
  TNotifyEvent OnTxDSignal;
  TNotifyEvent OnRingSignal;
  TNotifyEvent OnBreakSignal;
  TErrorEvent OnErrorSignal;
  TDataReceivedEvent OnDataReceived;
  TErrorEvent OnOpen;
  TNotifyEvent OnClose;

  // Ring positions, for tests and diagnostics.
  std::uint32_t GetInReadPos();
  std::uint32_t GetOutReadPos();

 private:
  friend class TStatusThread;
  friend class TReadThread;
  friend class TWriteThread;
  friend class TReadEventThread;
  friend class TStatusEventThread;
  friend struct TCommPortTestAccess;

  // One GetCommState / change / SetCommState, while usable.
  void ChangeDcb(const std::function<void(DeviceControlBlock&)>& change);
  template <class W> void JoinAndDrop(std::unique_ptr<W>& worker);
  void StopWriter();
  void DispatchStatus();
  void RaiseDataReceived();

  SerialDevice* ComHandle = nullptr;
  DeviceControlBlock Dcb;
  int ComNumber = 2;
  TBaudRate BaudRate = cbr9600;
  TParity Parity = paNone;
  std::atomic<TComControl> Control{ccNone};
  TStopBits StopBits = sb1_0;
  std::uint16_t DataBits = 8;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 1024;
  std::uint8_t XonChar = 0x11;
  std::uint8_t XoffChar = 0x13;
  std::uint8_t EventChar = 0;
  std::unique_ptr<TReadThread> ReadThread;
  std::unique_ptr<TWriteThread> WriteThread;
  std::unique_ptr<TStatusThread> StatusThread;
  std::unique_ptr<TReadEventThread> ReadEventThread;
  std::unique_ptr<TStatusEventThread> StatusEventThread;
  bool DTR = false;
  bool RTS = false;
  std::atomic<bool> CTS{false};
  std::atomic<bool> DSR{false};
  std::atomic<bool> DCD{false};
  std::atomic<bool> Ring{false};
  std::atomic<std::uint32_t> EventMask{0};
  OsEvent ReadRequest{OsEvent::Mode::AutoReset};
  OsEvent WriteRequest{OsEvent::Mode::ManualReset};
  OsEvent DataArrived{OsEvent::Mode::AutoReset};
  OsEvent StatusChanged{OsEvent::Mode::AutoReset};
  bool Open = false;
  // True while ClosePort runs: it serves hand-offs whose handlers may call
  // back into the component.
  bool Closing = false;
  std::unique_ptr<char[]> OutBuffer;
  std::uint32_t OutSize = 4096;
  std::uint32_t OutReadPos = 0;
  std::atomic<std::uint32_t> OutBuffUsed{0};
  std::unique_ptr<char[]> InBuffer;
  std::uint32_t InSize = 2048;
  // The sizes the next open allocates (set apart from InSize and OutSize
  // only while a close still uses the rings).
  std::uint32_t NextInSize = 2048;
  std::uint32_t NextOutSize = 4096;
  std::uint32_t InReadPos = 0;
  std::atomic<std::uint32_t> InBuffUsed{0};
  std::mutex OutLock;
  std::mutex InLock;
  // Bytes of the output ring's head handed to the device by the write in
  // progress, and whether a flush came meanwhile (guarded by OutLock): a flush
  // keeps the piece in flight counted, so nothing new is put over it.
  std::uint32_t OutInFlight = 0;
  bool OutFlushed = false;

  std::unique_ptr<SerialDevice> ownDevice_;
  SerialDevice* device_;
  MessageSink* sink_;
  GuiQueue* queue_;
};

}  // namespace tesra
