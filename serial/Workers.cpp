#include "serial/Workers.h"

#include <algorithm>
#include <chrono>

namespace tesra {

using namespace std::chrono_literals;

namespace {
// Back-off after a failed device call: slow enough that a dead device costs
// nothing, short enough that a device that comes back is used again soon.
constexpr auto kFailurePause = 100ms;
// The status worker's pause between starting an event wait and awaiting it.
constexpr auto kEventPause = 50ms;
// Re-test interval while hardware flow control holds the writer back.
constexpr auto kCtsRetest = 5ms;
constexpr std::uint32_t kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_ERR | EV_RING;
}  // namespace

// ---- TWriteThread ----

TWriteThread::TWriteThread(TCommPort* owner)
    : TThread(*owner->queue_), ComHandle(owner->ComHandle), OwnerPort(owner) {
  Start();
}

TWriteThread::~TWriteThread() = default;

void TWriteThread::Execute() {
  TCommPort& p = *OwnerPort;
  // Woken by the close, it still makes one pass over what the ring holds,
  // also when its stop flag cut short the pause after a failed call; the
  // close cancels a write that does not move.
  for (bool last = false; !last;) {
    if (!p.WriteRequest.Wait()) continue;
    last = Terminated();
    if (p.OutBuffUsed.load() == 0) {
      p.WriteRequest.Reset();
      // A PutBlock between the test and the reset set the event before the
      // reset; look again so its bytes are not left waiting.
      if (p.OutBuffUsed.load() > 0) p.WriteRequest.Set();
      continue;
    }
    if (p.Control.load() == ccHard && !p.CTS.load()) {
      if (!last) Pause(kCtsRetest);
      continue;
    }
    std::uint32_t errors = 0;
    ComStat stat;
    ComHandle->ClearCommError(errors, stat);
    if (!WritePass() && !last) Pause(kFailurePause);
  }
}

bool TWriteThread::WritePass() {
  TCommPort& p = *OwnerPort;
  while (p.OutBuffUsed.load() > 0) {
    std::uint32_t pos, used, n;
    {
      std::lock_guard<std::mutex> lock(p.OutLock);
      pos = p.OutReadPos;
      used = p.OutBuffUsed.load();
      n = pos + used < p.OutSize ? used : p.OutSize - pos;
      p.OutInFlight = n;
      p.OutFlushed = false;
    }
    if (n == 0) return true;
    std::uint32_t done = 0;
    const bool ok = ComHandle->WriteFile(p.OutBuffer.get() + pos, n, done);
    done = std::min(done, n);
    {
      std::lock_guard<std::mutex> lock(p.OutLock);
      // After a flush the whole piece is dropped: its count is all the flush left.
      const std::uint32_t drop = p.OutFlushed ? p.OutInFlight : done;
      p.OutBuffUsed.store(p.OutBuffUsed.load() - drop);
      p.OutReadPos += drop;
      if (p.OutReadPos >= p.OutSize) p.OutReadPos -= p.OutSize;
      p.OutInFlight = 0;
      p.OutFlushed = false;
    }
    if (!ok || done == 0) return false;
  }
  return true;
}

// ---- TReadThread ----

TReadThread::TReadThread(TCommPort* owner)
    : TThread(*owner->queue_), OwnerPort(owner), ComHandle(owner->ComHandle) {
  Start();
}

TReadThread::~TReadThread() = default;

void TReadThread::Execute() {
  while (!Terminated()) {
    if (!OwnerPort->ReadRequest.Wait()) continue;
    if (!FetchPass()) Pause(kFailurePause);
  }
}

bool TReadThread::FetchPass() {
  TCommPort& p = *OwnerPort;
  for (;;) {
    std::uint32_t errors = 0;
    ComStat stat;
    if (!ComHandle->ClearCommError(errors, stat)) return false;
    const std::uint32_t q = stat.cbInQue;
    std::uint32_t pos, used;
    {
      std::lock_guard<std::mutex> lock(p.InLock);
      pos = p.InReadPos;
      used = p.InBuffUsed.load();
    }
    const std::uint32_t w = pos + used;
    std::uint32_t room, at;
    if (w < p.InSize) {
      room = p.InSize - w;
      at = w;
    } else {
      room = p.InSize - used;
      at = w - p.InSize;
    }
    const std::uint32_t n = std::min(room, q);
    if (n == 0) return true;
    std::uint32_t got = 0;
    if (!ComHandle->ReadFile(p.InBuffer.get() + at, n, got)) return false;
    got = std::min(got, n);
    // The driver announced bytes it then did not hand over: wait for the next
    // wake-up rather than asking again at once.
    if (got == 0) return true;
    {
      std::lock_guard<std::mutex> lock(p.InLock);
      p.InBuffUsed.store(p.InBuffUsed.load() + got);
    }
    p.DataArrived.Set();
    // A peer that never stops sending would keep a stopping reader here forever.
    if (Terminated()) return true;
  }
}

// ---- TStatusThread ----

TStatusThread::TStatusThread(TCommPort* owner, TEventStates events)
    : TThread(*owner->queue_), OwnerPort(owner), ComHandle(owner->ComHandle), mask_(0) {
  for (unsigned i = 0; i <= evRing; ++i)
    if (events & (1u << i)) mask_ |= 1u << i;
  ComHandle->SetCommMask(mask_);
  Start();
}

TStatusThread::~TStatusThread() = default;

bool TStatusThread::TakeModemSnapshot() {
  std::uint32_t status = 0;
  if (!ComHandle->GetCommModemStatus(status)) return false;
  TCommPort& p = *OwnerPort;
  p.CTS.store(status & MS_CTS_ON);
  p.DSR.store(status & MS_DSR_ON);
  p.DCD.store(status & MS_RLSD_ON);
  p.Ring.store(status & MS_RING_ON);
  return true;
}

void TStatusThread::Execute() {
  TCommPort& p = *OwnerPort;
  if (p.IsEnabled() && TakeModemSnapshot()) p.EventMask.store(0);
  while (!Terminated()) {
    if (!p.IsEnabled()) {
      Pause(kFailurePause);
      continue;
    }
    std::uint32_t mask = 0;
    const IoResult r = ComHandle->WaitCommEvent(mask);
    bool done = r == IoResult::Done;
    if (!done) {
      Pause(kEventPause);
      if (r == IoResult::Pending) done = ComHandle->AwaitCommEvent(mask);
    }
    if (!done) continue;
    p.EventMask.store(mask);
    if ((mask & kModemEvents) && TakeModemSnapshot()) {
      if (p.Control.load() == ccHard && p.CTS.load() && p.OutBuffUsed.load() > 0)
        p.WriteRequest.Set();
    }
    if (mask & EV_RXCHAR) p.ReadRequest.Set();
    p.StatusChanged.Set();
  }
}

// ---- TReadEventThread ----

TReadEventThread::TReadEventThread(TCommPort* owner)
    : TThread(*owner->queue_), OwnerPort(owner) {
  Start();
}

TReadEventThread::~TReadEventThread() = default;

void TReadEventThread::Execute() {
  TCommPort* port = OwnerPort;
  while (!Terminated()) {
    if (!port->DataArrived.Wait()) continue;
    Synchronize([port] { port->RaiseDataReceived(); });
  }
}

// ---- TStatusEventThread ----

TStatusEventThread::TStatusEventThread(TCommPort* owner)
    : TThread(*owner->queue_), OwnerPort(owner) {
  Start();
}

TStatusEventThread::~TStatusEventThread() = default;

void TStatusEventThread::Execute() {
  TCommPort* port = OwnerPort;
  while (!Terminated()) {
    if (!port->StatusChanged.Wait()) continue;
    Synchronize([port] { port->DispatchStatus(); });
  }
}

}  // namespace tesra
