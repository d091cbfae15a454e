#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "project/AtomicFile.h"
#include "project/ProjectFiles.h"
#include "tests/project/TempDir.h"

using namespace tesra;
using tesra::test::ReadBytes;
using tesra::test::TempDir;
using tesra::test::WriteBytes;

namespace {

std::string Pattern(std::size_t n, int seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
  return s;
}

ConfigImage Filled(std::uint8_t b) {
  ConfigImage img;
  img.bytes.fill(b);
  return img;
}

#ifndef _WIN32
// Files may not grow beyond `limit` bytes while it lives: makes writes fail
// for root too. The signal the limit raises is ignored so write() reports it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit r = old_;
    r.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &r);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  void (*oldHandler_)(int);
};
#endif

}  // namespace

TEST(ProjectNames, OnlyTheLastExtensionOfTheLastComponentIsReplaced) {
  struct Case { const char* image; const char* project; const char* companion; };
  const Case cases[] = {
      {"/home/u/site.usr", "/home/u/site", "/home/u/site.ini"},
      {"/home/u/site.v2.usr", "/home/u/site.v2", "/home/u/site.v2.ini"},
      {"/home/u.d/site", "/home/u.d/site", "/home/u.d/site.ini"},
      {"C:\\Proj.old\\site", "C:\\Proj.old\\site", "C:\\Proj.old\\site.ini"},
      {"C:\\Proj\\site.usr", "C:\\Proj\\site", "C:\\Proj\\site.ini"},
      {"D:/mixed.d\\site.usr", "D:/mixed.d\\site", "D:/mixed.d\\site.ini"},
      {"a.usr.bak", "a.usr", "a.usr.ini"},
      {"site.", "site", "site.ini"},
      {"site", "site", "site.ini"},
      {"/a/.usr", "/a/", "/a/.ini"},
      {"/home/u/Объект №1.usr", "/home/u/Объект №1", "/home/u/Объект №1.ini"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProjectNameFromFile(c.image), c.project) << c.image;
    EXPECT_EQ(CompanionFileName(c.image), c.companion) << c.image;
  }
}

TEST(ProjectNames, ImageFilesAlwaysEndInUsr) {
  struct Case { const char* name; const char* image; };
  const Case cases[] = {
      {"site.2024", "site.2024.usr"},          {"/home/u/site.2024", "/home/u/site.2024.usr"},
      {"site", "site.usr"},                    {"site.usr", "site.usr"},
      {"SITE.Usr", "SITE.Usr"},                {"a.usr.bak", "a.usr.bak.usr"},
      {"x.usrx", "x.usrx.usr"},                {"site.", "site..usr"},
      {"C:\\P.old\\site", "C:\\P.old\\site.usr"}, {"Объект.1", "Объект.1.usr"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ImageFileNameOf(c.name), c.image) << c.name;
}

class ProjectFilesTest : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(ProjectFilesTest, ImageFileOfAnyLengthFillsAZeroedImage) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{512}, std::size_t{100000}}) {
    const auto path = dir / ("img" + std::to_string(size) + ".usr");
    const std::string content = Pattern(size, 3);
    WriteBytes(path, content);
    ConfigImage img = Filled(0xAA);
    ASSERT_TRUE(ReadImageFile(path, img)) << size;
    for (std::size_t i = 0; i < kImageSize; ++i) {
      const std::uint8_t expected = i < size ? static_cast<std::uint8_t>(content[i]) : 0;
      ASSERT_EQ(img[i], expected) << "size " << size << " byte " << i;
    }
  }
}

TEST_F(ProjectFilesTest, UnreadableImageFileLeavesTheImageAlone) {
  std::filesystem::create_directory(dir / "folder.usr");
  for (const char* name : {"missing.usr", "folder.usr"}) {
    ConfigImage img = Filled(0xAA);
    EXPECT_FALSE(ReadImageFile(dir / name, img)) << name;
    EXPECT_EQ(img.bytes, Filled(0xAA).bytes) << name;
  }
}

TEST_F(ProjectFilesTest, ImageFileWithoutReadPermission) {
  const auto path = dir / "locked.usr";
  WriteBytes(path, Pattern(512, 1));
  tesra::test::ReadBarrier barrier(path);
  if (!barrier.Effective()) GTEST_SKIP() << "permissions do not stop root";
  ConfigImage img = Filled(0xAA);
  EXPECT_FALSE(ReadImageFile(path, img));
  EXPECT_EQ(img.bytes, Filled(0xAA).bytes);
}

TEST_F(ProjectFilesTest, SavedImageOpensAsTheSame512Bytes) {
  std::mt19937 rng(12345);
  ConfigImage img;
  for (auto& b : img.bytes) b = static_cast<std::uint8_t>(rng());
  const auto path = dir / "p.usr";
  WriteBytes(path, Pattern(100000, 9));  // a longer old file is replaced, not overlaid
  ASSERT_TRUE(WriteImageFile(path, img));
  EXPECT_EQ(ReadBytes(path), std::string(reinterpret_cast<const char*>(img.data()), kImageSize));
  ConfigImage back = Filled(0x55);
  ASSERT_TRUE(ReadImageFile(path, back));
  EXPECT_EQ(back.bytes, img.bytes);
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST_F(ProjectFilesTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  const auto image = dir / "p.usr";
  const auto companion = dir / "p.ini";
  const std::string oldImage = Pattern(512, 5);
  const std::string oldCompanion = "[MessageLength]\r\n1=3\r\n";
  WriteBytes(image, oldImage);
  WriteBytes(companion, oldCompanion);
  std::array<std::string, kMessageCount> times;
  times.fill(std::string(50, '9'));  // 72 lines of 50 characters: beyond the POSIX limit below
  {
#ifdef _WIN32
    // Another program holds both open and lets nobody rename over them.
    tesra::test::HeldOpen heldImage(image, _SH_DENYWR), heldCompanion(companion, _SH_DENYWR);
    ASSERT_TRUE(heldImage.IsOpen() && heldCompanion.IsOpen());
#else
    FileSizeLimit limit(100);
#endif
    EXPECT_FALSE(WriteImageFile(image, Filled(1)));
    EXPECT_FALSE(WriteMessageTimes(companion, times));
  }
  EXPECT_EQ(ReadBytes(image), oldImage);
  EXPECT_EQ(ReadBytes(companion), oldCompanion);
  EXPECT_EQ(dir.EntryCount(), 2u);
}

// The temporary file has a short name of its own, so a name at the system's
// limit (255 bytes) saves, and a path beyond Windows' 260 characters too.
TEST_F(ProjectFilesTest, LongNamesSave) {
  namespace fs = std::filesystem;
  const std::string deep(120, 'd');
  const struct {
    const char* what;
    fs::path folder;
    std::size_t nameLength;
  } cases[] = {
      {"a name of 255 bytes", dir / "a", 255},
      {"a name of 240 bytes", dir / "b", 240},
      {"a path of some 400 characters", dir / "c" / deep / deep, 150},
  };
  // The test's own calls on a deep folder: on Windows in the long-path form.
  auto own = [](const fs::path& p) {
#ifdef _WIN32
    return fs::path(L"\\\\?\\" + fs::absolute(p).lexically_normal().make_preferred().native());
#else
    return p;
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::create_directories(own(c.folder));
    const fs::path file = c.folder / (std::string(c.nameLength - 4, 'n') + ".usr");
    ASSERT_TRUE(WriteImageFile(file, Filled(3)));
    ASSERT_TRUE(WriteImageFile(file, Filled(4)));  // and saves over itself
    ConfigImage back;
    ASSERT_TRUE(ReadImageFile(file, back));
    EXPECT_EQ(back.bytes, Filled(4).bytes);
#ifdef _WIN32
    // Under Wine a folder listed in the long-path form lists another folder's entries.
    if (c.folder.native().size() >= 248) continue;
#endif
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(own(c.folder))) ++entries;
    EXPECT_EQ(entries, 1u);  // no temporary file left
  }
}

TEST_F(ProjectFilesTest, WriteIntoAMissingFolderFails) {
  EXPECT_FALSE(WriteImageFile(dir / "no" / "p.usr", ConfigImage{}));
  EXPECT_FALSE(WriteMessageTimes(dir / "no" / "p.ini", {}));
}

TEST_F(ProjectFilesTest, ReplacingKeepsPermissionsAndFollowsLinks) {
#ifdef _WIN32
  GTEST_SKIP() << "permission bits beyond read-only and symbolic links: POSIX (see ReadOnlyFileIsNotSavedOver)";
#else
  const auto real = dir / "real.usr";
  const auto link = dir / "link.usr";
  WriteBytes(real, "old");
  std::filesystem::permissions(real, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  std::filesystem::create_symlink(real, link);
  ASSERT_TRUE(WriteImageFile(link, Filled(7)));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadBytes(real), std::string(512, '\x07'));
  EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
#endif
}

#ifdef _WIN32
// On Windows the permission bits are the read-only attribute: a read-only
// file is left as it is, and nothing stays behind beside it.
TEST_F(ProjectFilesTest, ReadOnlyFileIsNotSavedOver) {
  namespace fs = std::filesystem;
  const auto image = dir / "p.usr";
  const auto companion = dir / "p.ini";
  const std::string oldImage = Pattern(512, 5);
  const std::string oldCompanion = "[MessageLength]\r\n1=3\r\n";
  WriteBytes(image, oldImage);
  WriteBytes(companion, oldCompanion);
  const auto readOnly = [](const fs::path& p) { return (fs::status(p).permissions() & fs::perms::owner_write) == fs::perms::none; };
  for (const auto& p : {image, companion}) fs::permissions(p, fs::perms::owner_write, fs::perm_options::remove);
  ASSERT_TRUE(readOnly(image));
  std::array<std::string, kMessageCount> times;
  times.fill("4");
  EXPECT_FALSE(WriteImageFile(image, Filled(1)));
  EXPECT_FALSE(WriteMessageTimes(companion, times));
  EXPECT_EQ(dir.EntryCount(), 2u);
  for (const auto& p : {image, companion}) {
    EXPECT_TRUE(readOnly(p)) << p;
    fs::permissions(p, fs::perms::owner_write, fs::perm_options::add);  // so the folder can go
  }
  EXPECT_EQ(ReadBytes(image), oldImage);
  EXPECT_EQ(ReadBytes(companion), oldCompanion);
  // Writable again, both save.
  EXPECT_TRUE(WriteImageFile(image, Filled(1)));
  EXPECT_TRUE(WriteMessageTimes(companion, times));
  EXPECT_EQ(ReadBytes(image), std::string(512, '\x01'));
  EXPECT_EQ(ReadMessageTimes(companion), times);
  EXPECT_EQ(dir.EntryCount(), 2u);
}
#endif

TEST_F(ProjectFilesTest, MessageTimesWrittenFromScratch) {
  const auto path = dir / "p.ini";
  std::array<std::string, kMessageCount> times;
  std::string expected = "[MessageLength]\r\n";
  for (int i = 0; i < kMessageCount; ++i) {
    times[i] = std::to_string(i * 3);
    expected += std::to_string(i + 1) + "=" + std::to_string(i * 3) + "\r\n";
  }
  times[71] = "мин";
  expected.replace(expected.find("72=213"), 6, "72=\xEC\xE8\xED");
  ASSERT_TRUE(WriteMessageTimes(path, times));
  EXPECT_EQ(ReadBytes(path), expected);
  EXPECT_EQ(ReadMessageTimes(path), times);
}

TEST_F(ProjectFilesTest, MessageTimesKeepTheRestOfTheCompanionFile) {
  const auto path = dir / "p.ini";
  WriteBytes(path, "[Notes]\r\nwho=me\r\n[messagelength]\r\n 2 = 40 \r\n1=10\r\n9=\r\n[Tail]\r\nx=1\r\n");
  const auto read = ReadMessageTimes(path);
  EXPECT_EQ(read[0], "10");
  EXPECT_EQ(read[1], "40");
  EXPECT_EQ(read[8], "");   // present but empty
  EXPECT_EQ(read[2], "0");  // missing
  std::array<std::string, kMessageCount> times;
  times.fill("5");
  ASSERT_TRUE(WriteMessageTimes(path, times));
  std::string expected = "[Notes]\r\nwho=me\r\n[messagelength]\r\n2=5\r\n1=5\r\n9=5\r\n";
  for (int i = 3; i <= kMessageCount; ++i)
    if (i != 9) expected += std::to_string(i) + "=5\r\n";
  expected += "[Tail]\r\nx=1\r\n";
  EXPECT_EQ(ReadBytes(path), expected);
}

TEST_F(ProjectFilesTest, MissingOrGarbledCompanionGivesZeroTimes) {
  std::array<std::string, kMessageCount> zeros;
  zeros.fill("0");
  EXPECT_EQ(ReadMessageTimes(dir / "none.ini"), zeros);
  std::filesystem::create_directory(dir / "dir.ini");
  EXPECT_EQ(ReadMessageTimes(dir / "dir.ini"), zeros);
  WriteBytes(dir / "junk.ini", Pattern(5000, 0));
  EXPECT_EQ(ReadMessageTimes(dir / "junk.ini"), zeros);
}
