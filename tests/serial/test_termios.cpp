#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <cstdint>
#include <utility>
#include <vector>

#include "serial/PosixSerialDevice.h"
#include "serial/PosixTermios.h"
#include "tests/serial/PtyPair.h"
#include "tests/serial/SerialTestSupport.h"

using namespace tesra;

namespace {

// What an earlier program may leave on a device: parity checks, line-end and
// case mapping, echo, canonical input, output processing, flow control.
termios Dirty() {
  termios t{};
  t.c_iflag = INPCK | IGNPAR | PARMRK | ISTRIP | ICRNL | INLCR | IUCLC | IXON | IXOFF | IXANY | BRKINT | IMAXBEL;
  t.c_oflag = OPOST | ONLCR | OLCUC;
  t.c_lflag = ECHO | ICANON | ISIG | IEXTEN | ECHOE;
  t.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL | B1200;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 5;
  t.c_cc[VINTR] = 3;
  return t;
}

termios Clean() {
  termios t{};
  ::cfmakeraw(&t);
  t.c_cflag |= HUPCL;
  return t;
}

constexpr tcflag_t kOwnedControl = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CLOCAL | CREAD | HUPCL;

}  // namespace

TEST(TerminalSettings, FollowTheControlBlockWhateverTheDeviceHeld) {
  const struct {
    const char* what;
    std::uint32_t flags, baud;
    std::uint8_t bits, parity, stop, xon, xoff;
    tcflag_t iflag, cflag;
    speed_t speed;
  } cases[] = {
      {"ccNone 8N1", 0x0001, 9600, 8, 0, 0, 0x11, 0x13, 0, CS8, B9600},
      {"ccSoft", 0x1311, 9600, 8, 0, 0, 0x11, 0x13, IXON | IXOFF, CS8, B9600},
      {"ccHard", 0x202D, 115200, 8, 0, 0, 0x11, 0x13, 0, CS8 | CRTSCTS, B115200},
      {"odd, 7 bits, 2 stop", 0x0001, 1200, 7, 1, 2, 0x11, 0x13, 0, CS7 | PARENB | PARODD | CSTOPB, B1200},
      {"even", 0x0001, 2400, 8, 2, 0, 0x11, 0x13, 0, CS8 | PARENB, B2400},
      {"mark", 0x0001, 4800, 8, 3, 0, 0x11, 0x13, 0, CS8 | PARENB | CMSPAR | PARODD, B4800},
      {"space, 6 bits", 0x0001, 19200, 6, 4, 0, 0x11, 0x13, 0, CS6 | PARENB | CMSPAR, B19200},
      {"5 bits, 1.5 stop", 0x0001, 110, 5, 0, 1, 0x11, 0x13, 0, CS5 | CSTOPB, B110},
      {"a rate set apart", 0x0001, 128000, 8, 0, 0, 0x11, 0x13, 0, CS8, B38400},
      {"own XON/XOFF bytes", 0x1311, 57600, 8, 0, 0, 0x21, 0x22, IXON | IXOFF, CS8, B57600},
  };
  for (const termios& base : {Clean(), Dirty()}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.what);
      DeviceControlBlock d;
      d.Flags = c.flags;
      d.BaudRate = c.baud;
      d.ByteSize = c.bits;
      d.Parity = c.parity;
      d.StopBits = c.stop;
      d.XonChar = c.xon;
      d.XoffChar = c.xoff;
      const termios t = TerminalSettingsOf(base, d);
      // Parity is never checked on receive, and no byte is mapped, dropped or echoed.
      EXPECT_EQ(t.c_iflag, c.iflag);
      EXPECT_EQ(t.c_oflag, 0u);
      EXPECT_EQ(t.c_lflag, 0u);
      EXPECT_EQ(t.c_cflag & kOwnedControl, c.cflag | CLOCAL | CREAD | HUPCL);
      EXPECT_EQ(cfgetospeed(&t), c.speed);
      EXPECT_EQ(cfgetispeed(&t), c.speed);
      EXPECT_EQ(t.c_cc[VMIN], 0);
      EXPECT_EQ(t.c_cc[VTIME], 0);
      EXPECT_EQ(t.c_cc[VSTART], c.xon);
      EXPECT_EQ(t.c_cc[VSTOP], c.xoff);
    }
  }
}

TEST(TerminalSettings, RatesRoundTrip) {
  for (std::uint32_t rate : {110u, 300u, 600u, 1200u, 2400u, 4800u, 9600u, 19200u, 38400u, 57600u, 115200u})
    EXPECT_EQ(RateOfSpeed(PosixSpeed(rate)), rate);
  for (std::uint32_t rate : {14400u, 56000u, 128000u, 256000u}) EXPECT_EQ(PosixSpeed(rate), 0u) << rate;
}

// The pty master reads and sets the terminal settings of its slave.
TEST(TerminalSettings, WhatAnEarlierProgramLeftOnTheDeviceDoesNotSurviveTheOpen) {
  PtyPair pty;
  termios before{};
  ASSERT_EQ(::tcgetattr(pty.master(), &before), 0);
  before.c_iflag |= INPCK | IGNPAR | IXANY | IMAXBEL;
  ASSERT_EQ(::tcsetattr(pty.master(), TCSANOW, &before), 0);

  GuiQueue queue;
  queue.SetGuiThread();
  RecordingSink sink;
  PosixSerialDevice device;
  TCommPort port(&device, &sink, &queue);
  port.SetComNumber(pty.number());
  port.SetComControl(ccSoft);
  port.SetOpen(true);
  ASSERT_TRUE(port.GetOpen());
  termios after{};
  ASSERT_EQ(::tcgetattr(pty.master(), &after), 0);
  EXPECT_EQ(after.c_iflag, static_cast<tcflag_t>(IXON | IXOFF));
  // A settings write while open keeps it so.
  port.SetBaud(19200);
  ASSERT_EQ(::tcgetattr(pty.master(), &after), 0);
  EXPECT_EQ(after.c_iflag, static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B19200));
  port.SetOpen(false);
}

namespace {

// The system's calls on a pty with a driver's habits in between: it may drop
// mark and space parity, RTS/CTS or a rate without failing; and every
// modem-line call is recorded.
struct DriverCalls : PosixTtyCalls {
  bool dropMarkSpace = false, dropRtsCts = false, ignoreRates = false;
  std::vector<std::pair<unsigned long, int>> lines;
  bool SetAttr(int fd, const termios& t) override {
    termios taken = t;
    if (dropMarkSpace) taken.c_cflag &= ~CMSPAR;
    if (dropRtsCts) taken.c_cflag &= ~CRTSCTS;
    return PosixTtyCalls::SetAttr(fd, taken);
  }
  bool SetRate(int fd, std::uint32_t rate) override { return ignoreRates || PosixTtyCalls::SetRate(fd, rate); }
  bool ModemLines(int fd, unsigned long request, int which) override {
    lines.emplace_back(request, which);
    return PosixTtyCalls::ModemLines(fd, request, which);
  }
};

}  // namespace

// A setting the device did not take is a failed settings write, and the
// block the device keeps is what it has.
TEST(TerminalSettings, ASettingTheDeviceDidNotTakeIsReportedAndNotKept) {
  DeviceControlBlock asked;
  asked.BaudRate = 128000;
  asked.Parity = 3;         // mark
  asked.Flags = 0x202D;     // RTS/CTS
  const struct {
    const char* what;
    bool markSpace, rtsCts, rates;
    std::uint32_t baud;
    std::uint8_t parity;
    std::uint32_t flags;
  } cases[] = {
      {"all taken", false, false, false, 128000, 3, 0x202D},
      {"mark parity dropped: odd is left", true, false, false, 128000, 1, 0x202D},
      {"RTS/CTS dropped: RTS stays on", false, true, false, 128000, 3, 0x1029},
      {"a rate ignored: 38400 is left", false, false, true, 38400, 3, 0x202D},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PtyPair pty;
    DriverCalls calls;
    calls.dropMarkSpace = c.markSpace;
    calls.dropRtsCts = c.rtsCts;
    calls.ignoreRates = c.rates;
    PosixSerialDevice device(&calls);
    ASSERT_TRUE(device.Open(pty.number()));
    errno = 0;
    const bool taken = device.SetCommState(asked);
    EXPECT_EQ(taken, c.baud == 128000 && c.parity == 3 && c.flags == 0x202D);
    if (!taken) {
      EXPECT_EQ(errno, EINVAL);
    }
    DeviceControlBlock has;
    ASSERT_TRUE(device.GetCommState(has));
    EXPECT_EQ(has.BaudRate, c.baud);
    EXPECT_EQ(has.Parity, c.parity);
    EXPECT_EQ(has.Flags, c.flags);
    device.CloseHandle();
  }
}

// DTR and RTS follow SetDTR and SetRTS only: no settings write raises them.
TEST(TerminalSettings, SettingsWritesLeaveTheModemLinesAlone) {
  PtyPair pty;
  DriverCalls calls;
  PosixSerialDevice device(&calls);
  GuiQueue queue;
  queue.SetGuiThread();
  RecordingSink sink;
  TCommPort port(&device, &sink, &queue);
  port.SetComNumber(pty.number());
  port.SetComControl(ccSoft);  // DTR and RTS "enable" in the control block
  port.SetOpen(true);
  ASSERT_TRUE(port.GetOpen());
  using Call = std::pair<unsigned long, int>;
  // The open puts the recorded states (both off) on the lines, and nothing else does.
  EXPECT_EQ(calls.lines, (std::vector<Call>{{TIOCMBIC, TIOCM_DTR}, {TIOCMBIC, TIOCM_RTS}}));
  calls.lines.clear();
  port.SetBaud(19200);
  port.SetComControl(ccHard);
  port.SetComControl(ccSoft);
  port.SetParity(paEven);
  port.SetDataBits(7);
  EXPECT_TRUE(calls.lines.empty());
  port.SetDTR(true);
  EXPECT_EQ(calls.lines, (std::vector<Call>{{TIOCMBIS, TIOCM_DTR}}));
  port.SetOpen(false);
}
