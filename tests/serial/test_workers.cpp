#include <algorithm>
#include <functional>
#include <thread>

#include "tests/serial/SerialTestSupport.h"

using namespace tesra;
using namespace std::chrono_literals;

using Workers = FakePortFixture;

TEST_F(Workers, LineSignalsAreRaisedOnTheGuiThreadInTheFixedOrder) {
  std::vector<std::string> seen;
  const auto gui = std::this_thread::get_id();
  auto note = [&](const char* name) {
    return [&, name](TCommPort*) {
      EXPECT_EQ(std::this_thread::get_id(), gui);
      seen.push_back(name);
    };
  };
  port->OnCTSSignal = note("CTS");
  port->OnDCDSignal = note("DCD");
  port->OnDSRSignal = note("DSR");
  port->OnRingSignal = note("Ring");
  port->OnRxDSignal = note("RxD");
  port->OnRxEventSignal = note("RxEvent");
  port->OnTxDSignal = note("TxD");
  port->OnBreakSignal = note("Break");
  port->OnErrorSignal = [&](TCommPort*, int) { seen.push_back("Error"); };
  port->MonitorEvents = 0x01FF;
  port->SetOpen(true);
  EXPECT_EQ(device.Mask(), 0x01FFu);
  device.RaiseEvents(0x01FF);
  ASSERT_TRUE(PumpUntil(queue, [&] { return seen.size() >= 9; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"CTS", "DCD", "DSR", "Ring", "RxD", "RxEvent", "TxD",
                                            "Break", "Error"}));
  seen.clear();
  port->SetOpen(false);
  // The close's mask of 0 completes the last wait with no bit set.
  EXPECT_EQ(port->GetEventMask(), 0u);
  EXPECT_TRUE(seen.empty());
}

TEST_F(Workers, ModemSnapshotFollowsLineEventsAndClearsOnClose) {
  device.SetModemStatus(MS_DSR_ON);
  port->SetOpen(true);
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetDSR(); }));
  device.SetModemStatus(MS_CTS_ON | MS_RING_ON | MS_RLSD_ON);
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetCTS() && port->GetRing() && port->GetDCD(); }));
  EXPECT_FALSE(port->GetDSR());
  port->SetOpen(false);
  EXPECT_FALSE(port->GetCTS() || port->GetDSR() || port->GetDCD() || port->GetRing());
}

TEST_F(Workers, HardwareFlowControlWaitsForCts) {
  port->SetComControl(ccHard);
  port->SetOpen(true);
  ASSERT_EQ(port->PutBlock("held", 4), 4u);
  PumpFor(queue, 100ms);
  EXPECT_EQ(device.Output(), "");
  device.SetModemStatus(MS_CTS_ON);
  ASSERT_TRUE(device.WaitForOutput(4, 5s));
  EXPECT_EQ(device.Output(), "held");
}

TEST_F(Workers, DataReceivedCountsAllUnreadBytesAndComesOnTheGuiThread) {
  std::vector<std::uint32_t> counts;
  const auto gui = std::this_thread::get_id();
  port->OnDataReceived = [&](TCommPort* s, std::uint32_t count) {
    EXPECT_EQ(s, port.get());
    EXPECT_EQ(std::this_thread::get_id(), gui);
    counts.push_back(count);
  };
  port->SetOpen(true);
  // The GUI thread runs no hand-off meanwhile: one call announces both chunks.
  const auto end = std::chrono::steady_clock::now() + 5s;
  device.Feed("abc");
  while (port->GetInBuffUsed() < 3 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(1ms);
  device.Feed("defg");
  while (port->GetInBuffUsed() < 7 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(PumpUntil(queue, [&] { return !counts.empty() && counts.back() == 7; }));
  EXPECT_LE(counts.size(), 2u);
  EXPECT_EQ(counts.front(), 7u);
}

TEST_F(Workers, WithoutRxCharOnlyGetBlockWakesTheReader) {
  port->MonitorEvents = EventSet({evTxEmpty, evCTS});
  port->SetOpen(true);
  device.Feed("stays");
  PumpFor(queue, 100ms);
  EXPECT_EQ(port->GetInBuffUsed(), 0u);
  EXPECT_EQ(device.InQueue(), 5u);
}

TEST_F(Workers, AHandOffPendingAtCloseRunsBeforeOnClose) {
  std::vector<std::string> events;
  port->OnDataReceived = [&](TCommPort*, std::uint32_t n) {
    events.push_back("data " + std::to_string(n));
  };
  port->OnClose = [&](TCommPort*) { events.push_back("close"); };
  port->SetOpen(true);
  device.Feed("xyz");
  const auto end = std::chrono::steady_clock::now() + 5s;
  // Both hand-offs of the arrival (status dispatch and data) wait in the queue.
  while ((port->GetInBuffUsed() < 3 || queue.Pending() < 2) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(1ms);
  port->SetOpen(false);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.front(), "data 3");
  EXPECT_EQ(events.back(), "close");
}

TEST_F(Workers, CloseFromInsideDataReceived) {
  int closes = 0;
  port->OnClose = [&](TCommPort*) { ++closes; };
  port->OnDataReceived = [&](TCommPort* s, std::uint32_t) { s->SetOpen(false); };
  port->SetOpen(true);
  device.Feed("bye");
  ASSERT_TRUE(PumpUntil(queue, [&] { return closes == 1; }));
  EXPECT_FALSE(port->GetOpen());
  port->SetOpen(true);
  EXPECT_TRUE(port->GetOpen());
}

TEST_F(Workers, CloseCancelsOnlyAWriteThatSendsNothing) {
  const std::string slow(1000, 's');
  const struct {
    const char* what;
    bool held;
    std::string queued, sent;
    bool cancelled;
  } cases[] = {
      {"flow control holds the write back", true, "stuck", "", true},
      {"a slow line, 1 ms a byte", false, slow, slow, false},
  };
  // At 2400 bit/s the close looks for progress every 320 ms: the slow write
  // lasts several of those spans, each far longer than a byte of this line.
  port->SetBaud(2400);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    port->SetOpen(true);
    device.TakeOutput();
    device.ClearLog();
    device.HoldWrites(c.held);
    device.SetByteTime(c.held ? 0us : 1000us);
    const auto n = static_cast<unsigned long>(c.queued.size());
    ASSERT_EQ(port->PutBlock(c.queued.data(), n), n);
    ASSERT_TRUE(c.held ? device.WaitForHeldWrite(5s) : device.WaitForOutput(1, 5s));
    port->SetOpen(false);
    EXPECT_FALSE(port->GetOpen());
    EXPECT_EQ(device.Output(), c.sent);
    const auto log = device.Log();
    const auto cancel = std::find(log.begin(), log.end(), "CancelIo");
    EXPECT_EQ(cancel != log.end(), c.cancelled);
    // A cancelled write's bytes are dropped from the device too, before it is
    // closed: a UART's close would otherwise wait for them to drain.
    EXPECT_EQ(std::find(cancel, log.end(), "PurgeComm 0x05") != log.end(), c.cancelled);
    EXPECT_EQ(log.back(), "CloseHandle");
  }
}

// The close's last wake-up of the dispatcher finds no event, also when the
// status worker stopped without its last wait coming back with none.
TEST_F(Workers, TheCloseDispatchesNoEventASecondTime) {
  int cts = 0;
  port->OnCTSSignal = [&](TCommPort*) { ++cts; };
  port->SetOpen(true);
  // The status worker's first wait must be pending before the waits after it fail.
  ASSERT_TRUE(PumpUntil(queue, [&] { return device.Calls(FakeSerialDevice::cWaitCommEvent) >= 1; }));
  device.Fail(FakeSerialDevice::cWaitCommEvent, true);
  device.RaiseEvents(EV_CTS);
  ASSERT_TRUE(PumpUntil(queue, [&] { return cts == 1; }));
  PumpFor(queue, 100ms);
  port->SetOpen(false);
  EXPECT_EQ(cts, 1);
  EXPECT_EQ(port->GetEventMask(), 0u);
}

// A status worker late to stop has its own call cancelled; the writer still
// sends what its ring holds with the close's grace for a slow line.
TEST_F(Workers, AWorkerLateToStopDoesNotCancelTheWriter) {
  const std::string slow(300, 's');
  port->SetBaud(2400);
  port->SetOpen(true);
  device.HoldModemStatus(true, true);
  device.RaiseEvents(EV_CTS);
  ASSERT_TRUE(device.WaitForHeldModemStatus(5s));
  device.SetByteTime(1000us);
  ASSERT_EQ(port->PutBlock(slow.data(), 300), 300u);
  ASSERT_TRUE(device.WaitForOutput(1, 5s));
  port->SetOpen(false);
  EXPECT_EQ(device.Output(), slow);
  const auto log = device.Log();
  EXPECT_NE(std::find(log.begin(), log.end(), "CancelIo"), log.end());  // the status worker's
}

TEST_F(Workers, ACloseFromAHandlerDuringACloseLeavesTheWorkToTheFirst) {
  const struct {
    const char* what;
    std::function<void(TCommPort*)> call;
    int comNumber;
    std::uint32_t inSize, outSize;
  } cases[] = {
      {"SetOpen(false)", [](TCommPort* s) { s->SetOpen(false); }, 2, 2048, 4096},
      {"ClosePort", [](TCommPort* s) { s->ClosePort(); }, 2, 2048, 4096},
      {"SetComNumber", [](TCommPort* s) { s->SetComNumber(9); }, 9, 2048, 4096},
      {"SetIBuffSize", [](TCommPort* s) { s->SetIBuffSize(64); }, 2, 64, 4096},
      {"SetOBuffSize", [](TCommPort* s) { s->SetOBuffSize(32); }, 2, 2048, 32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    port = std::make_unique<TCommPort>(&device, &sink, &queue);
    int closes = 0, calls = 0;
    bool openInHandler = false;
    port->OnClose = [&](TCommPort*) { ++closes; };
    port->OnDataReceived = [&](TCommPort* s, std::uint32_t) {
      if (calls++ > 0) return;
      openInHandler = s->GetOpen();
      c.call(s);
    };
    port->SetOpen(true);
    ASSERT_TRUE(port->GetOpen());
    device.Feed("xyz");
    // The data hand-off (after the status dispatch) waits in the queue: the close runs it.
    const auto end = std::chrono::steady_clock::now() + 5s;
    while ((port->GetInBuffUsed() < 3 || queue.Pending() < 2) && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(1ms);
    port->SetOpen(false);
    EXPECT_GE(calls, 1);
    EXPECT_TRUE(openInHandler);
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(port->GetOpen());
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(port->GetComNumber(), c.comNumber);
    EXPECT_EQ(port->GetInSize(), c.inSize);
    EXPECT_EQ(port->GetOutSize(), c.outSize);
    // What the handler set holds from the next open.
    port->SetOpen(true);
    ASSERT_TRUE(port->GetOpen());
    EXPECT_EQ(device.OpenedPort(), c.comNumber);
    EXPECT_EQ(port->GetInBuffFree(), c.inSize);
    EXPECT_EQ(port->GetOutBuffFree(), c.outSize);
    port->OnClose = nullptr;
    port->OnDataReceived = nullptr;
    port->SetOpen(false);
  }
}

TEST_F(Workers, ModemLinesReadFalseAfterACloseThatOvertakesAStatusQuery) {
  device.SetModemStatus(MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
  port->SetOpen(true);
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetCTS() && port->GetDSR() && port->GetDCD(); }));
  // A line change whose status query is still under way when the close begins.
  device.HoldModemStatus(true);
  device.SetModemStatus(MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON | MS_RING_ON);
  ASSERT_TRUE(device.WaitForHeldModemStatus(5s));
  port->SetOpen(false);
  EXPECT_FALSE(port->GetCTS());
  EXPECT_FALSE(port->GetDSR());
  EXPECT_FALSE(port->GetDCD());
  EXPECT_FALSE(port->GetRing());
}

TEST_F(Workers, AFailingDeviceMakesNoWorkerSpin) {
  port->SetOpen(true);
  port->PutBlock("data", 4);
  device.Fail(FakeSerialDevice::cWaitCommEvent, true);
  device.Fail(FakeSerialDevice::cClearCommError, true);
  device.Fail(FakeSerialDevice::cWriteFile, true);
  device.Fail(FakeSerialDevice::cReadFile, true);
  port->PutBlock("more", 4);
  char buf[4];
  port->GetBlock(buf, 4);
  const auto waits = device.Calls(FakeSerialDevice::cWaitCommEvent);
  const auto writes = device.Calls(FakeSerialDevice::cWriteFile);
  PumpFor(queue, 300ms);
  // Backing off, each worker retries a few times at most in this span.
  EXPECT_LT(device.Calls(FakeSerialDevice::cWaitCommEvent) - waits, 20u);
  EXPECT_LT(device.Calls(FakeSerialDevice::cWriteFile) - writes, 10u);
  port->SetOpen(false);
  EXPECT_FALSE(port->GetOpen());
}

TEST(GuiQueue, SendReturnsAfterTheGuiThreadRanTheCall) {
  GuiQueue q;
  q.SetGuiThread();
  int wakes = 0;
  q.SetWakeHook([&] { ++wakes; });
  std::atomic<bool> abandon{false};
  std::atomic<int> value{0};
  std::thread worker([&] { q.Send([&] { value = 42; }, abandon); value += 1; });
  ASSERT_TRUE(PumpUntil(q, [&] { return value.load() == 43; }));
  worker.join();
  EXPECT_EQ(wakes, 1);
}
