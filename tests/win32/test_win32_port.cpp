// The port component on the Win32 device calls, against real COM ports: a
// null-modem pair (A <-> B) and the controller emulator. The ports come from
// the environment (the cross-build script maps them), so the same tests run
// on Windows beside a real null-modem cable and controller.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "link/Frames.h"
#include "serial/PortDevice.h"
#include "serial/Win32SerialDevice.h"
#include "tests/serial/SerialTestSupport.h"
// Last: <windows.h> defines the serial constants as macros.
#include "serial/Win32Dcb.h"

using namespace tesra;
using namespace std::chrono_literals;

namespace {

int PortFromEnvironment(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : 0;
}

int NullModemA() { return PortFromEnvironment("TESRA_WIN_NULLMODEM_A"); }
int NullModemB() { return PortFromEnvironment("TESRA_WIN_NULLMODEM_B"); }
int EmulatorPort() { return PortFromEnvironment("TESRA_WIN_EMULATOR_COM"); }

// Wine lets a second handle open a device that is in use; Windows does not.
bool UnderWine() {
  const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

// One component on its own Win32 device; every component of a test shares the
// test's GUI queue. Received bytes are gathered in `received`.
std::size_t FirstDifference(const std::string& got, const std::string& want) {
  const auto n = std::min(got.size(), want.size());
  for (std::size_t i = 0; i < n; ++i)
    if (got[i] != want[i]) return i;
  return n;
}

struct Win32Port {
  Win32SerialDevice device;
  std::unique_ptr<TCommPort> port;
  std::string received;
  int opens = 0, closes = 0;

  Win32Port(GuiQueue& queue, MessageSink& sink, int number) {
    port = std::make_unique<TCommPort>(&device, &sink, &queue);
    port->SetComNumber(number);
    port->OnDataReceived = [this](TCommPort* s, std::uint32_t) {
      char buf[4096];
      for (unsigned long n; (n = s->GetBlock(buf, sizeof buf)) > 0;) received.append(buf, n);
    };
    port->OnOpen = [this](TCommPort*, int) { ++opens; };
    port->OnClose = [this](TCommPort*) { ++closes; };
  }
  ~Win32Port() {
    port->OnDataReceived = nullptr;
    port->OnOpen = nullptr;
    port->OnClose = nullptr;
    port.reset();
  }
};

struct Win32Ports : ::testing::Test {
  GuiQueue queue;
  RecordingSink sink;
  void SetUp() override {
    if (NullModemA() <= 0 || NullModemB() <= 0)
      GTEST_SKIP() << "TESRA_WIN_NULLMODEM_A/B name no COM ports (scripts/cross-windows.sh sets them)";
    queue.SetGuiThread();
  }
  // Reads from `from` until nothing more arrives, so a test leaves the line quiet.
  void Drain(Win32Port& from) {
    std::size_t seen = from.received.size();
    for (;;) {
      PumpFor(queue, 200ms);
      if (from.received.size() == seen) break;
      seen = from.received.size();
    }
    from.received.clear();
  }
};

}  // namespace

TEST(Win32PortNames, EveryPortUsesTheDeviceNamespaceForm) {
  const struct {
    int n;
    const char* name;
  } cases[] = {{1, "\\\\.\\COM1"}, {9, "\\\\.\\COM9"}, {10, "\\\\.\\COM10"}, {255, "\\\\.\\COM255"}, {0, ""}, {-3, ""}};
  for (const auto& c : cases) EXPECT_EQ(DevicePathForPort(c.n), c.name) << c.n;
}

TEST(Win32PortNames, AvailabilityFollowsTheDevices) {
  const int a = NullModemA();
  if (a <= 0) GTEST_SKIP() << "no null-modem port in the environment";
  // The mapped ports lie above 9, where the plain "COMn" name would not reach.
  EXPECT_GT(a, 9);
  EXPECT_TRUE(PortDeviceExists(a));
  EXPECT_FALSE(PortDeviceExists(0));
  EXPECT_FALSE(PortDeviceExists(254)) << "no device is mapped there";
  Win32SerialDevice device;
  ASSERT_TRUE(device.Open(a));
  EXPECT_FALSE(device.Open(a)) << "a device is opened once";
  if (!UnderWine()) {
    // While the port is open it is not shared, so it is not available.
    EXPECT_FALSE(PortDeviceExists(a));
    Win32SerialDevice second;
    EXPECT_FALSE(second.Open(a)) << "a second open of a port in use";
  }
  EXPECT_TRUE(device.CloseHandle());
  EXPECT_FALSE(device.CloseHandle()) << "closing a closed device";
  EXPECT_TRUE(PortDeviceExists(a));
}

TEST(Win32Dcb, FlowControlWordsMapToTheirBitFields) {
  const struct {
    std::uint32_t word;
    unsigned outX, inX, ctsFlow, dsrFlow, dtrControl, rtsControl;
  } cases[] = {
      {0x0001, 0, 0, 0, 0, 0, 0},  // no flow control
      {0x1311, 1, 1, 0, 0, 1, 1},  // XON/XOFF, lines on
      {0x202D, 0, 0, 1, 1, 2, 2},  // CTS/DSR, lines as handshake
  };
  for (const auto& c : cases) {
    DeviceControlBlock b;
    b.Flags = c.word;
    b.BaudRate = 115200;
    b.ByteSize = 7;
    b.Parity = 2;
    b.StopBits = 2;
    b.XonLim = 10;
    b.XoffLim = 1024;
    b.XonChar = 0x11;
    b.XoffChar = 0x13;
    b.EvtChar = 0x7E;
    DCB d{};
    d.ErrorChar = '?';
    PutDeviceControlBlock(d, b);
    EXPECT_EQ(d.fBinary, 1u) << std::hex << c.word;
    EXPECT_EQ(d.fOutX, c.outX) << std::hex << c.word;
    EXPECT_EQ(d.fInX, c.inX) << std::hex << c.word;
    EXPECT_EQ(d.fOutxCtsFlow, c.ctsFlow) << std::hex << c.word;
    EXPECT_EQ(d.fOutxDsrFlow, c.dsrFlow) << std::hex << c.word;
    EXPECT_EQ(d.fDtrControl, c.dtrControl) << std::hex << c.word;
    EXPECT_EQ(d.fRtsControl, c.rtsControl) << std::hex << c.word;
    EXPECT_EQ(d.fParity | d.fDsrSensitivity | d.fTXContinueOnXoff | d.fErrorChar | d.fNull | d.fAbortOnError, 0);
    EXPECT_EQ(d.ErrorChar, '?') << "members the component does not keep stay";
    EXPECT_EQ(DcbFlagWord(d), c.word);
    EXPECT_EQ(DeviceControlBlockOf(d), b);
  }
}

TEST_F(Win32Ports, OpenAndCloseSequencesRaiseTheirEvents) {
  Win32Port p(queue, sink, 254);
  p.port->SetOpen(true);
  EXPECT_FALSE(p.port->GetOpen());
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].caption, "COM port error");
  EXPECT_EQ(sink.shown[0].text, "Can't open COM port");
  EXPECT_EQ(p.opens, 0);

  p.port->SetComNumber(NullModemA());
  p.port->SetOpen(true);
  ASSERT_TRUE(p.port->GetOpen());
  EXPECT_EQ(p.opens, 1);
  p.port->SetOpen(true);
  EXPECT_EQ(p.opens, 1) << "opening an open port does nothing";

  p.port->SetIBuffSize(512);
  EXPECT_TRUE(p.port->GetOpen());
  EXPECT_EQ(p.closes, 1);
  EXPECT_EQ(p.opens, 2);
  EXPECT_EQ(p.port->GetInBuffFree(), 512u);

  p.port->SetComNumber(NullModemB());
  EXPECT_FALSE(p.port->GetOpen());
  EXPECT_EQ(p.closes, 2);
  EXPECT_EQ(p.port->PutBlock("x", 1), 0u) << "a closed port takes nothing";
  EXPECT_EQ(sink.shown.size(), 1u) << "no other box was shown";
}

TEST_F(Win32Ports, SettingsReachTheDriver) {
  const struct {
    TBaudRate rate;
    TParity parity;
    unsigned short dataBits;
    TStopBits stopBits;
    TComControl control;
    std::uint32_t baud;
  } cases[] = {
      {cbr9600, paNone, 8, sb1_0, ccNone, 9600},
      {cbr115200, paEven, 7, sb2_0, ccSoft, 115200},
      {cbr2400, paOdd, 8, sb1_0, ccHard, 2400},
  };
  for (const auto& c : cases) {
    Win32Port p(queue, sink, NullModemA());
    p.port->SetBaudRate(c.rate);
    p.port->SetParity(c.parity);
    p.port->SetDataBits(c.dataBits);
    p.port->SetStopBits(c.stopBits);
    p.port->SetComControl(c.control);
    p.port->SetOpen(true);
    ASSERT_TRUE(p.port->GetOpen());
    DeviceControlBlock d;
    if (!p.device.GetCommState(d)) GTEST_SKIP() << "this driver does not report its control block (no modem lines)";
    EXPECT_EQ(d.BaudRate, c.baud);
    EXPECT_EQ(d.StopBits, c.stopBits);
    if (!UnderWine()) {
      // Wine's ports here are pseudo-terminals, which keep 8 data bits and no parity.
      EXPECT_EQ(d.Parity, c.parity);
      EXPECT_EQ(d.ByteSize, c.dataBits);
    }
    const std::uint32_t xonXoff = dcb::fOutX | dcb::fInX;
    EXPECT_EQ(d.Flags & xonXoff, c.control == ccSoft ? xonXoff : 0u) << "rate " << c.baud;
    EXPECT_EQ((d.Flags & dcb::fOutxCtsFlow) != 0, c.control == ccHard) << "rate " << c.baud;
    // A setter while open writes through at once.
    p.port->SetBaud(19200);
    ASSERT_TRUE(p.device.GetCommState(d));
    EXPECT_EQ(d.BaudRate, 19200u);
  }
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(Win32Ports, RingsCarryDataBothWaysIntactAndInOrder) {
  Win32Port a(queue, sink, NullModemA()), b(queue, sink, NullModemB());
  // Small rings, so both wrap many times and the input ring fills up.
  a.port->SetIBuffSize(700);
  a.port->SetOBuffSize(1000);
  b.port->SetIBuffSize(900);
  b.port->SetOBuffSize(600);
  a.port->SetOpen(true);
  b.port->SetOpen(true);
  ASSERT_TRUE(a.port->GetOpen() && b.port->GetOpen());
  constexpr std::size_t kSize = 96 * 1024;
  const std::string toB = RandomBytes(kSize, 11), toA = RandomBytes(kSize, 12);
  std::mt19937 rng(13);
  std::size_t putA = 0, putB = 0;
  const bool done = PumpUntil(queue, [&] {
    if (putA < kSize) putA += a.port->PutBlock(toB.data() + putA, std::min<std::size_t>(1 + rng() % 1500, kSize - putA));
    if (putB < kSize) putB += b.port->PutBlock(toA.data() + putB, std::min<std::size_t>(1 + rng() % 1500, kSize - putB));
    return b.received.size() >= kSize && a.received.size() >= kSize;
  }, 60s);
  EXPECT_TRUE(done) << "A got " << a.received.size() << ", B got " << b.received.size();
  EXPECT_TRUE(b.received == toB) << "first difference at " << FirstDifference(b.received, toB);
  EXPECT_TRUE(a.received == toA) << "first difference at " << FirstDifference(a.received, toA);
  a.port->SetOpen(false);
  b.port->SetOpen(false);
  EXPECT_EQ(a.closes + b.closes, 2);
}

TEST_F(Win32Ports, CloseCompletesWhileAWriteIsHeldBackByXoff) {
  Win32Port a(queue, sink, NullModemA()), b(queue, sink, NullModemB());
  a.port->SetComControl(ccSoft);
  a.port->SetOBuffSize(1 << 16);
  a.port->SetOpen(true);
  b.port->SetOpen(true);
  ASSERT_TRUE(a.port->GetOpen() && b.port->GetOpen());
  // B holds A's output back, then A queues more than the line buffers take.
  ASSERT_EQ(b.port->PutChar(0x13), 1u);
  PumpFor(queue, 300ms);
  const std::string big(1 << 16, 'w');
  ASSERT_EQ(a.port->PutBlock(big.data(), big.size()), big.size());
  PumpFor(queue, 500ms);
  EXPECT_GT(a.port->GetOutBuffUsed(), 0u) << "the write was held back";
  EXPECT_LT(b.received.size(), big.size());
  a.port->SetOpen(false);
  EXPECT_FALSE(a.port->GetOpen());
  EXPECT_EQ(a.closes, 1);
  // Release the line for the tests after this one: a reopen without flow
  // control restarts output; then both sides discard what is left.
  a.port->SetComControl(ccNone);
  a.port->SetOpen(true);
  ASSERT_TRUE(a.port->GetOpen());
  a.port->FlushOutBuffer();
  Drain(b);
  a.port->SetOpen(false);
  b.port->SetOpen(false);
}

// The whole configuration through the frames: 16 write blocks, each echoed,
// then 16 read queries, each answered with the block just written.
TEST(Win32Controller, FullWriteAndReadThroughTheFrames) {
  const int com = EmulatorPort();
  if (com <= 0) GTEST_SKIP() << "TESRA_WIN_EMULATOR_COM names no COM port";
  GuiQueue queue;
  queue.SetGuiThread();
  RecordingSink sink;
  Win32Port p(queue, sink, com);
  p.port->SetOpen(true);
  ASSERT_TRUE(p.port->GetOpen());

  ConfigImage image;
  std::mt19937 rng(21);
  for (auto& byte : image.bytes) byte = static_cast<std::uint8_t>(rng());

  auto exchange = [&](const std::uint8_t* frame, std::size_t size) -> std::string {
    p.received.clear();
    p.port->PutBlock(reinterpret_cast<const char*>(frame), size);
    if (!PumpUntil(queue, [&] { return p.received.size() >= kReplySize; }, 10s)) return {};
    PumpFor(queue, 20ms);  // nothing may follow the reply
    return p.received;
  };

  WriteBlockBuffer write;
  for (unsigned address = 0; address <= kLastBlockAddress; address += kBlockSize) {
    write.Fill(address, image);
    const std::string echo = exchange(write.data(), write.size());
    ASSERT_EQ(echo.size(), kReplySize) << "write echo of block " << address;
    const auto* reply = reinterpret_cast<const std::uint8_t*>(echo.data());
    EXPECT_EQ(ReplyAddress(reply), address);
    EXPECT_EQ(0, std::memcmp(ReplyBlock(reply), image.bytes.data() + address, kBlockSize)) << address;
  }
  ReadQueryBuffer read;
  ConfigImage back;
  for (unsigned address = 0; address <= kLastBlockAddress; address += kBlockSize) {
    read.Fill(address);
    const std::string answer = exchange(read.data(), read.size());
    ASSERT_EQ(answer.size(), kReplySize) << "read reply of block " << address;
    const auto* reply = reinterpret_cast<const std::uint8_t*>(answer.data());
    ASSERT_EQ(ReplyAddress(reply), address);
    std::memcpy(back.bytes.data() + address, ReplyBlock(reply), kBlockSize);
  }
  EXPECT_TRUE(back.bytes == image.bytes);
  EXPECT_TRUE(sink.shown.empty());
}
