#include <gtest/gtest.h>

#include <random>

#include "config/ConfigImage.h"

using namespace tesra;

TEST(BitIndex, AddressesBytesMsbFirstAcrossByteEdges) {
  struct Case { unsigned k; std::size_t byte; std::uint8_t mask; };
  const Case cases[] = {{0, 0, 0x80}, {7, 0, 0x01}, {8, 1, 0x80}, {15, 1, 0x01}, {16, 2, 0x80}, {4095, 511, 0x01}};
  for (const auto& c : cases) {
    ConfigImage img;
    PutBit(img.data(), c.k, 1);
    for (std::size_t i = 0; i < kImageSize; ++i)
      EXPECT_EQ(img[i], i == c.byte ? c.mask : 0) << "k=" << c.k << " byte " << i;
    EXPECT_EQ(GetBit(img.data(), c.k), 1);
    PutBit(img.data(), c.k, 0);
    EXPECT_EQ(img[c.byte], 0);
  }
}

TEST(BitIndex, OnlyValueOneSetsTheBit) {
  std::uint8_t b[1] = {0xFF};
  PutBit(b, 3, 2);  // anything but 1 clears
  EXPECT_EQ(b[0], 0xEF);
}

// Each field PutBits writes, with the neighbours left as they were.
TEST(PutBits, WritesEachFieldAndLeavesNeighbours) {
  struct Case { const char* field; unsigned count, dest; std::uint8_t value, fieldMask; };
  const Case cases[] = {
      {"amplifier", 2, 8, 2, 0xC0}, {"splitters", 2, 6, 1, 0x30}, {"announcers", 2, 4, 2, 0x0C},
      {"fire consoles", 2, 2, 3, 0x03}, {"modules", 4, 4, 9, 0x0F}, {"pause", 3, 6, 7, 0x38},
  };
  std::mt19937 rng(7);
  for (const auto& c : cases) {
    for (int trial = 0; trial < 50; ++trial) {
      std::uint8_t bytes[2] = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())};
      const std::uint8_t before = bytes[0], next = bytes[1];
      // Bits above the field's count in the value must not leak in.
      const std::uint8_t value = static_cast<std::uint8_t>(c.value | 0xF0 << c.count);
      PutBits(c.count, value, c.dest, c.count, bytes);
      const unsigned shift = c.dest - c.count;
      EXPECT_EQ(bytes[0] & ~c.fieldMask, before & ~c.fieldMask) << c.field;
      EXPECT_EQ((bytes[0] & c.fieldMask) >> shift, c.value) << c.field;
      EXPECT_EQ(bytes[1], next) << c.field;
      EXPECT_EQ(GetBits(c.count, c.dest, bytes), c.value) << c.field;
    }
  }
}

TEST(ConfigImageLayout, StageRecordOffsets) {
  EXPECT_EQ(StageRecordOffset(0, 0), 8u);
  EXPECT_EQ(StageRecordOffset(2, 1), 110u);
  EXPECT_EQ(StageRecordOffset(7, 7), 386u);
  EXPECT_EQ(StageRecordOffset(7, 7) + 5, 391u);
}

TEST(ConfigImageLayout, RelayBitsOfTheSixteenBitField) {
  ConfigImage img;
  const std::size_t r = StageRecordOffset(0, 0) + offs::StageRelays;
  PutBit(img.data() + r, 2 * (8 - 1) + 1, 1);  // module 8 K2
  EXPECT_EQ(img[r + 1], 0x01);
  PutBit(img.data() + r, 0, 1);  // module 1 K1
  EXPECT_EQ(img[r], 0x80);
}
