#include <atomic>
#include <random>
#include <thread>

#include "serial/PosixSerialDevice.h"
#include "tests/serial/PtyPair.h"
#include "tests/serial/SerialTestSupport.h"

using namespace tesra;
using namespace std::chrono_literals;

namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

struct PtyPort : ::testing::Test {
  PtyPair pty;
  GuiQueue queue;
  PosixSerialDevice device;
  RecordingSink sink;
  std::unique_ptr<TCommPort> port;
  void SetUp() override {
    queue.SetGuiThread();
    port = std::make_unique<TCommPort>(&device, &sink, &queue);
    port->SetComNumber(pty.number());
  }
  void TearDown() override {
    port->OnDataReceived = nullptr;
    port->OnClose = nullptr;
    port.reset();
  }
};

}  // namespace

TEST(PortDevices, NumbersMapToDevices) {
  ::unsetenv("TESRACONFIG_COM_DIR");
  const struct { int n; const char* path; } cases[] = {
      {1, "/dev/ttyS0"},    {32, "/dev/ttyS31"},  {33, "/dev/ttyUSB0"}, {64, "/dev/ttyUSB31"},
      {65, "/dev/ttyACM0"}, {96, "/dev/ttyACM31"}, {97, ""},           {0, ""},
      {-3, ""},             {255, ""}};
  for (const auto& c : cases) EXPECT_EQ(DevicePathForPort(c.n), c.path) << c.n;
  ::setenv("TESRACONFIG_COM_DIR", "/some/dir", 1);
  EXPECT_EQ(DevicePathForPort(12), "/some/dir/COM12");
  EXPECT_EQ(DevicePathForPort(200), "/some/dir/COM200");
  ::unsetenv("TESRACONFIG_COM_DIR");
}

TEST_F(PtyPort, ExistenceAndExclusiveOpen) {
  EXPECT_TRUE(PortDeviceExists(pty.number()));
  EXPECT_FALSE(PortDeviceExists(pty.number() + 1));
  port->SetOpen(true);
  ASSERT_TRUE(port->GetOpen());
  RecordingSink otherSink;
  TCommPort other(nullptr, &otherSink, &queue);
  other.SetComNumber(pty.number());
  other.SetOpen(true);
  EXPECT_FALSE(other.GetOpen());
  ASSERT_EQ(otherSink.shown.size(), 1u);
  EXPECT_EQ(otherSink.shown[0].text, "Can't open COM port");
  port->SetOpen(false);
  other.SetOpen(true);
  EXPECT_TRUE(other.GetOpen());
}

TEST_F(PtyPort, CustomRatesAreAccepted) {
  port->SetOpen(true);
  for (int baud : {14400, 56000, 128000, 256000, 9600}) {
    port->SetBaud(baud);
    DeviceControlBlock d;
    ASSERT_TRUE(device.GetCommState(d));
    EXPECT_EQ(d.BaudRate, static_cast<std::uint32_t>(baud));
  }
}

TEST_F(PtyPort, AMegabyteEachWayArrivesCompleteAndInOrder) {
  constexpr std::size_t kSize = 1 << 20;
  const std::string out = RandomBytes(kSize, 1), in = RandomBytes(kSize, 2);
  std::string received, echoed;
  const auto gui = std::this_thread::get_id();
  bool offThread = false;
  port->OnDataReceived = [&](TCommPort* s, std::uint32_t count) {
    if (std::this_thread::get_id() != gui) offThread = true;
    EXPECT_LE(count, s->GetInBuffUsed());
    char buf[4096];
    for (unsigned long n; (n = s->GetBlock(buf, sizeof buf)) > 0;) received.append(buf, n);
  };
  port->SetOpen(true);
  ASSERT_TRUE(port->GetOpen());
  ASSERT_TRUE(pty.SetNonBlocking());
  std::atomic<bool> peerDone{false};
  PtyPeer peer([&](const std::atomic<bool>& stop) {
    std::mt19937 rng(3);
    std::size_t sent = 0;
    char buf[8192];
    while (!stop.load() && (sent < kSize || echoed.size() < kSize)) {
      if (sent < kSize) {
        const ssize_t n = pty.WriteSome(in.data() + sent, std::min<std::size_t>(1 + rng() % 3000, kSize - sent));
        if (n < 0) break;
        sent += static_cast<std::size_t>(n);
      }
      const ssize_t r = pty.ReadSome(buf, sizeof buf, 1);
      if (r < 0 && errno != EAGAIN) break;
      if (r > 0) echoed.append(buf, static_cast<std::size_t>(r));
    }
    peerDone.store(true);
  });
  std::mt19937 rng(4);
  std::size_t put = 0;
  ASSERT_TRUE(PumpUntil(queue, [&] {
    if (put < kSize) put += port->PutBlock(out.data() + put, std::min<std::size_t>(1 + rng() % 5000, kSize - put));
    return put == kSize && received.size() >= kSize;
  }, 30s));
  // The peer ends by itself once all has come back.
  EXPECT_TRUE(PumpUntil(queue, [&] { return peerDone.load(); }, 30s));
  peer.Stop();
  EXPECT_FALSE(offThread);
  EXPECT_TRUE(received == in);
  EXPECT_TRUE(echoed == out);
}

TEST_F(PtyPort, DataReceivedWhileTheGuiIsBusyCountsEveryUnreadByte) {
  std::vector<std::uint32_t> counts;
  port->OnDataReceived = [&](TCommPort*, std::uint32_t count) { counts.push_back(count); };
  port->SetOpen(true);
  const std::string chunk(100, 'q');
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(pty.WriteAll(chunk.data(), chunk.size()));
    std::this_thread::sleep_for(80ms);
  }
  const auto end = std::chrono::steady_clock::now() + 5s;
  while (port->GetInBuffUsed() < 300 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(PumpUntil(queue, [&] { return !counts.empty(); }));
  EXPECT_EQ(counts.front(), 300u);
}

TEST_F(PtyPort, AFullInputRingDoesNotMakeTheStatusWorkerLoop) {
  port->SetIBuffSize(64);
  port->SetOpen(true);
  const std::string data = RandomBytes(1000, 5);
  ASSERT_TRUE(pty.WriteAll(data.data(), data.size()));
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetInBuffUsed() == 64; }));
  const auto waits = device.CompletedWaits();
  PumpFor(queue, 300ms);
  EXPECT_LT(device.CompletedWaits() - waits, 10u);
  std::string got;
  ASSERT_TRUE(PumpUntil(queue, [&] {
    char buf[50];
    got.append(buf, port->GetBlock(buf, sizeof buf));
    return got.size() == data.size();
  }));
  EXPECT_TRUE(got == data);
}

TEST_F(PtyPort, CloseWhileTheOtherSideSends) {
  port->OnDataReceived = [](TCommPort* s, std::uint32_t) {
    char buf[256];
    s->GetBlock(buf, sizeof buf);
  };
  port->SetOpen(true);
  // Once the port is closed nobody reads the line and its buffer fills: the
  // peer must never block in a write, or it would never see `stop`.
  ASSERT_TRUE(pty.SetNonBlocking());
  PtyPeer peer([&](const std::atomic<bool>& stop) {
    const std::string chunk(512, 'z');
    while (!stop.load()) {
      if (pty.WriteSome(chunk.data(), chunk.size()) <= 0) std::this_thread::sleep_for(1ms);
    }
  });
  PumpFor(queue, 100ms);
  port->SetOpen(false);
  EXPECT_FALSE(port->GetOpen());
  // Give the peer the time to fill the line that nobody reads any more.
  std::this_thread::sleep_for(100ms);
}

TEST_F(PtyPort, OutputSentCountsWhatTheLineTook) {
  ASSERT_TRUE(device.Open(pty.number()));
  std::uint64_t sent = 1;
  ASSERT_TRUE(device.OutputSent(sent));
  EXPECT_EQ(sent, 0u);
  const std::string data = RandomBytes(300, 6);
  std::uint32_t done = 0;
  ASSERT_TRUE(device.WriteFile(data.data(), 300, done));
  EXPECT_EQ(done, 300u);
  ASSERT_TRUE(device.OutputSent(sent));
  EXPECT_EQ(sent, 300u);
  std::string got;
  char buf[512];
  for (ssize_t r; got.size() < data.size() && (r = pty.ReadSome(buf, sizeof buf, 1000)) > 0;)
    got.append(buf, static_cast<std::size_t>(r));
  EXPECT_TRUE(got == data);
  device.CloseHandle();
  EXPECT_FALSE(device.OutputSent(sent));
}

TEST_F(PtyPort, CloseWithThePeerGone) {
  int closes = 0;
  port->OnClose = [&](TCommPort*) { ++closes; };
  port->SetOpen(true);
  pty.CloseMaster();
  EXPECT_EQ(port->PutBlock("lost", 4), 4u);
  PumpFor(queue, 100ms);
  const auto waits = device.CompletedWaits();
  PumpFor(queue, 300ms);
  EXPECT_LT(device.CompletedWaits() - waits, 10u);
  port->SetOpen(false);
  EXPECT_EQ(closes, 1);
}

TEST_F(PtyPort, CloseWhileAWriteIsHeldBackByTheOtherSide) {
  port->SetOBuffSize(1 << 20);
  port->SetOpen(true);
  const std::string big(1 << 20, 'w');  // far more than the pty takes unread
  ASSERT_EQ(port->PutBlock(big.data(), big.size()), big.size());
  PumpFor(queue, 100ms);
  EXPECT_GT(port->GetOutBuffUsed(), 0u);
  port->SetOpen(false);
  EXPECT_FALSE(port->GetOpen());
}

TEST_F(PtyPort, CloseWhileTheGuiThreadIsBusy) {
  std::vector<std::string> events;
  port->OnDataReceived = [&](TCommPort*, std::uint32_t) { events.push_back("data"); };
  port->OnClose = [&](TCommPort*) { events.push_back("close"); };
  port->SetOpen(true);
  ASSERT_TRUE(pty.WriteAll("busy", 4));
  std::this_thread::sleep_for(200ms);  // the GUI thread does other work, running no hand-off
  port->SetOpen(false);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.front(), "data");
  EXPECT_EQ(events.back(), "close");
}

TEST_F(PtyPort, CloseFromInsideAHandOffWhileDataFlows) {
  int calls = 0;
  port->OnDataReceived = [&](TCommPort* s, std::uint32_t) {
    if (++calls == 3) s->SetOpen(false);
    char buf[64];
    s->GetBlock(buf, sizeof buf);
  };
  port->SetOpen(true);
  for (int i = 0; i < 5 && port->GetOpen(); ++i) {
    ASSERT_TRUE(pty.WriteAll("0123456789", 10));
    PumpUntil(queue, [&] { return calls > i || !port->GetOpen(); }, 2s);
  }
  EXPECT_FALSE(port->GetOpen());
}
