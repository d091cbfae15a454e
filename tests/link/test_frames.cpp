#include <gtest/gtest.h>

#include <vector>

#include "link/Frames.h"

using namespace tesra;

TEST(Crc8, CheckValueOverDigits) {
  const char* digits = "123456789";
  EXPECT_EQ(Crc8(reinterpret_cast<const std::uint8_t*>(digits), 9), 0xA1);
}

TEST(Frames, ProbeIsAlwaysTheSameFiveBytes) {
  const ProbeFrame expected{0x00, 0x01, 0x04, 0x55, 0x74};
  EXPECT_EQ(BuildProbeFrame(), expected);
}

TEST(Frames, ReadQueriesOfTheWorkedAddresses) {
  struct Case { unsigned address; std::array<std::uint8_t, 7> bytes; };
  const Case cases[] = {
      {0x0000, {0x00, 0x01, 0x06, 0x33, 0x00, 0x00, 0xFE}},
      {0x0020, {0x00, 0x01, 0x06, 0x33, 0x00, 0x20, 0xDD}},
      {0x0100, {0x00, 0x01, 0x06, 0x33, 0x01, 0x00, 0x3A}},
      {0x01E0, {0x00, 0x01, 0x06, 0x33, 0x01, 0xE0, 0xD3}},
  };
  ReadQueryBuffer q;  // one buffer, refilled for each address
  for (const auto& c : cases) {
    q.Fill(c.address);
    EXPECT_EQ(q.bytes(), c.bytes) << std::hex << c.address;
  }
}

TEST(Frames, WriteBlockCarriesImageBytesAndCrc) {
  ConfigImage img;
  WriteBlockBuffer w;
  w.Fill(0, img);
  EXPECT_EQ(w.bytes()[0], 0x00);
  EXPECT_EQ(w.bytes()[1], 0x01);
  EXPECT_EQ(w.bytes()[2], 0x26);  // length: frame size minus one
  EXPECT_EQ(w.bytes()[3], 0x44);
  EXPECT_EQ(w.bytes()[38], 0xCC);

  for (std::size_t i = 0; i < kImageSize; ++i) img[i] = static_cast<std::uint8_t>(i * 7);
  w.Fill(0x01E0, img);
  EXPECT_EQ(w.bytes()[4], 0x01);
  EXPECT_EQ(w.bytes()[5], 0xE0);
  for (std::size_t i = 0; i < 32; ++i) EXPECT_EQ(w.bytes()[6 + i], img[0x1E0 + i]);
  EXPECT_EQ(w.bytes()[38], Crc8(w.data(), 38));
}

TEST(Frames, ReplyTakeApartAndProbeJudging) {
  std::vector<std::uint8_t> reply(39, 0);
  reply[4] = 0x01;
  reply[5] = 0xA0;
  reply[6] = 0x5A;
  EXPECT_EQ(ReplyAddress(reply.data()), 0x01A0u);
  EXPECT_EQ(ReplyBlock(reply.data())[0], 0x5A);

  const std::uint8_t ack[] = {0x12, 0x34, 0x56, 0xAA, 0x99};
  const std::uint8_t nak[] = {0x00, 0x01, 0x04, 0x55};
  EXPECT_TRUE(IsProbeAck(ack, 4));
  EXPECT_TRUE(IsProbeAck(ack, 5));
  EXPECT_FALSE(IsProbeAck(ack, 3));  // shorter than four bytes
  EXPECT_FALSE(IsProbeAck(nak, 4));
}
