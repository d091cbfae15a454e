// Faults a careful installer would provoke: the controller vanishing in the
// middle of an exchange, garbage on the line, a write held back by flow
// control, the window closed mid-exchange, and a full input ring while the
// program is busy. Whatever happens, the program stays usable, ends what it
// is asked to end, and keeps no byte it did not receive.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <thread>

#include <QTimer>

#include "tests/support/FakeSerialDevice.h"
#include "tests/link/LinkHarness.h"

using linktest::LinkHarness;
using linktest::PumpFor;
using linktest::PumpUntil;

namespace {

std::string MemoryFile(const QString& dir, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::string bytes(tesra::kImageSize, '\0');
  for (auto& b : bytes) b = static_cast<char>(rng());
  const std::string path = dir.toStdString() + "/memory.usr";
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

bool EventLoopRuns() {
  bool fired = false;
  QTimer::singleShot(10, [&] { fired = true; });
  return PumpUntil([&] { return fired; }, 5000);
}

void ExpectDisconnected(LinkHarness& h) {
  EXPECT_FALSE(h.link().CommPort.GetOpen());
  EXPECT_EQ(h.Status(), QStringLiteral("Нет подключения"));
  EXPECT_FALSE(h.c().TBRead->isEnabled());
  EXPECT_TRUE(h.c().PanelScan->isHidden());
}

}  // namespace

TEST(Faults, ControllerVanishingMidExchangeStopsAndChangesNothing) {
  struct Case { bool read; const char* after; const char* text; int progress; const char* panel1; };
  const Case cases[] = {
      {true, "5", "Ошибка чтения блока 00A0: нет ответа !", 5 * 32, ""},
      // After the 16 replies of the backup read and three echoes.
      // The controller holds some new blocks: the box says so and where the backup is.
      {false, "19", "Запись прервана после блока 0060: конфигурация контроллера неполная !\nРезервная копия: ", 3 * 32,
       "Запись не подтверждена"},
      // During the read-back: written, but not confirmed.
      {false, "35", "Ошибка чтения блока 0060: нет ответа !", 3 * 32, "Запись не подтверждена"},
  };
  for (const auto& k : cases) {
    LinkHarness h;
    const std::string memory = MemoryFile(h.dir.path(), 11);
    h.StartEmulator(1, {"--memory", memory, "--vanish-after", k.after});
    ASSERT_TRUE(h.Connect(1)) << k.text;
    h.main->Context().Image.bytes.fill(0xEE);
    h.main->Context().SavedFlag = 1;
    h.prompter.answers = {BoxAnswer::Ok};
    (k.read ? h.c().TBRead : h.c().TBWrite)->click();
    ASSERT_TRUE(PumpUntil([&] { return h.c().ProgressBar->value() == k.progress; }, 10000)) << k.text;
    // The controller is gone: three sends of the next block, then the exchange stops.
    ASSERT_TRUE(PumpUntil([&] { return h.link().LinkState == Link::Idle; }, 10000)) << k.text;
    ASSERT_FALSE(h.prompter.shown.empty()) << k.text;
    EXPECT_TRUE(h.prompter.shown.back().text.startsWith(QString::fromUtf8(k.text))) << k.text;
    EXPECT_EQ(h.c().ProgressBar->value(), k.progress) << k.text;
    EXPECT_EQ(h.c().StatusPanelText(1), QString::fromUtf8(k.panel1)) << k.text;
    EXPECT_TRUE(h.c().PanelScan->isHidden()) << k.text;
    const auto& img = h.main->Context().Image;
    for (std::size_t i = 0; i < tesra::kImageSize; ++i) ASSERT_EQ(img[i], 0xEE) << k.text << " " << i;
    EXPECT_EQ(h.main->Context().SavedFlag, 1) << k.text;
    EXPECT_TRUE(EventLoopRuns()) << k.text;
    if (k.read) {
      h.c().TBFind->click();
      ExpectDisconnected(h);
    } else {
      h.main->close();
      EXPECT_FALSE(h.main->isVisible());
      EXPECT_FALSE(h.link().CommPort.GetOpen());
    }
  }
}

TEST(Faults, GarbageBurstsLeaveAReadThatShowsTheControllersMemory) {
  struct Case { const char* name; std::vector<std::string> options; bool burstInRead; };
  const Case cases[] = {
      {"while idle", {"--garbage-burst", "100000@probe+300"}, false},
      {"while probing", {"--garbage-burst", "100000@open"}, false},
      {"while reading", {"--garbage-burst", "100000@mid:2"}, true},
  };
  for (const auto& c : cases) {
    LinkHarness h;
    const std::string memory = MemoryFile(h.dir.path(), 5);
    std::ifstream in(memory, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::string> options = {"--memory", memory};
    options.insert(options.end(), c.options.begin(), c.options.end());
    h.StartEmulator(1, options);
    h.ScriptDialog([](TSetComPort& s) { LinkHarness::Manual(s, 1); });
    h.c().TBFind->click();
    ASSERT_TRUE(PumpUntil([&] { return !h.prompter.shown.empty(); }, 5000)) << c.name;
    // Garbage ahead of the probe reply spoils the connection, and says so.
    if (!h.c().TBRead->isEnabled()) {
      EXPECT_EQ(h.prompter.Texts(), std::vector<QString>{QStringLiteral("Ошибка подключения !")}) << c.name;
      EXPECT_TRUE(EventLoopRuns()) << c.name;
      h.c().TBFind->click();
      ExpectDisconnected(h);
      continue;
    }
    if (!c.burstInRead) PumpFor(1000);  // the burst waits in the input
    h.prompter.Clear();
    h.main->Context().Image.bytes.fill(0xEE);
    h.main->Context().SavedFlag = 1;
    h.c().TBRead->click();
    ASSERT_TRUE(PumpUntil([&] { return h.link().LinkState == Link::Idle; }, 30000)) << c.name;
    EXPECT_TRUE(h.prompter.shown.empty()) << c.name << ": " << (h.prompter.shown.empty() ? "" : h.prompter.shown[0].text.toStdString());
    // The read completed with the controller's bytes (the controls' refresh
    // then tidies fields of a random memory, so the copy handed over is compared).
    EXPECT_EQ(h.main->windowTitle(), QStringLiteral("Конфигурация - ")) << c.name;
    const auto& got = h.link().Transfer.Staged();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), got.data(),
                           [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
        << c.name;
    EXPECT_TRUE(EventLoopRuns()) << c.name;
    h.c().TBFind->click();
    ExpectDisconnected(h);
  }
}

TEST(Faults, ClosingTheWindowMidExchangeCompletes) {
  struct Case { const char* name; int action; };  // 0 probe, 1 read, 2 write
  const Case cases[] = {{"probe", 0}, {"read", 1}, {"write", 2}};
  for (const auto& c : cases) {
    LinkHarness h;
    // Late replies keep the exchange going while the window closes.
    const std::string memory = MemoryFile(h.dir.path(), 3);
    h.StartEmulator(1, {"--memory", memory, "--delay", c.action == 0 ? "2000" : "300"});
    h.main->Context().Image.bytes.fill(0xEE);
    if (c.action == 0) {
      h.ScriptDialog([](TSetComPort& s) { LinkHarness::Manual(s, 1); });
      h.c().TBFind->click();
      PumpFor(200);
      ASSERT_EQ(h.link().LinkState, Link::Probing) << c.name;
    } else {
      ASSERT_TRUE(h.Connect(1));
      h.main->Context().SavedFlag = 1;
      h.prompter.answers = {BoxAnswer::Ok};
      (c.action == 1 ? h.c().TBRead : h.c().TBWrite)->click();
      PumpFor(500);
      ASSERT_NE(h.link().LinkState, Link::Idle) << c.name;
    }
    // A write is first asked about, and cut short.
    h.prompter.answers = {BoxAnswer::Ok, BoxAnswer::No};
    h.main->close();
    EXPECT_FALSE(h.main->isVisible()) << c.name;
    EXPECT_FALSE(h.link().CommPort.GetOpen()) << c.name;
    EXPECT_EQ(h.link().LinkState, Link::Idle) << c.name;
    // An abandoned read never reaches the project, not even after the close.
    PumpFor(1200);
    for (std::size_t i = 0; i < tesra::kImageSize; ++i) ASSERT_EQ(h.main->Context().Image[i], 0xEE) << c.name << i;
  }
}

TEST(Faults, WriteHeldBackByFlowControlStillCloses) {
  for (bool hardware : {false, true}) {
    LinkHarness h;
    tesra::FakeSerialDevice device;
    Link link{h.main->Context(), h.main->EditorPart(), &device};
    link.CommPort.SetComControl(hardware ? tesra::ccHard : tesra::ccSoft);
    link.CommPort.SetOpen(true);
    ASSERT_TRUE(link.CommPort.GetOpen());
    if (hardware) device.SetModemStatus(0x10);  // CTS on, so the writer starts
    device.HoldWrites(true);                    // XOFF received / CTS dropped mid-write
    h.prompter.answers = {BoxAnswer::Ok};
    link.TBWriteClick();
    ASSERT_TRUE(device.WaitForHeldWrite(std::chrono::seconds(5))) << hardware;
    link.CommPort.SetOpen(false);
    EXPECT_FALSE(link.CommPort.GetOpen()) << hardware;
  }
}

TEST(Faults, FullInputRingWhileBusyLosesAndRepeatsNothing) {
  linktest::WireGuiQueue();
  tesra::FakeSerialDevice device;
  tesra::TCommPort port(&device);
  std::string got;
  port.OnDataReceived = [&](tesra::TCommPort* p, std::uint32_t) {
    char buf[300];  // smaller than the ring: several takes per announcement
    unsigned long n;
    while ((n = p->GetBlock(buf, sizeof buf)) > 0) got.append(buf, n);
  };
  port.SetOpen(true);
  ASSERT_TRUE(port.GetOpen());
  std::string sent;
  for (int i = 0; i < 20000; ++i) sent += static_cast<char>((i * 7 + i / 251) & 0xFF);
  device.Feed(sent);
  // The program is busy: nothing is taken while the reader fills the ring.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(port.GetInBuffUsed(), port.GetInSize()) << "the ring is full and waits";
  ASSERT_TRUE(PumpUntil([&] { return got.size() >= sent.size(); }, 20000));
  PumpFor(200);
  EXPECT_EQ(got.size(), sent.size());
  EXPECT_TRUE(got == sent);
  port.SetOpen(false);
}
