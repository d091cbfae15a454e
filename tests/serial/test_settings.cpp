#include <algorithm>

#include "tests/serial/SerialTestSupport.h"

using namespace tesra;
using namespace std::chrono_literals;

using Settings = FakePortFixture;

TEST_F(Settings, ConstructorValues) {
  EXPECT_EQ(port->GetComNumber(), 2);
  EXPECT_FALSE(port->GetOpen());
  EXPECT_FALSE(port->IsEnabled());
  EXPECT_EQ(port->GetInSize(), 2048u);
  EXPECT_EQ(port->GetOutSize(), 4096u);
  EXPECT_EQ(port->GetBaudRate(), cbr9600);
  EXPECT_EQ(port->GetBaud(), 9600);
  EXPECT_EQ(port->GetControl(), ccNone);
  EXPECT_EQ(port->GetParity(), paNone);
  EXPECT_EQ(port->GetStopBits(), sb1_0);
  EXPECT_EQ(port->GetDataBits(), 8);
  EXPECT_EQ(port->MonitorEvents, 0x01FD);
  EXPECT_EQ(port->GetXonLim(), 0);
  EXPECT_EQ(port->GetXoffLim(), 1024);
  EXPECT_EQ(port->GetXonChar(), 0x11);
  EXPECT_EQ(port->GetXoffChar(), 0x13);
  EXPECT_EQ(port->GetEventChar(), 0);
  EXPECT_EQ(port->GetEventMask(), 0u);
  EXPECT_EQ(static_cast<int>(cbr256000), 14);
  EXPECT_EQ(static_cast<int>(evRing), 8);
  EXPECT_EQ(static_cast<int>(paSpace), 4);
}

TEST_F(Settings, ClosedPortGivesNothing) {
  char buf[4];
  EXPECT_EQ(port->PutBlock("ab", 2), 0u);
  EXPECT_EQ(port->PutChar('a'), 0u);
  EXPECT_EQ(port->GetBlock(buf, 4), 0u);
  EXPECT_EQ(port->GetChar(), 0);
  EXPECT_EQ(port->GetOutQueCount(), 0);
  EXPECT_FALSE(port->GetModemState(1));
  EXPECT_FALSE(port->SetBreak(true));
  EXPECT_TRUE(device.Log().empty());
}

TEST_F(Settings, DataBitsAndXoffLimAreClamped) {
  const struct { unsigned short in, out; } bits[] = {{4, 8}, {9, 8}, {0, 8}, {5, 5}, {7, 7}, {8, 8}};
  for (const auto& c : bits) {
    port->SetDataBits(c.in);
    EXPECT_EQ(port->GetDataBits(), c.out) << c.in;
  }
  const struct { unsigned long inSize; unsigned short in, out; } lims[] = {
      {2048, 5000, 2048}, {2048, 1000, 1000}, {100000, 65535, 65535}, {100, 200, 100}};
  for (const auto& c : lims) {
    port->SetIBuffSize(c.inSize);
    port->SetXoffLim(c.in);
    EXPECT_EQ(port->GetXoffLim(), c.out) << c.inSize << " " << c.in;
  }
}

TEST_F(Settings, SetBaudMapsTheFifteenRatesAndIgnoresOthers) {
  const int rates[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400,
                       19200, 38400, 56000, 57600, 115200, 128000, 256000};
  for (int i = 0; i < 15; ++i) {
    port->SetBaud(rates[i]);
    EXPECT_EQ(port->GetBaudRate(), static_cast<TBaudRate>(i));
    EXPECT_EQ(port->GetBaud(), rates[i]);
  }
  port->SetBaudRate(cbr56000);
  for (int other : {12345, 0, -9600, 230400}) {
    port->SetBaud(other);
    EXPECT_EQ(port->GetBaud(), 56000) << other;
  }
}

TEST_F(Settings, BitsWarningForTheTwoInvalidCombinations) {
  const std::string five = "Invalid combination (5 data bits with 2 stop bits)";
  const std::string more = "Invalid combination (6,7 or 8 data bits with 1.5 stop bits)";
  const struct { unsigned short bits; TStopBits stop; std::string text; } cases[] = {
      {5, sb2_0, five}, {6, sb1_5, more}, {7, sb1_5, more}, {8, sb1_5, more},
      {5, sb1_5, ""},   {8, sb2_0, ""},   {5, sb1_0, ""},   {8, sb1_0, ""}};
  for (const auto& c : cases) {
    port->SetDataBits(c.bits);
    sink.shown.clear();
    port->SetStopBits(c.stop);
    if (c.text.empty()) {
      EXPECT_TRUE(sink.shown.empty()) << c.bits << "/" << int(c.stop);
      continue;
    }
    ASSERT_EQ(sink.shown.size(), 1u) << c.bits << "/" << int(c.stop);
    EXPECT_EQ(sink.shown[0].kind, MessageSink::Kind::Warning);
    EXPECT_EQ(sink.shown[0].caption, "COM port warning");
    EXPECT_EQ(sink.shown[0].text, c.text);
    EXPECT_EQ(port->GetStopBits(), c.stop);
  }
  // An open applies stop bits and data bits each through its setter: two warnings.
  port->SetDataBits(5);
  port->SetStopBits(sb2_0);
  sink.shown.clear();
  port->SetOpen(true);
  ASSERT_TRUE(port->GetOpen());
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[1].text, five);
  EXPECT_EQ(device.State().ByteSize, 5);
  EXPECT_EQ(device.State().StopBits, 2);
}

TEST_F(Settings, FlowControlWritesTheWholeFlagWord) {
  port->SetOpen(true);
  const struct { int control; std::uint32_t flags; } cases[] = {
      {ccSoft, 0x1311}, {ccHard, 0x202D}, {ccNone, 0x0001}, {7, 0x0001}, {ccHard, 0x202D}};
  for (const auto& c : cases) {
    port->SetComControl(static_cast<TComControl>(c.control));
    EXPECT_EQ(device.State().Flags, c.flags) << c.control;
    EXPECT_EQ(port->GetControl(), static_cast<TComControl>(c.control));
  }
}

TEST_F(Settings, RecordedSettingsReachTheDeviceAtOpen) {
  port->SetComNumber(7);
  port->SetBaud(128000);
  port->SetParity(paMark);
  port->SetComControl(ccSoft);
  port->SetXonLim(10);
  port->SetXoffLim(500);
  port->SetXonChar(0x21);
  port->SetXoffChar(0x22);
  port->SetEventChar('\n');
  EXPECT_TRUE(device.Log().empty());
  port->SetOpen(true);
  ASSERT_TRUE(port->GetOpen());
  const DeviceControlBlock d = device.State();
  EXPECT_EQ(d.BaudRate, 128000u);
  EXPECT_EQ(d.Parity, 3);
  EXPECT_EQ(d.Flags, 0x1311u);
  EXPECT_EQ(d.XonLim, 10);
  EXPECT_EQ(d.XoffLim, 500);
  EXPECT_EQ(d.XonChar, 0x21);
  EXPECT_EQ(d.XoffChar, 0x22);
  EXPECT_EQ(d.EvtChar, '\n');
  const auto log = device.Log();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0], "Open 7");
  EXPECT_EQ(log[1], "SetupComm 2048 4096");
  EXPECT_EQ(log[2], "SetCommTimeouts 0");
  EXPECT_EQ(std::count(log.begin(), log.end(), "SetCommState"), 10);
  // The watched events, then the recorded line states (both off).
  const auto mask = std::find(log.begin(), log.end(), "SetCommMask 0x01FD");
  ASSERT_NE(mask, log.end());
  ASSERT_EQ(log.end() - mask, 3);
  EXPECT_EQ(mask[1], "Escape 6");
  EXPECT_EQ(mask[2], "Escape 4");
}

TEST_F(Settings, OpenAndCloseEventsInOrder) {
  std::vector<std::string> events;
  port->OnOpen = [&](TCommPort* s, int) { events.push_back(s == port.get() ? "open" : "?"); };
  port->OnClose = [&](TCommPort*) { events.push_back("close"); };
  port->SetOpen(true);
  port->SetOpen(true);
  EXPECT_EQ(events, (std::vector<std::string>{"open"}));
  port->PutBlock("abc", 3);
  device.HoldWrites(true);
  port->SetIBuffSize(64);  // new, empty rings
  EXPECT_EQ(events, (std::vector<std::string>{"open", "close", "open"}));
  EXPECT_TRUE(port->GetOpen());
  EXPECT_EQ(port->GetInBuffUsed(), 0u);
  EXPECT_EQ(port->GetInBuffFree(), 64u);
  device.HoldWrites(false);
  port->SetOBuffSize(32);
  EXPECT_EQ(port->GetOutBuffFree(), 32u);
  port->SetComNumber(5);
  EXPECT_EQ(events, (std::vector<std::string>{"open", "close", "open", "close", "open", "close"}));
  EXPECT_FALSE(port->GetOpen());
  EXPECT_EQ(port->GetComNumber(), 5);
  port->SetOpen(false);
  EXPECT_EQ(events.size(), 6u);
}

TEST_F(Settings, FailedOpenShowsTheErrorAndALaterOpenTriesAgain) {
  bool opened = false;
  port->OnOpen = [&](TCommPort*, int) { opened = true; };
  device.Fail(FakeSerialDevice::cOpen, true);
  port->SetOpen(true);
  EXPECT_FALSE(port->GetOpen());
  EXPECT_FALSE(opened);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0].kind, MessageSink::Kind::Error);
  EXPECT_EQ(sink.shown[0].caption, "COM port error");
  EXPECT_EQ(sink.shown[0].text, "Can't open COM port");
  EXPECT_EQ(port->PutBlock("a", 1), 0u);
  device.Fail(FakeSerialDevice::cOpen, false);
  port->SetOpen(true);
  EXPECT_TRUE(port->GetOpen());
  EXPECT_TRUE(opened);
  EXPECT_EQ(sink.shown.size(), 1u);
}

TEST_F(Settings, ControlLinesWhileClosedAndOpen) {
  port->SetDTR(true);
  port->SetRTS(true);
  EXPECT_TRUE(port->GetDTR());
  EXPECT_TRUE(device.Log().empty());
  port->SetOpen(true);
  auto log = device.Log();
  EXPECT_EQ(log[log.size() - 2], "Escape 5");
  EXPECT_EQ(log.back(), "Escape 3");
  device.Fail(FakeSerialDevice::cEscape, true);
  port->SetDTR(false);
  port->SetRTS(false);
  EXPECT_TRUE(port->GetDTR());  // the escape failed: the old state stays
  EXPECT_TRUE(port->GetRTS());
  EXPECT_FALSE(port->SetBreak(true));
  port->PowerOff();  // results not looked at
  EXPECT_FALSE(port->GetDTR());
  EXPECT_FALSE(port->GetRTS());
  device.Fail(FakeSerialDevice::cEscape, false);
  EXPECT_TRUE(port->SetBreak(true));
  EXPECT_TRUE(port->SetBreak(false));
  device.ClearLog();
  port->PowerOn();
  EXPECT_EQ(device.Log(), (std::vector<std::string>{"Escape 5", "Escape 3"}));
  EXPECT_TRUE(port->GetDTR() && port->GetRTS());
}

TEST_F(Settings, GetModemStateReadsTheDeviceNow) {
  port->SetOpen(true);
  device.SetModemStatus(MS_CTS_ON | MS_RLSD_ON);
  const struct { int line; bool on; } cases[] = {{1, true}, {2, false}, {3, false}, {4, true}, {5, false}, {0, false}};
  for (const auto& c : cases) EXPECT_EQ(port->GetModemState(c.line), c.on) << c.line;
  device.Fail(FakeSerialDevice::cModemStatus, true);
  EXPECT_FALSE(port->GetModemState(1));
}

TEST_F(Settings, FlushInBufferDropsUnreadBytesOnly) {
  OpenWith(16, 16);
  device.Feed("old bytes");
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetInBuffUsed() == 9; }));
  port->FlushInBuffer();
  EXPECT_EQ(port->GetInBuffUsed(), 0u);
  EXPECT_EQ(port->GetInBuffFree(), 16u);
  device.Feed("new bytes!");
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetInBuffUsed() == 10; }));
  char buf[16];
  EXPECT_EQ(std::string(buf, port->GetBlock(buf, 16)), "new bytes!");
}

TEST_F(Settings, FlushOutBufferDuringAHeldWriteKeepsTheCountsTrue) {
  OpenWith(16, 16);
  device.HoldWrites(true);
  ASSERT_EQ(port->PutBlock("0123456789", 10), 10u);
  ASSERT_TRUE(device.WaitForHeldWrite(5s));
  port->FlushOutBuffer();  // aborts the write in flight
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetOutBuffUsed() == 0; }));
  device.HoldWrites(false);
  ASSERT_EQ(port->PutBlock("abc", 3), 3u);
  ASSERT_TRUE(device.WaitForOutput(3, 5s));
  EXPECT_EQ(device.Output(), "abc");
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetOutBuffUsed() == 0; }));
  EXPECT_EQ(port->GetOutBuffFree(), 16u);
}
