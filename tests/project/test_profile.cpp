#include <gtest/gtest.h>

#include <optional>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "project/Profile.h"
#include "tests/project/TempDir.h"

using namespace tesra;
using tesra::test::ReadBytes;
using tesra::test::TempDir;
using tesra::test::WriteBytes;

using namespace std::string_literals;

TEST(ProfileRead, FindsValuesTheWayWindowsReadsThem) {
  struct Case {
    std::string file;
    const char* section;
    const char* key;
    std::optional<std::string> value;
  };
  const Case cases[] = {
      {"[MessageLength]\r\n1=5\r\n", "MessageLength", "1", "5"},
      {"[messagelength]\r\n1=5", "MESSAGELENGTH", "1", "5"},
      {"[S]\r\nKey=v\r\n", "s", "kEY", "v"},
      {"  [ S ]  \r\n  k  =  v w  \r\n", "S", "k", "v w"},
      {"[S]\n\tk\t=\tv\t\n", "S", "k", "v"},
      {"[A]\nx=1\n[B]\nx=2\n", "B", "x", "2"},
      {"[A]\rx=1\r[B]\rx=2", "B", "x", "2"},
      {"[A]\r\nx=1\n\ry=3\r", "A", "y", "3"},
      {"[S]\r\nk=first\r\nk=second\r\n", "S", "k", "first"},
      {"[S]\r\na=1\r\n[T]\r\n[s]\r\na=2\r\nb=3\r\n", "S", "a", "1"},
      {"[S]\r\na=1\r\n[T]\r\n[s]\r\na=2\r\nb=3\r\n", "S", "b", std::nullopt},
      {"[S]\r\na=1\r\n", "S", "b", std::nullopt},
      {"[S]\r\na=1\r\n", "T", "a", std::nullopt},
      {"k=1\r\n[S]\r\n", "S", "k", std::nullopt},
      {"[S]\r\nk\r\nk=2\r\n", "S", "k", "2"},
      {"[S]\r\nk\r\n", "S", "k", std::nullopt},
      {"[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
      {"[S]\r\nk=\r\n", "S", "k", ""},
      {"[S\r\nk=1\r\n", "S", "k", "1"},
      {"[S] trailing\r\nk=1\r\n", "S", "k", "1"},
      {"\xEF\xBB\xBF[S]\r\nk=1\r\n", "S", "k", "1"},
      {"[S]\r\n\0\xFF\xFE=\x01\r\nk=v\x98\r\n"s, "S", "k", "v\x98"},
      {"[\xD1\xE5\xEA]\r\n\xEA=\xEC\xE8\xED\r\n", "сек", "К", "\xEC\xE8\xED"},
      {"", "S", "k", std::nullopt},
  };
  for (const auto& c : cases) {
    Profile p;
    p.Parse(c.file);
    EXPECT_EQ(p.FindBytes(c.section, c.key), c.value) << c.file;
    EXPECT_EQ(p.GetBytes(c.section, c.key, "dflt"), c.value.value_or("dflt")) << c.file;
  }
}

TEST(ProfileRead, TextsComeOutAsUtf8) {
  Profile p;
  p.Parse("[S]\r\nk=\xEC\xE8\xED \xB9" "5\r\n");
  EXPECT_EQ(p.Get("S", "k", "0"), "мин №5");
  EXPECT_EQ(p.Get("S", "missing", "0"), "0");
}

TEST(ProfileWrite, ChangesOnlyTheKeyAndKeepsEverythingElse) {
  struct Case {
    std::string before;
    const char* section;
    const char* key;
    std::string value;
    std::string after;
  };
  const Case cases[] = {
      // replaced in place, the file's spelling of the key kept
      {"[A]\r\nx=1\r\n[S]\r\n; note\r\n k = old \r\nz=9\r\n", "s", "K", "new",
       "[A]\r\nx=1\r\n[S]\r\n; note\r\nk=new\r\nz=9\r\n"},
      // appended after the section's last key, before the blank line
      {"[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n", "S", "c", "3", "[S]\r\na=1\r\nc=3\r\n\r\n[T]\r\nb=2\r\n"},
      {"[S]\r\n[T]\r\n", "S", "c", "3", "[S]\r\nc=3\r\n[T]\r\n"},
      // a missing section goes to the end, after a last line without a line end
      {"[T]\r\nb=2", "S", "c", "3", "[T]\r\nb=2\r\n[S]\r\nc=3\r\n"},
      {"", "MessageLength", "1", "5", "[MessageLength]\r\n1=5\r\n"},
      // LF and CR files come out with CRLF
      {"[S]\nx=1\n; c\n", "S", "x", "2", "[S]\r\nx=2\r\n; c\r\n"},
      {"[S]\rx=1\r\r", "S", "y", "2", "[S]\r\nx=1\r\ny=2\r\n\r\n"},
      // the first of duplicate keys is the key
      {"[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3", "[S]\r\nk=3\r\nk=2\r\n"},
      // lines of other content stay byte for byte
      {"\0\xFF garbage\r\n[S]\r\nno equals\r\nk=1\r\n"s, "S", "k", "2",
       "\0\xFF garbage\r\n[S]\r\nno equals\r\nk=2\r\n"s},
      // a line break in the value cannot split the line
      {"[S]\r\n", "S", "k", "a\r\nb\nc", "[S]\r\nk=a  b c\r\n"},
      {"[S]\r\n", "S", "k", " padded ", "[S]\r\nk= padded \r\n"},
  };
  for (const auto& c : cases) {
    Profile p;
    p.Parse(c.before);
    ASSERT_TRUE(p.SetBytes(c.section, c.key, c.value)) << c.before;
    EXPECT_EQ(p.ToBytes(), c.after) << c.before;
  }
}

TEST(ProfileWrite, WrittenValueReadsBack) {
  Profile p;
  p.Parse("[S]\r\nk=1\r\n");
  ASSERT_TRUE(p.Set("S", "k", "мин"));
  EXPECT_EQ(p.ToBytes(), "[S]\r\nk=\xEC\xE8\xED\r\n");
  EXPECT_EQ(p.Get("S", "K", ""), "мин");
  ASSERT_TRUE(p.Set("S", "n", "a\nb"));
  EXPECT_EQ(p.Get("s", "n", ""), "a b");
}

TEST(ProfileWrite, RefusesNamesTheFormatCannotHold) {
  const std::pair<const char*, const char*> names[] = {
      {"", "k"}, {"S", ""}, {" S", "k"}, {"S", "k "}, {"S]", "k"}, {"S", "a=b"}, {"S", "[k"}, {"S", "a\nb"}, {"S\r", "k"},
  };
  for (const auto& [section, key] : names) {
    Profile p;
    p.Parse("[S]\r\nk=1\r\n");
    EXPECT_FALSE(p.SetBytes(section, key, "v")) << section << "/" << key;
    EXPECT_EQ(p.ToBytes(), "[S]\r\nk=1\r\n");
  }
}

TEST(ProfileWrite, ManyKeysAfterOneLoadLandInOrder) {
  Profile p;
  p.Parse("[Other]\r\nx=1\r\n[S]\r\n3=old\r\n");
  for (int i = 1; i <= 5; ++i) ASSERT_TRUE(p.Set("S", std::to_string(i), std::to_string(i * 10)));
  EXPECT_EQ(p.ToBytes(), "[Other]\r\nx=1\r\n[S]\r\n3=30\r\n1=10\r\n2=20\r\n4=40\r\n5=50\r\n");
}

TEST(ProfileWrite, LongLinesAndLargeFilesSurvive) {
  std::string longValue(1 << 20, 'x');
  longValue[12345] = '\xFF';
  std::string file = "[S]\r\nlong=" + longValue + "\r\n";
  for (int i = 0; i < 100000; ++i) file += "k" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  Profile p;
  p.Parse(file);
  EXPECT_EQ(p.FindBytes("S", "long"), longValue);
  EXPECT_EQ(p.FindBytes("S", "K99999"), "99999");
  ASSERT_TRUE(p.SetBytes("S", "k50000", "changed"));
  std::string expected = file;
  expected.replace(expected.find("k50000=50000"), 12, "k50000=changed");
  EXPECT_EQ(p.ToBytes(), expected);
}

class ProfileFile : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(ProfileFile, MissingFileReadsAsDefaultAndWriteCreatesIt) {
  const auto path = dir / "p.ini";
  EXPECT_EQ(ReadProfileString(path, "S", "k", "0"), "0");
  ASSERT_TRUE(WriteProfileString(path, "S", "k", "5"));
  ASSERT_TRUE(WriteProfileString(path, "S", "j", "6"));
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=5\r\nj=6\r\n");
  EXPECT_EQ(ReadProfileString(path, "s", "J", "0"), "6");
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST_F(ProfileFile, SaveKeepsOtherSectionsByteForByte) {
  const auto path = dir / "p.ini";
  const std::string other = "; made by hand\r\n[Other]\r\nName=\xCF\xF0\xEE\xE5\xEA\xF2\r\n\r\n";
  WriteBytes(path, other + "[MessageLength]\r\n1=3\r\n");
  ASSERT_TRUE(WriteProfileStrings(path, "MessageLength", {{"1", "7"}, {"2", "8"}}));
  EXPECT_EQ(ReadBytes(path), other + "[MessageLength]\r\n1=7\r\n2=8\r\n");
}

TEST_F(ProfileFile, DirectoryReadsAsMissingAndIsNeverWrittenOver) {
  const auto path = dir / "d.ini";
  std::filesystem::create_directory(path);
  Profile p;
  EXPECT_EQ(p.Load(path), Profile::LoadResult::Unreadable);
  EXPECT_EQ(ReadProfileString(path, "S", "k", "0"), "0");
  EXPECT_FALSE(WriteProfileString(path, "S", "k", "5"));
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST_F(ProfileFile, PipeIsNotWaitedOn) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no named pipes in the file system";
#else
  const auto path = dir / "fifo.ini";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(ReadProfileString(path, "S", "k", "0"), "0");
  EXPECT_FALSE(WriteProfileString(path, "S", "k", "5"));
#endif
}

TEST_F(ProfileFile, UnreadableFileIsNotReplaced) {
  const auto path = dir / "locked.ini";
  WriteBytes(path, "[Keep]\r\nx=1\r\n");
  tesra::test::ReadBarrier barrier(path);
  if (!barrier.Effective()) GTEST_SKIP() << "permissions do not stop root";
  EXPECT_EQ(ReadProfileString(path, "Keep", "x", "0"), "0");
  EXPECT_FALSE(WriteProfileString(path, "S", "k", "5"));
  barrier.Release();
  EXPECT_EQ(ReadBytes(path), "[Keep]\r\nx=1\r\n");
}

TEST_F(ProfileFile, OversizedFileIsNotLoadedNorReplaced) {
  const auto path = dir / "big.ini";
  WriteBytes(path, "[S]\r\nk=1\r\n");
  std::filesystem::resize_file(path, Profile::kMaxFileSize + 1);  // sparse: costs no disk
  EXPECT_EQ(ReadProfileString(path, "S", "k", "0"), "0");
  EXPECT_FALSE(WriteProfileString(path, "S", "k", "5"));
  EXPECT_EQ(std::filesystem::file_size(path), Profile::kMaxFileSize + 1);
}

TEST_F(ProfileFile, ZeroByteFile) {
  const auto path = dir / "empty.ini";
  WriteBytes(path, "");
  Profile p;
  EXPECT_EQ(p.Load(path), Profile::LoadResult::Loaded);
  EXPECT_EQ(p.GetBytes("S", "k", "0"), "0");
  ASSERT_TRUE(WriteProfileString(path, "S", "k", "1"));
  EXPECT_EQ(ReadBytes(path), "[S]\r\nk=1\r\n");
}
