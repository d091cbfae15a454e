// Connecting through the real window: the probe of one port, the scan over
// the port numbers, the judging of the reply, and disconnecting.
#include <gtest/gtest.h>

#include "tests/link/LinkHarness.h"

using linktest::LinkHarness;
using linktest::PumpFor;
using linktest::PumpUntil;

namespace {
const QString kProbeSent = QStringLiteral(" Write : 0x00 0x01 0x04 0x55 0x74");

void ExpectDisconnectedLook(LinkHarness& h) {
  EXPECT_FALSE(h.c().TBFind->isChecked());
  EXPECT_EQ(h.Status(), QStringLiteral("Нет подключения"));
  EXPECT_FALSE(h.c().TBRead->isEnabled());
  EXPECT_FALSE(h.c().TBWrite->isEnabled());
  EXPECT_TRUE(h.c().PanelScan->isHidden());
  EXPECT_FALSE(h.c().Timer->isActive());
  EXPECT_FALSE(h.link().CommPort.GetOpen());
}
}  // namespace

TEST(Connection, AutomaticScanFindsTheControllerOnPort3) {
  LinkHarness h;
  h.StartEmulator(3);
  h.formPort->show();
  QStringList captions;
  QObject::connect(h.c().Timer, &QTimer::timeout, [&] { captions << h.c().PanelScanCaption(); });
  h.ScriptDialog(nullptr);
  h.c().TBFind->click();
  EXPECT_FALSE(h.c().PanelScan->isHidden());
  EXPECT_EQ(h.c().PanelScanCaption(), QStringLiteral("Сканирование порта COM1"));
  ASSERT_TRUE(PumpUntil([&] { return !h.prompter.shown.empty(); }));

  const QString connected = QStringLiteral("Подключено на COM 3");
  ASSERT_EQ(h.prompter.Texts(), std::vector<QString>{connected});
  EXPECT_EQ(h.prompter.shown[0].kind, BoxKind::Information);
  EXPECT_EQ(h.Status(), connected);
  EXPECT_EQ(captions, (QStringList{"Сканирование порта COM2", "Сканирование порта COM3"}));
  EXPECT_TRUE(h.c().TBFind->isChecked());
  EXPECT_TRUE(h.c().TBRead->isEnabled());
  EXPECT_TRUE(h.c().TBWrite->isEnabled());
  EXPECT_TRUE(h.c().PanelScan->isHidden());
  EXPECT_FALSE(h.c().Timer->isActive());
  EXPECT_EQ(h.link().LinkState, Link::Idle);
  EXPECT_TRUE(h.link().CommPort.GetOpen());
  // Ports 1 and 2 have no device: only port 3 was probed.
  const QStringList lines = h.MemoLines();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], QStringLiteral("COM3") + kProbeSent);
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("COM3 Read  : 0x00 0x01 0x04 0xAA"))) << lines[1].toStdString();

  // Released: disconnected, and the program's own timer period is untouched by a new link.
  h.c().TBFind->click();
  ExpectDisconnectedLook(h);
  EXPECT_EQ(h.c().TBFind->text(), QStringLiteral("Подключить"));
}

TEST(Connection, ProgramTimerKeepsOneSecond) {
  linktest::WireGuiQueue();
  ScriptedPrompter prompter;
  TMain main(prompter);
  EXPECT_EQ(main.Controls().Timer->interval(), 1000);
  EXPECT_FALSE(main.Controls().Timer->isActive());
  EXPECT_EQ(main.LinkPart().PortNumber, 1);
  EXPECT_EQ(main.LinkPart().LinkState, Link::Idle);
  EXPECT_EQ(main.LinkPart().CommPort.GetComNumber(), 1);
  EXPECT_EQ(main.LinkPart().CommPort.GetEventMask(), 0u);
  EXPECT_EQ(main.LinkPart().CommPort.MonitorEvents,
            tesra::EventSet({tesra::evRxChar, tesra::evTxEmpty, tesra::evCTS, tesra::evDSR, tesra::evRlsd,
                             tesra::evBreak, tesra::evRing}));
}

TEST(Connection, ManualMissingPortFailsAtOnceWithNothingSent) {
  LinkHarness h;
  h.StartEmulator(3);
  h.formPort->show();
  h.ScriptDialog([](TSetComPort& s) { LinkHarness::Manual(s, 7); });
  h.c().TBFind->click();
  // No event loop has run: the message came from the click itself.
  ASSERT_EQ(h.prompter.Texts(), std::vector<QString>{QStringLiteral("Ошибка открытия COM 7 !")});
  EXPECT_EQ(h.prompter.shown[0].kind, BoxKind::Plain);
  EXPECT_FALSE(h.c().TBFind->isChecked());
  EXPECT_TRUE(h.c().PanelScan->isHidden());
  EXPECT_FALSE(h.c().Timer->isActive());
  EXPECT_FALSE(h.link().CommPort.GetOpen());
  EXPECT_EQ(h.link().LinkState, Link::Probing);
  EXPECT_TRUE(h.MemoLines().isEmpty());
}

TEST(Connection, NegativeOrShortProbeReplyKeepsThePortOpen) {
  for (const char* fault : {"--probe-nak", "--probe-short"}) {
    LinkHarness h;
    h.StartEmulator(2, {fault});
    h.ScriptDialog([](TSetComPort& s) { LinkHarness::Manual(s, 2); });
    h.c().TBFind->click();
    ASSERT_TRUE(PumpUntil([&] { return !h.prompter.shown.empty(); })) << fault;
    EXPECT_EQ(h.prompter.Texts(), std::vector<QString>{QStringLiteral("Ошибка подключения !")}) << fault;
    EXPECT_EQ(h.prompter.shown[0].kind, BoxKind::Error) << fault;
    EXPECT_TRUE(h.link().CommPort.GetOpen()) << fault;
    EXPECT_TRUE(h.c().TBFind->isChecked()) << fault;
    EXPECT_FALSE(h.c().TBRead->isEnabled()) << fault;
    EXPECT_FALSE(h.c().TBWrite->isEnabled()) << fault;
    EXPECT_EQ(h.Status(), QStringLiteral("Нет подключения")) << fault;
    EXPECT_EQ(h.link().LinkState, Link::Idle) << fault;
    // The scan does not go on after a reply.
    PumpFor(3 * LinkHarness::kShortInterval);
    EXPECT_EQ(h.link().PortNumber, 2) << fault;
    EXPECT_EQ(h.prompter.shown.size(), 1u) << fault;
  }
}

// A slow line splits the probe's reply: its chunks are gathered until the line
// is quiet and judged whole, each logged as it came.
TEST(Connection, AProbeReplyInChunksIsJudgedWhole) {
  struct Case { const char* chunks; QStringList logged; };
  const Case cases[] = {
      {"1", {"0x00", "0x01", "0x04", "0xAA", "0x"}},
      {"3,2", {"0x00 0x01 0x04", "0xAA 0x"}},
      {"4,1", {"0x00 0x01 0x04 0xAA"}},  // judged at once; the last byte waits for the next exchange
  };
  for (const auto& k : cases) {
    LinkHarness h;
    h.StartEmulator(1, {"--chunks", k.chunks});
    h.formPort->show();
    ASSERT_TRUE(h.Connect(1)) << k.chunks;
    EXPECT_TRUE(h.c().TBRead->isEnabled()) << k.chunks;
    PumpFor(300);  // nothing of the reply is left to come
    const QStringList lines = h.MemoLines();
    ASSERT_EQ(lines.size(), k.logged.size() + 1) << k.chunks;
    for (int i = 0; i < k.logged.size(); ++i)
      EXPECT_TRUE(lines[i + 1].startsWith(QStringLiteral("COM1 Read  : ") + k.logged[i])) << k.chunks << " " << i;
  }
}

TEST(Connection, ReleasingMidScanStopsIt) {
  LinkHarness h;  // no device at all: every number is passed over
  h.ScriptDialog(nullptr);
  h.c().TBFind->click();
  ASSERT_TRUE(PumpUntil([&] { return h.link().PortNumber >= 4; }));
  h.c().TBFind->click();
  ExpectDisconnectedLook(h);
  const int stoppedAt = h.link().PortNumber;
  PumpFor(3 * LinkHarness::kShortInterval);
  EXPECT_EQ(h.link().PortNumber, stoppedAt);
  EXPECT_TRUE(h.prompter.shown.empty());
}

TEST(Connection, SilentManualPortStallsUntilReleased) {
  LinkHarness h;
  h.StartEmulator(2, {"--silent"});
  h.ScriptDialog([](TSetComPort& s) { LinkHarness::Manual(s, 2); });
  h.c().TBFind->click();
  ASSERT_TRUE(PumpUntil([&] { return !h.c().Timer->isActive(); }));
  PumpFor(2 * LinkHarness::kShortInterval);
  EXPECT_EQ(h.link().LinkState, Link::Probing);
  EXPECT_FALSE(h.c().PanelScan->isHidden());
  EXPECT_EQ(h.c().PanelScanCaption(), QStringLiteral("Сканирование порта COM2"));
  EXPECT_TRUE(h.c().TBFind->isChecked());
  EXPECT_EQ(h.link().PortNumber, 2);
  EXPECT_TRUE(h.prompter.shown.empty());
  h.c().TBFind->click();
  ExpectDisconnectedLook(h);
}

TEST(Connection, LateReplyToAStalledProbeIsStillJudged) {
  LinkHarness h;
  h.StartEmulator(1, {"--delay", "400"});
  h.ScriptDialog([](TSetComPort& s) { LinkHarness::Manual(s, 1); });
  h.c().TBFind->click();
  ASSERT_TRUE(PumpUntil([&] { return !h.prompter.shown.empty(); }));
  EXPECT_EQ(h.prompter.Texts(), std::vector<QString>{QStringLiteral("Подключено на COM 1")});
  EXPECT_TRUE(h.c().TBRead->isEnabled());
}

TEST(Connection, CancelledCloseShowsTheConnectionGone) {
  LinkHarness h;
  h.StartEmulator(1);
  ASSERT_TRUE(h.Connect(1));
  h.main->Context().ImageChanged();
  h.prompter.answers = {BoxAnswer::Cancel};
  h.c().ToolButton1->click();
  EXPECT_TRUE(h.main->isVisible());
  EXPECT_EQ(h.prompter.Texts(), std::vector<QString>{QStringLiteral("Хотите сохранить текущий проект конфигурации ?")});
  ExpectDisconnectedLook(h);
  EXPECT_EQ(h.link().LinkState, Link::Idle);
  // And it connects again from there.
  ASSERT_TRUE(h.Connect(1));
}

TEST(Connection, ScanWithNoControllerStallsAfterPort255) {
  LinkHarness h(5);
  h.ScriptDialog(nullptr);
  h.c().TBFind->click();
  ASSERT_TRUE(PumpUntil([&] { return !h.c().Timer->isActive(); }, 60000));
  EXPECT_EQ(h.c().PanelScanCaption(), QStringLiteral("Сканирование порта COM255"));
  EXPECT_FALSE(h.c().PanelScan->isHidden());
  EXPECT_TRUE(h.c().TBFind->isChecked());
  EXPECT_EQ(h.link().LinkState, Link::Probing);
  EXPECT_EQ(h.link().PortNumber, 255);
  EXPECT_TRUE(h.prompter.shown.empty());
}

TEST(Connection, LateReplyAfterAFullScanNamesTheLastPortTried) {
  LinkHarness h(5);
  h.StartEmulator(255, {"--delay", "300"});
  h.ScriptDialog(nullptr);
  h.c().TBFind->click();
  ASSERT_TRUE(PumpUntil([&] { return !h.prompter.shown.empty(); }, 60000));
  EXPECT_EQ(h.prompter.Texts(), std::vector<QString>{QStringLiteral("Подключено на COM 255")});
  EXPECT_EQ(h.Status(), QStringLiteral("Подключено на COM 255"));
  EXPECT_EQ(h.link().PortNumber, 255);
}
