#include <deque>
#include <random>

#include "tests/serial/SerialTestSupport.h"

using namespace tesra;
using namespace std::chrono_literals;

using Rings = FakePortFixture;

TEST_F(Rings, PutBlockAcceptsWhatFitsAndWakesTheWriterOnlyForBytes) {
  device.HoldWrites(true);
  OpenWith(2048, 4096);
  EXPECT_EQ(port->PutBlock("", 0), 0u);
  EXPECT_FALSE(TCommPortTestAccess::WriteRequested(*port));
  const std::string big(5000, 'x');
  EXPECT_EQ(port->PutBlock(big.data(), big.size()), 4096u);
  EXPECT_EQ(port->GetOutBuffFree(), 0u);
  ASSERT_TRUE(device.WaitForHeldWrite(5s));
  TCommPortTestAccess::ClearWriteRequest(*port);
  EXPECT_EQ(port->PutBlock("y", 1), 0u);
  EXPECT_FALSE(TCommPortTestAccess::WriteRequested(*port));
  EXPECT_EQ(port->PutString(""), 0u);
  device.HoldWrites(false);
  ASSERT_TRUE(device.WaitForOutput(4096, 5s));
  EXPECT_EQ(device.Output(), big.substr(0, 4096));
}

TEST_F(Rings, PutBlockWrapsRoundTheEndOfTheOutputRing) {
  OpenWith(16, 16);
  ASSERT_EQ(port->PutBlock("0123456789", 10), 10u);
  ASSERT_TRUE(device.WaitForOutput(10, 5s));
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetOutBuffUsed() == 0; }));
  ASSERT_EQ(port->GetOutReadPos(), 10u);
  device.HoldWrites(true);
  ASSERT_EQ(port->PutBlock("abcd", 4), 4u);  // indexes 10..13, held in flight
  ASSERT_TRUE(device.WaitForHeldWrite(5s));
  ASSERT_EQ(port->PutBlock("KLMNOPQRST", 10), 10u);
  const char* ring = TCommPortTestAccess::OutBuffer(*port);
  EXPECT_EQ(std::string(ring + 14, 2), "KL");
  EXPECT_EQ(std::string(ring, 8), "MNOPQRST");
  EXPECT_EQ(port->GetOutBuffFree(), 2u);
  device.HoldWrites(false);
  ASSERT_TRUE(device.WaitForOutput(24, 5s));
  EXPECT_EQ(device.Output(), "0123456789abcdKLMNOPQRST");
}

TEST_F(Rings, PutBlockAfterTheWritePositionWrappedFillsUpToTheReadPosition) {
  OpenWith(16, 16);
  ASSERT_EQ(port->PutBlock("0123456789ab", 12), 12u);
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetOutBuffUsed() == 0; }));
  device.HoldWrites(true);
  // pos 12, used 8: the write position is 4, past the ring's end.
  ASSERT_EQ(port->PutBlock("ABCDEFGH", 8), 8u);
  ASSERT_TRUE(device.WaitForHeldWrite(5s));
  EXPECT_EQ(port->PutBlock("0123456789", 10), 8u);  // room from 4 up to 12
  EXPECT_EQ(std::string(TCommPortTestAccess::OutBuffer(*port) + 4, 8), "01234567");
  device.HoldWrites(false);
  ASSERT_TRUE(device.WaitForOutput(28, 5s));
  EXPECT_EQ(device.Output().substr(12), "ABCDEFGH01234567");
}

TEST_F(Rings, GetBlockTakesTheWrappedUnreadBytesInOrder) {
  OpenWith(16, 16);
  device.Feed("..............");
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetInBuffUsed() == 14; }));
  char sink[32];
  ASSERT_EQ(port->GetBlock(sink, 14), 14u);
  ASSERT_EQ(port->GetInReadPos(), 14u);
  device.Feed("vwxyz");
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetInBuffUsed() == 5; }));
  const char* ring = TCommPortTestAccess::InBuffer(*port);
  EXPECT_EQ(std::string(ring + 14, 2), "vw");
  EXPECT_EQ(std::string(ring, 3), "xyz");
  char out[10] = {};
  EXPECT_EQ(port->GetBlock(out, 10), 5u);
  EXPECT_EQ(std::string(out, 5), "vwxyz");
  EXPECT_EQ(port->GetInReadPos(), 3u);
  EXPECT_EQ(port->GetInBuffUsed(), 0u);
}

TEST_F(Rings, GetBlockShorterThanTheFirstPieceLeavesTheRestForLater) {
  OpenWith(16, 16);
  device.Feed("..............");
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetInBuffUsed() == 14; }));
  char buf[16];
  ASSERT_EQ(port->GetBlock(buf, 14), 14u);
  device.Feed("vwxyz");
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetInBuffUsed() == 5; }));
  const struct { unsigned long len; const char* expect; } steps[] = {{1, "v"}, {2, "wx"}, {9, "yz"}, {4, ""}};
  for (const auto& s : steps) {
    const unsigned long got = port->GetBlock(buf, s.len);
    EXPECT_EQ(std::string(buf, got), s.expect) << s.len;
  }
}

TEST_F(Rings, AFullInputRingLeavesTheRestWithTheDriverUntilRoomIsFreed) {
  OpenWith(8, 16);
  device.Feed("ABCDEFGHIJKLMNOPQRST");
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetInBuffUsed() == 8; }));
  EXPECT_EQ(device.InQueue(), 12u);
  EXPECT_EQ(port->GetInBuffFree(), 0u);
  std::string got;
  char buf[5];
  ASSERT_TRUE(PumpUntil(queue, [&] {
    got.append(buf, port->GetBlock(buf, sizeof buf));
    return got.size() == 20;
  }));
  EXPECT_EQ(got, "ABCDEFGHIJKLMNOPQRST");
}

TEST_F(Rings, GetCharAndCharReadyTellAnEmptyRingFromAZeroByte) {
  OpenWith(16, 16);
  EXPECT_EQ(port->GetChar(), 0);
  EXPECT_FALSE(port->CharReady());
  device.Feed(std::string("\0A", 2));
  ASSERT_TRUE(PumpUntil(queue, [&] { return port->GetInBuffUsed() == 2; }));
  EXPECT_TRUE(port->CharReady());
  EXPECT_EQ(port->GetChar(), 0);
  EXPECT_EQ(port->GetChar(), 'A');
  EXPECT_FALSE(port->CharReady());
}

// Random chunks both ways through small rings, against a plain queue.
TEST_F(Rings, RandomTrafficMatchesAPlainQueue) {
  OpenWith(37, 29);
  device.SetWriteChunk(7);
  std::mt19937 rng(12345);
  std::deque<char> unread;  // fed, not yet taken
  std::string sent, taken;
  auto bytes = [&](std::size_t n) {
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(rng());
    return s;
  };
  std::size_t fed = 0;
  for (int round = 0; round < 3000; ++round) {
    queue.Drain();
    switch (rng() % 3) {
      case 0: {
        const std::string chunk = bytes(rng() % 50);
        device.Feed(chunk);
        unread.insert(unread.end(), chunk.begin(), chunk.end());
        fed += chunk.size();
        break;
      }
      case 1: {
        char buf[64];
        const unsigned long got = port->GetBlock(buf, rng() % 64);
        ASSERT_LE(got, unread.size());
        for (unsigned long i = 0; i < got; ++i) {
          ASSERT_EQ(buf[i], unread.front()) << "round " << round;
          unread.pop_front();
        }
        taken.append(buf, got);
        break;
      }
      default: {
        const std::string chunk = bytes(rng() % 40);
        const unsigned long free = port->GetOutBuffFree();
        const unsigned long accepted = port->PutBlock(chunk.data(), chunk.size());
        ASSERT_LE(accepted, chunk.size());
        ASSERT_GE(accepted, std::min<unsigned long>(free, chunk.size()));
        sent.append(chunk, 0, accepted);
        break;
      }
    }
    ASSERT_LE(port->GetInBuffUsed(), 37u);
    ASSERT_LE(port->GetOutBuffUsed(), 29u);
  }
  ASSERT_TRUE(PumpUntil(queue, [&] {
    char buf[64];
    const unsigned long got = port->GetBlock(buf, sizeof buf);
    for (unsigned long i = 0; i < got; ++i) {
      EXPECT_EQ(buf[i], unread.front());
      unread.pop_front();
    }
    return unread.empty() && device.Output().size() == sent.size();
  }));
  EXPECT_EQ(device.Output(), sent);
  EXPECT_GT(fed, 10000u);
}
