// The backups kept before each write: their names, the pair written, a
// second backup within one second, pruning to the newest 200, and a folder
// that cannot be made.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "project/Backups.h"
#include "tests/project/TempDir.h"

namespace fs = std::filesystem;
using tesra::BackupStamp;
using tesra::BackupStem;
using tesra::test::TempDir;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

void Touch(const fs::path& p) { std::ofstream(p, std::ios::binary) << "x"; }

std::vector<std::string> Names(const std::vector<fs::path>& paths) {
  std::vector<std::string> names;
  for (const auto& p : paths) names.push_back(p.filename().string());
  return names;
}

std::array<std::string, tesra::kMessageCount> Times() {
  std::array<std::string, tesra::kMessageCount> t;
  for (int i = 0; i < tesra::kMessageCount; ++i) t[static_cast<std::size_t>(i)] = std::to_string(i * 2);
  return t;
}

}  // namespace

TEST(Backups, StemIsDateTimeAndPort) {
  struct Case { BackupStamp when; int port; const char* stem; };
  const Case cases[] = {
      {{2026, 12, 8, 14, 3, 27}, 3, "2026-12-08_14-03-27_COM3"},
      {{2027, 1, 1, 0, 0, 0}, 255, "2027-01-01_00-00-00_COM255"},
  };
  for (const auto& k : cases) EXPECT_EQ(BackupStem(k.when, k.port), k.stem);
}

TEST(Backups, SaveWritesThePairAndNeverOverwritesAnEarlierOne) {
  TempDir dir;
  const fs::path folder = dir / "data" / "backups";  // made on the first save
  tesra::ConfigImage image;
  for (std::size_t i = 0; i < tesra::kImageSize; ++i) image[i] = static_cast<std::uint8_t>(i * 5 + 1);
  fs::path failed;
  const auto first = tesra::SaveBackup(folder, "2026-12-08_14-03-27_COM3", image, Times(), failed);
  ASSERT_EQ(first, folder / "2026-12-08_14-03-27_COM3.usr");
  EXPECT_EQ(Slurp(first), std::string(reinterpret_cast<const char*>(image.data()), tesra::kImageSize));
  EXPECT_EQ(tesra::ReadMessageTimes(folder / "2026-12-08_14-03-27_COM3.ini"), Times());
  // A second write within the same second keeps the first backup.
  image[0] = 0xAA;
  const auto second = tesra::SaveBackup(folder, "2026-12-08_14-03-27_COM3", image, Times(), failed);
  EXPECT_EQ(second, folder / "2026-12-08_14-03-27_COM3_2.usr");
  EXPECT_EQ(static_cast<unsigned char>(Slurp(second)[0]), 0xAA);
  EXPECT_EQ(static_cast<unsigned char>(Slurp(first)[0]), 1);
  EXPECT_EQ(Names(tesra::ListBackups(folder)),
            (std::vector<std::string>{"2026-12-08_14-03-27_COM3.usr", "2026-12-08_14-03-27_COM3_2.usr"}));
}

TEST(Backups, SaveFailsWhenTheFolderCannotBeMade) {
  TempDir dir;
  Touch(dir / "file");
  const fs::path folder = dir / "file" / "backups";
  fs::path failed;
  EXPECT_TRUE(tesra::SaveBackup(folder, "2026-12-08_14-03-27_COM3", tesra::ConfigImage{}, Times(), failed).empty());
  EXPECT_EQ(failed, folder);
}

// Age is the files' own time: a clock set wrong names a new backup as old.
// Pruning counts pairs and keeps the backup just taken.
TEST(Backups, PruningKeepsTheNewestPairsByFileTime) {
  struct Case {
    const char* name;
    std::vector<int> ages;  // hours before now, one pair per stem in name order
    std::size_t keep;
    int current;            // index of the backup of the write under way, or -1
    std::vector<int> kept;  // indexes left, oldest first
  };
  const Case cases[] = {
      {"names and times agree", {5, 4, 3, 2, 1}, 3, -1, {2, 3, 4}},
      {"the clock was behind for the newest", {5, 4, 3, 2, 0}, 2, 4, {3, 4}},
      {"the clock was behind: the newest sorts first by name", {0, 4, 3, 2, 1}, 2, 0, {4, 0}},
      {"the current backup is the oldest by time", {3, 2, 1, 9}, 2, 3, {2, 3}},
  };
  for (const auto& k : cases) {
    TempDir dir;
    const fs::path folder = dir.path();
    const auto now = fs::file_time_type::clock::now();
    std::vector<std::string> stems;
    for (std::size_t i = 0; i < k.ages.size(); ++i) {
      stems.push_back(BackupStem({2026, 11, 1 + static_cast<int>(i), 9, 0, 0}, 3));
      for (const char* ext : {".usr", ".ini"}) {
        Touch(folder / (stems[i] + ext));
        fs::last_write_time(folder / (stems[i] + ext), now - std::chrono::hours(k.ages[i]));
      }
    }
    const char* foreign[] = {"site.usr", "2026-11-01_09-00-00_COM.usr", "2026-11-01_09-00-00_COM3_.usr",
                             "2026-11-01_09-00-00_COM3.txt", "2026-11-01_09-00-00_COM3x.usr"};
    for (const char* f : foreign) Touch(folder / f);
    const fs::path current = k.current >= 0 ? folder / (stems[k.current] + ".usr") : fs::path();
    tesra::PruneBackups(folder, k.keep, current);
    std::vector<std::string> left;
    for (std::size_t i = 0; i < stems.size(); ++i)
      if (fs::exists(folder / (stems[i] + ".usr"))) left.push_back(stems[i]);
    std::vector<std::string> want;
    for (int i : k.kept) want.push_back(stems[static_cast<std::size_t>(i)]);
    std::sort(want.begin(), want.end());
    EXPECT_EQ(left, want) << k.name;
    for (std::size_t i = 0; i < stems.size(); ++i)
      EXPECT_EQ(fs::exists(folder / (stems[i] + ".ini")), fs::exists(folder / (stems[i] + ".usr")))
          << k.name << ": " << stems[i] << " is kept or removed as a pair";
    for (const char* f : foreign) EXPECT_TRUE(fs::exists(folder / f)) << k.name << " " << f;
  }
}

TEST(Backups, SavingThe201stRemovesTheOldest) {
  TempDir dir;
  const fs::path folder = dir.path();
  for (int i = 0; i < 200; ++i) {
    const auto stem = BackupStem({2026, 1, 1 + i / 24, i % 24, 0, 0}, 1);
    Touch(folder / (stem + ".usr"));
    Touch(folder / (stem + ".ini"));
  }
  fs::path failed;
  ASSERT_FALSE(tesra::SaveBackup(folder, BackupStem({2026, 12, 8, 14, 3, 27}, 1), tesra::ConfigImage{}, Times(),
                                 failed).empty());
  const auto kept = tesra::ListBackups(folder);
  ASSERT_EQ(kept.size(), tesra::kMaxBackups);
  EXPECT_EQ(kept.front().filename(), "2026-01-01_01-00-00_COM1.usr");
  EXPECT_EQ(kept.back().filename(), "2026-12-08_14-03-27_COM1.usr");
  EXPECT_FALSE(fs::exists(folder / "2026-01-01_00-00-00_COM1.ini"));
}
