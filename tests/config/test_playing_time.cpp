// The one rule for times in seconds that the stage times and the report share.
#include <gtest/gtest.h>

#include <optional>

#include "config/PlayingTime.h"

using namespace tesra;

TEST(PlayingTime, TextsReadAsTimesOrNot) {
  struct Case { const char* text; std::optional<long long> seconds; };
  const Case cases[] = {
      {"5", 5},
      {" 12\t", 12},
      {"+7", 7},
      {"007", 7},
      {"0", 0},
      {"-0", 0},
      {"-3", std::nullopt},  // never a negative time
      {"-99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"  ", std::nullopt},
      {"abc", std::nullopt},
      {"1.5", std::nullopt},
      {"1 2", std::nullopt},
      {"12a", std::nullopt},
      {"сек.", std::nullopt},
      {"999999999999999999", kLongestTime},
      {"1000000000000000000", kTooLongTime},
      {"9000000000000000000", kTooLongTime},
      {"9223372036854775808", kTooLongTime},  // past the 64-bit range
      {"99999999999999999999", kTooLongTime},
      {"0000000000000000000000000000001", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadSeconds(c.text), c.seconds) << '"' << c.text << '"';
}

TEST(PlayingTime, StageTimesNeverWrap) {
  struct Case { long long length, repeats, pause, stage; };
  const Case cases[] = {
      {10, 3, 5, 40},
      {10, 1, 5, 10},  // one play: no pause
      {10, 0, 5, 0},   // no play, and never a negative time
      {0, 3, 5, 10},
      {3'000'000'000, 255, 35, 765'000'008'890},
      {kLongestTime, 1, 0, kLongestTime},
      {kLongestTime, 2, 0, kTooLongTime},
      {9'000'000'000'000'000'000, 3, 0, kTooLongTime},
      {kTooLongTime, 1, 0, kTooLongTime},
      {1, kTooLongTime, 0, kTooLongTime},
      {0, kTooLongTime, 0, 0},
      {1, 2, kTooLongTime, kTooLongTime},
      {400'000'000'000'000'000, 2, 199'999'999'999'999'999, kLongestTime},
      {400'000'000'000'000'000, 2, 200'000'000'000'000'000, kTooLongTime},
  };
  for (const auto& c : cases) {
    const long long stage = StageSeconds(c.length, c.repeats, c.pause);
    EXPECT_EQ(stage, c.stage) << c.length << " x" << c.repeats << " +" << c.pause;
    EXPECT_EQ(IsTooLong(stage), c.stage == kTooLongTime);
  }
}

TEST(PlayingTime, TotalsNeverWrap) {
  long long total = 0;
  for (int s = 0; s < 8; ++s) total = AddSeconds(total, kLongestTime / 8);
  EXPECT_EQ(total, kLongestTime / 8 * 8);
  EXPECT_FALSE(IsTooLong(total));
  EXPECT_EQ(AddSeconds(total, kLongestTime), kTooLongTime);
  EXPECT_EQ(AddSeconds(kTooLongTime, kTooLongTime), kTooLongTime);
  EXPECT_EQ(AddSeconds(kLongestTime, 1), kTooLongTime);
  EXPECT_EQ(AddSeconds(kLongestTime - 1, 1), kLongestTime);
}
