#include "serial/TCommPort.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iostream>
#include <thread>

#include "serial/OsError.h"
#include "serial/PortDevice.h"
#include "serial/Workers.h"

namespace tesra {

using namespace std::chrono_literals;

namespace {

constexpr int kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                          19200, 38400, 56000, 57600, 115200, 128000, 256000};
constexpr int kRateCount = sizeof(kRates) / sizeof(kRates[0]);

// How long the close lets a device worker finish its last pass before its
// held-back or failing device call is cancelled.
constexpr auto kStopGrace = 150ms;
// A write that sends nothing for this many byte times (at least the grace)
// counts as stopped: a driver may hand bytes to the line in bursts of a
// hardware FIFO or a USB packet, so a slow line can look still for a while.
constexpr int kStallBytes = 64;
constexpr int kBitsPerByteAtMost = 12;  // start, 8 data, parity, 2 stop

class StderrSink final : public MessageSink {
 public:
  void ShowMessage(Kind, const std::string& caption, const std::string& text) override {
    std::cerr << caption << ": " << text << '\n';
  }
};

}  // namespace

MessageSink& StderrMessageSink() {
  static StderrSink sink;
  return sink;
}

int BaudOf(TBaudRate rate) {
  return rate < kRateCount ? kRates[rate] : 0;
}

int BaudRateOf(int baud) {
  for (int i = 0; i < kRateCount; ++i)
    if (kRates[i] == baud) return i;
  return -1;
}

std::uint32_t ComControlFlags(TComControl control) {
  switch (control) {
    case ccSoft: return 0x1311;
    case ccHard: return 0x202D;
    default: return 0x0001;
  }
}

TCommPort::TCommPort(SerialDevice* device, MessageSink* sink, GuiQueue* queue)
    : MonitorEvents(EventSet({evRxChar, evTxEmpty, evCTS, evDSR, evRlsd, evBreak, evError, evRing})),
      device_(device),
      sink_(sink ? sink : &StderrMessageSink()),
      queue_(queue ? queue : &GuiQueue::Main()) {
  if (!device_) {
    ownDevice_ = CreatePlatformSerialDevice();
    device_ = ownDevice_.get();
  }
}

TCommPort::~TCommPort() { ClosePort(); }

// ---- life cycle ----

void TCommPort::OpenPort() {
  if (Open) return;
  InBuffUsed.store(0);
  OutBuffUsed.store(0);
  InReadPos = 0;
  OutReadPos = 0;
  OutInFlight = 0;
  OutFlushed = false;
  OutBuffer = std::make_unique<char[]>(OutSize);
  InBuffer = std::make_unique<char[]>(InSize);
  ClearLastOsError();
  if (!device_ || !device_->Open(ComNumber)) {
    OutBuffer.reset();
    InBuffer.reset();
    sink_->ShowMessage(MessageSink::Kind::Error, "COM port error", "Can't open COM port");
    return;
  }
  ComHandle = device_;
  ComHandle->SetupComm(InSize, OutSize);
  ComHandle->SetCommTimeouts(CommTimeouts{});

  SetComControl(Control.load());
  SetBaudRate(BaudRate);
  SetParity(Parity);
  SetStopBits(StopBits);
  SetDataBits(DataBits);
  SetXonLim(XonLim);
  SetXoffLim(XoffLim);
  SetXonChar(XonChar);
  SetXoffChar(XoffChar);
  SetEventChar(EventChar);

  // All four wake events are cleared before the first worker runs: clearing
  // one after an earlier worker has started could wipe that worker's signal
  // (the status worker's first EV_RXCHAR, the reader's first bytes), and
  // nothing would wake the next worker for those bytes again.
  ReadRequest.Reset();
  WriteRequest.Reset();
  DataArrived.Reset();
  StatusChanged.Reset();
  StatusThread = std::make_unique<TStatusThread>(this, MonitorEvents);
  ReadThread = std::make_unique<TReadThread>(this);
  WriteThread = std::make_unique<TWriteThread>(this);
  ReadEventThread = std::make_unique<TReadEventThread>(this);
  StatusEventThread = std::make_unique<TStatusEventThread>(this);

  Open = true;
  SetDTR(DTR);
  SetRTS(RTS);
  if (OnOpen) OnOpen(this, LastOsError());
}

// A device worker gets a short grace to finish its last pass; a device call
// that flow control or a dead device holds back is then cancelled.
template <class W>
void TCommPort::JoinAndDrop(std::unique_ptr<W>& worker) {
  if (!worker->WaitFor(kStopGrace)) {
    ComHandle->CancelIo();
    worker->WaitFor();
    // Only this worker was late: the others' calls go on, the writer's with
    // the close's own grace for what its ring still holds.
    ComHandle->ResumeIo();
  }
  worker.reset();
}

// The writer sends what its ring holds before it sees its stop flag. A slow
// line takes longer than the grace: as long as the device reports bytes
// leaving, the close waits. Only a write that sends nothing for a stall span
// (held back by flow control, a peer that reads nothing, a dead device) is
// cancelled; its bytes are lost with the ring.
void TCommPort::StopWriter() {
  const int baud = std::max(BaudOf(BaudRate), 1);
  const auto stall = std::max<std::chrono::milliseconds>(
      kStopGrace, std::chrono::milliseconds(1000LL * kStallBytes * kBitsPerByteAtMost / baud));
  std::uint64_t before = 0;
  const bool known = ComHandle->OutputSent(before);
  while (!WriteThread->WaitFor(stall)) {
    std::uint64_t now = 0;
    const bool moved = known && ComHandle->OutputSent(now) && now != before;
    if (!moved) {
      ComHandle->CancelIo();
      WriteThread->WaitFor();
      // What the device still holds for output is dropped too: a UART's
      // close would otherwise wait for the line to drain, up to half a minute.
      ComHandle->PurgeComm(PURGE_TXABORT | PURGE_TXCLEAR);
      break;
    }
    before = now;
  }
  WriteThread.reset();
}

void TCommPort::ClosePort() {
  // A handler run by the waits below may close the port again (directly, by
  // a new number or by new ring sizes): the close under way does that work.
  if (!Open || Closing) return;
  Closing = true;

  StatusThread->Terminate();
  ComHandle->SetCommMask(0);
  JoinAndDrop(StatusThread);
  // A status worker stopped before its last wait came back with no event
  // leaves the mask it dispatched already: the close's last wake-up of the
  // dispatcher must find nothing.
  EventMask.store(0);

  ReadThread->Terminate();
  ReadRequest.Set();
  JoinAndDrop(ReadThread);

  WriteThread->Terminate();
  WriteRequest.Set();
  StopWriter();

  ReadEventThread->Terminate();
  DataArrived.Set();
  ReadEventThread->WaitFor();
  ReadEventThread.reset();

  StatusEventThread->Terminate();
  StatusChanged.Set();
  StatusEventThread->WaitFor();
  StatusEventThread.reset();

  // Only now: a status worker still running could refresh them after a clear.
  CTS.store(false);
  DSR.store(false);
  DCD.store(false);
  Ring.store(false);

  ComHandle->CloseHandle();
  ComHandle = nullptr;
  InBuffer.reset();
  OutBuffer.reset();
  InBuffUsed.store(0);
  OutBuffUsed.store(0);
  // Ring sizes set by a handler during the close apply from the next open.
  InSize = NextInSize;
  OutSize = NextOutSize;
  Open = false;
  Closing = false;
  if (OnClose) OnClose(this);
}

void TCommPort::SetOpen(bool value) {
  if (value == Open) return;
  if (value)
    OpenPort();
  else
    ClosePort();
}

// ---- settings ----

void TCommPort::ChangeDcb(const std::function<void(DeviceControlBlock&)>& change) {
  if (!IsEnabled()) return;
  ComHandle->GetCommState(Dcb);
  change(Dcb);
  ComHandle->SetCommState(Dcb);
}

void TCommPort::SetComNumber(int value) {
  SetOpen(false);
  ComNumber = value;
}

// During a close (from a handler it runs) the rings still in use keep their
// size; the new one is recorded for the next open and the port stays closed.
void TCommPort::SetIBuffSize(unsigned long value) {
  const bool was = Open && !Closing;
  SetOpen(false);
  NextInSize = static_cast<std::uint32_t>(std::min<unsigned long>(value, UINT32_MAX));
  if (!Closing) InSize = NextInSize;
  if (was) SetOpen(true);
}

void TCommPort::SetOBuffSize(unsigned long value) {
  const bool was = Open && !Closing;
  SetOpen(false);
  NextOutSize = static_cast<std::uint32_t>(std::min<unsigned long>(value, UINT32_MAX));
  if (!Closing) OutSize = NextOutSize;
  if (was) SetOpen(true);
}

void TCommPort::SetBaudRate(TBaudRate value) {
  BaudRate = value;
  if (BaudOf(value) == 0) return;
  ChangeDcb([&](DeviceControlBlock& d) { d.BaudRate = static_cast<std::uint32_t>(BaudOf(value)); });
}

void TCommPort::SetParity(TParity value) {
  Parity = value;
  ChangeDcb([&](DeviceControlBlock& d) { d.Parity = value; });
}

void TCommPort::SetStopBits(TStopBits value) {
  StopBits = value;
  ChangeDcb([&](DeviceControlBlock& d) { d.StopBits = value; });
  BitsWarning();
}

void TCommPort::SetDataBits(unsigned short value) {
  if (value < 5 || value > 8) value = 8;
  DataBits = value;
  ChangeDcb([&](DeviceControlBlock& d) { d.ByteSize = static_cast<std::uint8_t>(value); });
  BitsWarning();
}

void TCommPort::SetComControl(TComControl value) {
  Control.store(value);
  ChangeDcb([&](DeviceControlBlock& d) { d.Flags = ComControlFlags(value); });
}

void TCommPort::SetXonLim(unsigned short value) {
  XonLim = value;
  ChangeDcb([&](DeviceControlBlock& d) { d.XonLim = value; });
}

void TCommPort::SetXoffLim(unsigned short value) {
  const std::uint32_t limit = std::min<std::uint32_t>(InSize, 65535);
  XoffLim = static_cast<std::uint16_t>(std::min<std::uint32_t>(value, limit));
  ChangeDcb([&](DeviceControlBlock& d) { d.XoffLim = XoffLim; });
}

void TCommPort::SetXonChar(unsigned char value) {
  XonChar = value;
  ChangeDcb([&](DeviceControlBlock& d) { d.XonChar = value; });
}

void TCommPort::SetXoffChar(unsigned char value) {
  XoffChar = value;
  ChangeDcb([&](DeviceControlBlock& d) { d.XoffChar = value; });
}

void TCommPort::SetEventChar(unsigned char value) {
  EventChar = value;
  ChangeDcb([&](DeviceControlBlock& d) { d.EvtChar = value; });
}

void TCommPort::BitsWarning() {
  if (DataBits == 5 && StopBits == sb2_0)
    sink_->ShowMessage(MessageSink::Kind::Warning, "COM port warning",
                       "Invalid combination (5 data bits with 2 stop bits)");
  else if (DataBits >= 6 && DataBits <= 8 && StopBits == sb1_5)
    sink_->ShowMessage(MessageSink::Kind::Warning, "COM port warning",
                       "Invalid combination (6,7 or 8 data bits with 1.5 stop bits)");
}

void TCommPort::SetBaud(int value) {
  const int rate = BaudRateOf(value);
  if (rate >= 0) SetBaudRate(static_cast<TBaudRate>(rate));
}

int TCommPort::GetBaud() const { return BaudOf(BaudRate); }

// ---- data ----

unsigned long TCommPort::PutBlock(const char* data, unsigned long len) {
  if (!IsEnabled()) return 0;
  std::uint32_t used, pos;
  {
    std::lock_guard<std::mutex> lock(OutLock);
    used = OutBuffUsed.load();
    pos = OutReadPos;
  }
  std::uint32_t w = pos + used;
  unsigned long first, second = 0;
  if (w < OutSize) {
    first = std::min<unsigned long>(len, OutSize - w);
    if (len > first) second = std::min<unsigned long>(len - first, pos);
  } else {
    w -= OutSize;
    first = std::min<unsigned long>(len, pos - w);
  }
  if (first) std::memcpy(OutBuffer.get() + w, data, first);
  if (second) std::memcpy(OutBuffer.get(), data + first, second);
  const auto total = static_cast<std::uint32_t>(first + second);
  {
    std::lock_guard<std::mutex> lock(OutLock);
    OutBuffUsed.store(OutBuffUsed.load() + total);
  }
  if (total > 0) WriteRequest.Set();
  return total;
}

unsigned long TCommPort::PutChar(char c) { return PutBlock(&c, 1); }

unsigned long TCommPort::PutString(const char* text) {
  if (!text) return 0;
  return PutBlock(text, std::strlen(text));
}

unsigned long TCommPort::GetBlock(char* dest, unsigned long len) {
  if (!IsEnabled() || InBuffUsed.load() == 0) return 0;
  std::uint32_t used, pos;
  {
    std::lock_guard<std::mutex> lock(InLock);
    used = InBuffUsed.load();
    pos = InReadPos;
  }
  unsigned long first, second = 0;
  if (pos + used < InSize) {
    first = std::min<unsigned long>(len, used);
  } else {
    first = std::min<unsigned long>(len, InSize - pos);
    if (len > first) second = std::min<unsigned long>(len - first, pos + used - InSize);
  }
  if (first) std::memcpy(dest, InBuffer.get() + pos, first);
  if (second) std::memcpy(dest + first, InBuffer.get(), second);
  const auto total = static_cast<std::uint32_t>(first + second);
  {
    std::lock_guard<std::mutex> lock(InLock);
    InBuffUsed.store(InBuffUsed.load() - total);
    InReadPos += total;
    if (InReadPos >= InSize) InReadPos -= InSize;
  }
  ReadRequest.Set();
  return total;
}

char TCommPort::GetChar() {
  char c = 0;
  if (InBuffUsed.load() > 0) GetBlock(&c, 1);
  return c;
}

unsigned long TCommPort::GetInBuffFree() {
  std::lock_guard<std::mutex> lock(InLock);
  return InSize - InBuffUsed.load();
}

unsigned long TCommPort::GetOutBuffFree() {
  std::lock_guard<std::mutex> lock(OutLock);
  return OutSize - OutBuffUsed.load();
}

int TCommPort::GetOutQueCount() {
  if (!IsEnabled()) return 0;
  std::uint32_t errors = 0;
  ComStat stat;
  if (!ComHandle->ClearCommError(errors, stat)) return 0;
  return static_cast<int>(stat.cbOutQue);
}

void TCommPort::FlushInBuffer() {
  if (IsEnabled()) ComHandle->PurgeComm(PURGE_RXABORT | PURGE_RXCLEAR);
  std::lock_guard<std::mutex> lock(InLock);
  // The read position moves to the write position, where a read in flight
  // puts its bytes, so the reader's later count update covers exactly those.
  if (InSize > 0) {
    InReadPos = static_cast<std::uint32_t>((std::uint64_t{InReadPos} + InBuffUsed.load()) % InSize);
  }
  InBuffUsed.store(0);
}

void TCommPort::FlushOutBuffer() {
  if (IsEnabled()) ComHandle->PurgeComm(PURGE_TXABORT | PURGE_TXCLEAR);
  std::lock_guard<std::mutex> lock(OutLock);
  WriteRequest.Reset();
  OutBuffUsed.store(OutInFlight);
  OutFlushed = OutInFlight > 0;
}

std::uint32_t TCommPort::GetInReadPos() {
  std::lock_guard<std::mutex> lock(InLock);
  return InReadPos;
}

std::uint32_t TCommPort::GetOutReadPos() {
  std::lock_guard<std::mutex> lock(OutLock);
  return OutReadPos;
}

// ---- control lines ----

void TCommPort::SetDTR(bool value) {
  if (Open) {
    if (ComHandle->EscapeCommFunction(value ? SETDTR : CLRDTR)) DTR = value;
  } else {
    DTR = value;
  }
}

void TCommPort::SetRTS(bool value) {
  if (Open) {
    if (ComHandle->EscapeCommFunction(value ? SETRTS : CLRRTS)) RTS = value;
  } else {
    RTS = value;
  }
}

void TCommPort::PowerOn() {
  if (IsEnabled()) {
    ComHandle->EscapeCommFunction(SETDTR);
    ComHandle->EscapeCommFunction(SETRTS);
  }
  DTR = true;
  RTS = true;
}

void TCommPort::PowerOff() {
  if (IsEnabled()) {
    ComHandle->EscapeCommFunction(CLRDTR);
    ComHandle->EscapeCommFunction(CLRRTS);
  }
  DTR = false;
  RTS = false;
}

bool TCommPort::SetBreak(bool value) {
  if (!Open) return false;
  return ComHandle->EscapeCommFunction(value ? SETBREAK : CLRBREAK);
}

void TCommPort::SendBreak(unsigned short ticks) {
  if (IsEnabled()) SetBreak(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(55) * ticks);
  if (IsEnabled()) SetBreak(false);
}

bool TCommPort::GetModemState(int line) {
  std::uint32_t bit = 0;
  switch (line) {
    case 1: bit = MS_CTS_ON; break;
    case 2: bit = MS_DSR_ON; break;
    case 3: bit = MS_RING_ON; break;
    case 4: bit = MS_RLSD_ON; break;
    default: break;
  }
  if (!IsEnabled()) return false;
  std::uint32_t status = 0;
  if (!ComHandle->GetCommModemStatus(status)) return false;
  return (status & bit) != 0;
}

// ---- events on the GUI thread ----

void TCommPort::RaiseDataReceived() {
  if (OnDataReceived) OnDataReceived(this, InBuffUsed.load());
}

void TCommPort::DispatchStatus() {
  const std::uint32_t mask = EventMask.load();
  if ((mask & EV_CTS) && OnCTSSignal) OnCTSSignal(this);
  if ((mask & EV_RLSD) && OnDCDSignal) OnDCDSignal(this);
  if ((mask & EV_DSR) && OnDSRSignal) OnDSRSignal(this);
  if ((mask & EV_RING) && OnRingSignal) OnRingSignal(this);
  if ((mask & EV_RXCHAR) && OnRxDSignal) OnRxDSignal(this);
  if ((mask & EV_RXFLAG) && OnRxEventSignal) OnRxEventSignal(this);
  if ((mask & EV_TXEMPTY) && OnTxDSignal) OnTxDSignal(this);
  if ((mask & EV_BREAK) && OnBreakSignal) OnBreakSignal(this);
  if ((mask & EV_ERR) && OnErrorSignal) OnErrorSignal(this, LastOsError());
}

}  // namespace tesra
