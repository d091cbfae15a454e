// The gathering of replies on a fake device, where the chunks are exactly
// what the test feeds: extra bytes, a chunk as large as the receive buffer,
// and addresses beyond the image.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/FakeSerialDevice.h"
#include "tests/link/LinkHarness.h"

using linktest::LinkHarness;
using linktest::PumpUntil;

namespace {

std::string Reply(unsigned address, std::uint8_t fill, std::uint8_t command = tesra::CmdRead) {
  std::string r = {0x00, 0x01, 0x26, static_cast<char>(command), static_cast<char>(address >> 8),
                   static_cast<char>(address & 0xFF)};
  for (int i = 0; i < 32; ++i) r += static_cast<char>(fill + i);
  r += static_cast<char>(tesra::Crc8(reinterpret_cast<const std::uint8_t*>(r.data()), r.size()));
  return r;
}

std::string Query(unsigned address) {
  tesra::ReadQueryBuffer q;
  q.Fill(address);
  return std::string(reinterpret_cast<const char*>(q.data()), q.size());
}

struct FakeLink {
  LinkHarness h;
  tesra::FakeSerialDevice device;
  Link link{h.main->Context(), h.main->EditorPart(), &device};
  FakeLink() {
    link.AttachWindows(nullptr, h.formPort);
    link.CommPort.SetOpen(true);
  }
  ~FakeLink() { link.CommPort.SetOpen(false); }
  // Feeds bytes and waits until the link has sent `wantOut` bytes in all.
  bool FeedAndWait(const std::string& bytes, std::size_t wantOut) {
    device.Feed(bytes);
    return PumpUntil([&] { return device.Output().size() >= wantOut && link.CommPort.GetInBuffUsed() == 0; });
  }
};

}  // namespace

TEST(Exchange, OnlyTheFirst39BytesOfAChunkCount) {
  FakeLink f;
  auto& img = f.h.main->Context().Image;
  const tesra::ConfigImage before = img;
  f.link.TBReadClick();
  ASSERT_TRUE(PumpUntil([&] { return f.device.Output().size() == 7; }));
  ASSERT_EQ(f.device.Output(), Query(0));
  struct Step { std::string chunk; unsigned stored; unsigned next; };
  const Step steps[] = {
      {Reply(0x0000, 0x10) + std::string(6, '\x77'), 0x0000, 0x0020},
      // As much as the receive buffer takes at once; bytes 40..512 are dropped.
      {Reply(0x0020, 0x40) + std::string(512 - 39, '\xEE'), 0x0020, 0x0040},
  };
  std::string sent = Query(0);
  const auto& staged = f.link.Transfer.Staged();
  for (const auto& s : steps) {
    sent += Query(s.next);
    ASSERT_TRUE(f.FeedAndWait(s.chunk, sent.size())) << s.stored;
    EXPECT_EQ(f.device.Output(), sent);
    EXPECT_EQ(f.link.Transfer.RxCount, 0u);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(staged[s.stored + i], static_cast<std::uint8_t>(s.chunk[6 + i])) << i;
  }
  EXPECT_EQ(staged[0x40], 0);
  EXPECT_EQ(img.bytes, before.bytes) << "the project waits for the whole read";
  EXPECT_EQ(f.link.LinkState, Link::Reading);
  EXPECT_TRUE(f.h.prompter.shown.empty());
}

TEST(Exchange, ReplyAddressBeyondTheImageIsRefusedThreeTimes) {
  struct Case { std::uint8_t state; unsigned address; const char* text; };
  const Case cases[] = {
      {Link::Reading, 0x01E1, "Ошибка чтения блока 0000: неверный адрес ответа 01E1 !"},
      {Link::Reading, 0xFFFF, "Ошибка чтения блока 0000: неверный адрес ответа FFFF !"},
      // A write reads the controller's configuration for its backup first;
      // when that read fails nothing is written.
      {Link::Writing, 0x0200, "Ошибка чтения блока 0000: неверный адрес ответа 0200 !"},
  };
  for (const auto& k : cases) {
    FakeLink f;
    auto& img = f.h.main->Context().Image;
    img[0x1FF] = 0x5A;
    const tesra::ConfigImage before = img;
    f.h.prompter.answers = {BoxAnswer::Ok};
    k.state == Link::Reading ? f.link.TBReadClick() : f.link.TBWriteClick();
    const std::size_t request = 7;
    f.h.prompter.Clear();
    for (std::size_t send = 1; send <= 3; ++send) {
      ASSERT_TRUE(PumpUntil([&] { return f.device.Output().size() == send * request; })) << k.text << send;
      f.device.Feed(Reply(k.address, 0x90));
    }
    ASSERT_TRUE(PumpUntil([&] { return f.link.LinkState == Link::Idle; })) << k.text;
    ASSERT_EQ(f.h.prompter.Texts(), std::vector<QString>{QString::fromUtf8(k.text)});
    EXPECT_EQ(f.h.prompter.shown[0].kind, BoxKind::Error);
    EXPECT_TRUE(f.h.c().PanelScan->isHidden());
    linktest::PumpFor(300);
    EXPECT_EQ(f.device.Output().size(), 3 * request) << "nothing more is sent";
    EXPECT_EQ(img.bytes, before.bytes);
    EXPECT_TRUE(f.link.CommPort.GetOpen()) << "the port stays connected";
  }
}

TEST(Exchange, BytesWhileIdleWaitAndAreDroppedWhenTheNextExchangeStarts) {
  FakeLink f;
  f.h.formPort->show();
  f.device.Feed(std::string(5, '\x01'));
  ASSERT_TRUE(PumpUntil([&] { return f.link.CommPort.GetInBuffUsed() == 5; }));
  linktest::PumpFor(50);
  EXPECT_EQ(f.link.CommPort.GetInBuffUsed(), 5u);
  f.link.TBReadClick();
  EXPECT_EQ(f.link.CommPort.GetInBuffUsed(), 0u);
  EXPECT_TRUE(f.device.Output().empty()) << "the first request waits for a quiet line";
  ASSERT_TRUE(PumpUntil([&] { return f.device.Output().size() == 7; }));
  const QStringList memo = f.h.MemoLines();
  ASSERT_GE(memo.size(), 3);
  EXPECT_EQ(memo[0], QStringLiteral("COM1 Read  : 0x01 0x01 0x01 0x01 0x01"));
  EXPECT_EQ(memo[1], QStringLiteral("drop 0005"));
  EXPECT_EQ(memo[2], QStringLiteral("COM1 Write : 0x00 0x01 0x06 0x33 0x00 0x00 0xFE"));
  // A reply for the first query starts the read cleanly.
  ASSERT_TRUE(f.FeedAndWait(Reply(0x0000, 0x01), 14));
  EXPECT_EQ(f.link.Transfer.Staged()[0], 0x01);
}
