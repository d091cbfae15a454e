// The controller emulator binary on its pty, driven as the program drives a
// controller: probe, block reads and writes, and every fault it offers.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "link/Frames.h"
#include "tests/tools/EmulatorProcess.h"

namespace emutest {
namespace {

namespace fs = std::filesystem;

const Bytes kProbe = {0x00, 0x01, 0x04, 0x55, 0x74};
constexpr unsigned kBlocks = tesra::kImageSize / tesra::kBlockSize;

Bytes ReadQuery(unsigned address) {
  tesra::ReadQueryBuffer q;
  q.Fill(address);
  return Bytes(q.bytes().begin(), q.bytes().end());
}

Bytes WriteBlock(unsigned address, const tesra::ConfigImage& image) {
  tesra::WriteBlockBuffer w;
  w.Fill(address, image);
  return Bytes(w.bytes().begin(), w.bytes().end());
}

Bytes Block(const Bytes& reply) { return Bytes(reply.begin() + 6, reply.begin() + 38); }
Bytes Slice(const Bytes& b, unsigned at) { return Bytes(b.begin() + at, b.begin() + at + tesra::kBlockSize); }

bool CrcOk(const Bytes& f) { return !f.empty() && tesra::Crc8(f.data(), f.size() - 1) == f.back(); }

Bytes Pattern(std::size_t n, unsigned seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return b;
}

class TempDir {
 public:
  TempDir() {
    char t[] = "/tmp/tesra-emu-test.XXXXXX";
    path_ = ::mkdtemp(t);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const Bytes& b) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads all 16 blocks the way the program does; the memory they return.
Bytes ReadAll(Port& port) {
  Bytes mem;
  for (unsigned a = 0; a < tesra::kImageSize; a += tesra::kBlockSize) {
    EXPECT_TRUE(port.Write(ReadQuery(a)));
    const Bytes r = port.Read(tesra::kReplySize);
    if (r.size() != tesra::kReplySize) {
      ADD_FAILURE() << "short reply at " << a;
      return {};
    }
    EXPECT_EQ(tesra::ReplyAddress(r.data()), a);
    EXPECT_EQ(r[3], tesra::CmdRead);
    EXPECT_TRUE(CrcOk(r));
    const Bytes b = Block(r);
    mem.insert(mem.end(), b.begin(), b.end());
  }
  return mem;
}

TEST(ControllerEmulator, ProbeReplyPerOption) {
  struct Case {
    std::vector<std::string> args;
    std::size_t length;
    bool ack;
  } cases[] = {
      {{}, 5, true},
      {{"--probe-nak"}, 5, false},
      {{"--probe-short"}, 3, false},
      {{"--delay", "30", "--baud", "9600"}, 5, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "plain" : c.args[0]);
    EmulatorProcess emu(c.args);
    ASSERT_FALSE(emu.path().empty());
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.Write(kProbe));
    const Bytes r = port.Read(c.length);
    ASSERT_EQ(r.size(), c.length);
    EXPECT_EQ(tesra::IsProbeAck(r.data(), r.size()), c.ack);
    EXPECT_EQ(r[0], 0x00);
    EXPECT_EQ(r[1], 0x01);
    if (c.length == 5) {
      EXPECT_TRUE(CrcOk(r));
    }
    EXPECT_EQ(emu.Stop(), 0);
  }
}

TEST(ControllerEmulator, FullReadReturnsTheLoadedMemory) {
  struct Case {
    const char* name;
    std::size_t fileSize;
  } cases[] = {{"exact", 512}, {"short file, rest zero", 100}, {"long file, first 512", 600}, {"empty", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const Bytes file = Pattern(c.fileSize, 3);
    WriteFile(dir.File("m.usr"), file);
    Bytes expected(tesra::kImageSize, 0);
    std::copy_n(file.begin(), std::min(file.size(), expected.size()), expected.begin());

    EmulatorProcess emu({"--memory", dir.File("m.usr")});
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    EXPECT_EQ(ReadAll(port), expected);
  }
}

TEST(ControllerEmulator, WrittenBlocksAreEchoedReadBackAndSaved) {
  TempDir dir;
  WriteFile(dir.File("m.usr"), Pattern(512, 1));
  EmulatorProcess emu({"--memory", dir.File("m.usr"), "--save-on-exit"});
  Port port(emu.path());
  ASSERT_TRUE(port.ok());

  tesra::ConfigImage image;
  const Bytes written = Pattern(512, 99);
  std::copy(written.begin(), written.end(), image.bytes.begin());
  for (unsigned a = 0; a < tesra::kImageSize; a += tesra::kBlockSize) {
    ASSERT_TRUE(port.Write(WriteBlock(a, image)));
    const Bytes echo = port.Read(tesra::kReplySize);
    ASSERT_EQ(echo.size(), tesra::kReplySize);
    EXPECT_EQ(tesra::ReplyAddress(echo.data()), a);
    EXPECT_EQ(echo[3], tesra::CmdWrite);
    EXPECT_TRUE(CrcOk(echo));
    EXPECT_EQ(Block(echo), Slice(written, a));
  }
  // The last echo goes out only after a complete write sequence is saved.
  EXPECT_EQ(ReadFile(dir.File("m.usr")), written);
  EXPECT_EQ(ReadAll(port), written);
}

TEST(ControllerEmulator, MemoryIsSavedOnExit) {
  TempDir dir;
  EmulatorProcess emu({"--save", dir.File("out.usr")});
  Port port(emu.path());
  ASSERT_TRUE(port.ok());
  tesra::ConfigImage image;
  image[0x40] = 0xA5;
  image[0x5F] = 0x5A;
  ASSERT_TRUE(port.Write(WriteBlock(0x40, image)));
  ASSERT_EQ(port.Read(tesra::kReplySize).size(), tesra::kReplySize);
  EXPECT_FALSE(fs::exists(dir.File("out.usr")));  // one block is no complete write sequence
  EXPECT_EQ(emu.Stop(), 0);
  EXPECT_EQ(ReadFile(dir.File("out.usr")), Bytes(image.bytes.begin(), image.bytes.end()));
}

TEST(ControllerEmulator, RepliesArriveInTheChunksAsked) {
  {
    EmulatorProcess emu({"--chunks", "20,19", "--chunk-gap", "50"});
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    for (unsigned a : {0x000u, 0x1E0u}) {
      ASSERT_TRUE(port.Write(ReadQuery(a)));
      const auto chunks = port.ReadChunks(tesra::kReplySize);
      ASSERT_EQ(chunks.size(), 2u);
      EXPECT_EQ(chunks[0].size(), 20u);
      EXPECT_EQ(chunks[1].size(), 19u);
    }
  }
  {
    // Random sizes stay within 1..20, so a reply comes in two chunks at least.
    TempDir dir;
    WriteFile(dir.File("m.usr"), Pattern(512, 5));
    EmulatorProcess emu({"--random-chunks", "7", "--chunk-gap", "5", "--memory", dir.File("m.usr")});
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.Write(ReadQuery(0x100)));
    const auto chunks = port.ReadChunks(tesra::kReplySize);
    EXPECT_GE(chunks.size(), 2u);
    Bytes r;
    for (const auto& c : chunks) r.insert(r.end(), c.begin(), c.end());
    ASSERT_EQ(r.size(), tesra::kReplySize);
    EXPECT_EQ(Block(r), Slice(Pattern(512, 5), 0x100));
  }
}

TEST(ControllerEmulator, CorruptEchoDiffersInOneByteAndMemoryKeepsTheBlock) {
  for (const char* a : {"0x40", "64"}) {
    SCOPED_TRACE(a);
    EmulatorProcess emu({"--corrupt-echo-block", a});
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    tesra::ConfigImage image;
    const Bytes data = Pattern(512, 11);
    std::copy(data.begin(), data.end(), image.bytes.begin());
    for (unsigned addr : {0x20u, 0x40u, 0x60u}) {
      ASSERT_TRUE(port.Write(WriteBlock(addr, image)));
      const Bytes echo = port.Read(tesra::kReplySize);
      ASSERT_EQ(echo.size(), tesra::kReplySize);
      const Bytes got = Block(echo), want = Slice(data, addr);
      int differing = 0;
      for (std::size_t i = 0; i < got.size(); ++i) differing += got[i] != want[i];
      EXPECT_EQ(differing, addr == 0x40 ? 1 : 0) << "block " << addr;
    }
    ASSERT_TRUE(port.Write(ReadQuery(0x40)));
    EXPECT_EQ(Block(port.Read(tesra::kReplySize)), Slice(data, 0x40));
  }
}

// What only a read-back shows: the echo repeats the block, the memory holds
// another; and block faults that leave read replies alone.
TEST(ControllerEmulator, StoredDifferentlyAndFaultsOnWritesOnly) {
  tesra::ConfigImage image;
  const Bytes data = Pattern(512, 11);
  std::copy(data.begin(), data.end(), image.bytes.begin());
  {
    EmulatorProcess emu({"--store-differently", "0x40"});
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    for (unsigned addr : {0x20u, 0x40u}) {
      ASSERT_TRUE(port.Write(WriteBlock(addr, image)));
      EXPECT_EQ(Block(port.Read(tesra::kReplySize)), Slice(data, addr)) << "echo of " << addr;
    }
    ASSERT_TRUE(port.Write(ReadQuery(0x40)));
    Bytes want = Slice(data, 0x40);
    want[0] ^= 0xFF;
    EXPECT_EQ(Block(port.Read(tesra::kReplySize)), want);
    ASSERT_TRUE(port.Write(ReadQuery(0x20)));
    EXPECT_EQ(Block(port.Read(tesra::kReplySize)), Slice(data, 0x20));
  }
  {
    EmulatorProcess emu({"--reply-withheld", "0x40", "--faults-on-writes-only"});
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.Write(ReadQuery(0x40)));
    EXPECT_EQ(port.Read(tesra::kReplySize).size(), tesra::kReplySize) << "a read is answered";
    ASSERT_TRUE(port.Write(WriteBlock(0x40, image)));
    EXPECT_TRUE(port.Read(tesra::kReplySize, 300).empty()) << "a write is not";
  }
  std::string help;
  if (FILE* p = ::popen((std::string(CONTROLLER_EMULATOR) + " --help 2>&1").c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) help.append(buf, n);
    ::pclose(p);
  }
  EXPECT_NE(help.find("--store-differently A[:N]"), std::string::npos);
  EXPECT_NE(help.find("--faults-on-writes-only"), std::string::npos);
}

TEST(ControllerEmulator, WrongAddressInTheRepliesAsked) {
  struct Case {
    const char* option;
    std::vector<unsigned> expected;  // addresses of the replies to 0x000, 0x020, 0x040
  } cases[] = {
      {"0x100", {0x100, 0x100, 0x100}},
      {"0x100@2", {0x000, 0x100, 0x040}},
      {"0xFFFF@1", {0xFFFF, 0x020, 0x040}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    TempDir dir;
    WriteFile(dir.File("m.usr"), Pattern(512, 9));
    EmulatorProcess emu({"--wrong-address", c.option, "--memory", dir.File("m.usr")});
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    for (unsigned i = 0; i < 3; ++i) {
      ASSERT_TRUE(port.Write(ReadQuery(i * 32)));
      const Bytes r = port.Read(tesra::kReplySize);
      ASSERT_EQ(r.size(), tesra::kReplySize);
      EXPECT_EQ(tesra::ReplyAddress(r.data()), c.expected[i]);
      EXPECT_EQ(Block(r), Slice(Pattern(512, 9), i * 32));
    }
  }
}

// Each fault of one block plays its count, then the block is answered
// normally; other blocks are never touched. Read replies and write echoes alike.
TEST(ControllerEmulator, BlockFaultsPlayTheirCountThenAnswerNormally) {
  enum class Seen { Clean, WrongAddress, BadCrc, Stray, Nothing, ChangedEcho };
  struct Case { const char* option; Seen seen; bool readToo; };
  const Case cases[] = {
      {"--reply-wrong-address", Seen::WrongAddress, true},
      {"--reply-bad-crc", Seen::BadCrc, true},
      {"--reply-stray", Seen::Stray, true},
      {"--reply-withheld", Seen::Nothing, true},
      {"--corrupt-echo-block", Seen::ChangedEcho, false},
  };
  const Bytes data = Pattern(512, 21);
  tesra::ConfigImage image;
  std::copy(data.begin(), data.end(), image.bytes.begin());
  for (const auto& c : cases) {
    for (bool write : {false, true}) {
      if (!write && !c.readToo) continue;
      SCOPED_TRACE(std::string(c.option) + (write ? " write" : " read"));
      TempDir dir;
      WriteFile(dir.File("m.usr"), data);
      EmulatorProcess emu({c.option, "0x40:2", "--memory", dir.File("m.usr")});
      Port port(emu.path());
      ASSERT_TRUE(port.ok());
      const struct { unsigned address; Seen want; } steps[] = {
          {0x40, c.seen}, {0x20, Seen::Clean}, {0x40, c.seen}, {0x40, Seen::Clean}};
      for (const auto& st : steps) {
        ASSERT_TRUE(port.Write(write ? WriteBlock(st.address, image) : ReadQuery(st.address)));
        const std::size_t want = st.want == Seen::Stray ? 43 : st.want == Seen::Nothing ? 0 : 39;
        const Bytes got = port.Read(want == 0 ? 1 : want, want == 0 ? 300 : kPatienceMs);
        ASSERT_EQ(got.size(), want) << st.address;
        if (want == 0) continue;
        const Bytes r(got.end() - 39, got.end());
        if (st.want == Seen::Stray) {
          EXPECT_EQ(Bytes(got.begin(), got.begin() + 4), (Bytes{0xFF, 0x00, 0x55, 0xAA}));
        }
        EXPECT_EQ(tesra::ReplyAddress(r.data()), st.want == Seen::WrongAddress ? st.address + 0x100 : st.address);
        EXPECT_EQ(CrcOk(r), st.want != Seen::BadCrc) << st.address;
        Bytes block = Slice(data, st.address);
        if (st.want == Seen::BadCrc) block[0] ^= 0x01;
        if (st.want == Seen::ChangedEcho) block[0] ^= 0xFF;
        EXPECT_EQ(Block(r), block) << st.address;
      }
    }
  }
}

TEST(ControllerEmulator, DamageEveryNthReply) {
  EmulatorProcess emu({"--damage-every", "3"});
  Port port(emu.path());
  ASSERT_TRUE(port.ok());
  for (unsigned i = 1; i <= 6; ++i) {
    ASSERT_TRUE(port.Write(ReadQuery(0x20)));
    const Bytes r = port.Read(tesra::kReplySize);
    ASSERT_EQ(r.size(), tesra::kReplySize);
    EXPECT_EQ(CrcOk(r), i % 3 != 0) << i;
  }
}

TEST(ControllerEmulator, VanishesAfterTheGivenReplyAndRemovesItsLink) {
  TempDir dir;
  EmulatorProcess emu({"--vanish-after", "2", "--link-dir", dir.path(), "--port", "3"});
  ASSERT_FALSE(emu.path().empty());
  EXPECT_EQ(fs::read_symlink(dir.File("COM3")), emu.path());
  Port port(dir.File("COM3"));
  ASSERT_TRUE(port.ok());
  ASSERT_TRUE(port.Write(kProbe));
  ASSERT_EQ(port.Read(5).size(), 5u);
  for (unsigned a : {0x00u, 0x20u}) {
    ASSERT_TRUE(port.Write(ReadQuery(a)));
    EXPECT_EQ(port.Read(tesra::kReplySize).size(), tesra::kReplySize);
  }
  EXPECT_TRUE(port.Read(tesra::kReplySize).empty());
  EXPECT_TRUE(port.hungUp());
  EXPECT_EQ(emu.WaitExit(), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir.File("COM3"))));
}

TEST(ControllerEmulator, EachOpenStartsCleanEvenAfterAnExclusiveOpen) {
  EmulatorProcess emu({}, true);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    ::ioctl(port.fd(), TIOCEXCL);
    ASSERT_TRUE(port.Write(kProbe));
    // The reply is left unread: the next open must not find it.
    pollfd f{port.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&f, 1, kPatienceMs), 1);
    port.Close();
    // A reopen faster than the emulator can react would meet bytes still on
    // their way, as on a real line.
    ASSERT_TRUE(emu.WaitForLog("port closed"));
  }
  Port port(emu.path());
  ASSERT_TRUE(port.ok());
  ASSERT_TRUE(port.Write(ReadQuery(0x20)));
  const Bytes r = port.Read(tesra::kReplySize);
  ASSERT_EQ(r.size(), tesra::kReplySize);
  EXPECT_EQ(r[3], tesra::CmdRead);
  EXPECT_EQ(tesra::ReplyAddress(r.data()), 0x20u);
}

TEST(ControllerEmulator, FindsFramesInNoise) {
  EmulatorProcess emu({});
  Port port(emu.path());
  ASSERT_TRUE(port.ok());
  Bytes noise = {0xFF, 0x00, 0x00, 0x01, 0x26, 0x44, 0x01};  // a false start of a write block
  Bytes badCrc = ReadQuery(0x40);
  badCrc.back() ^= 0x01;
  Bytes stream = noise;
  stream.insert(stream.end(), badCrc.begin(), badCrc.end());
  stream.insert(stream.end(), kProbe.begin(), kProbe.end());
  const Bytes q = ReadQuery(0x60);
  stream.insert(stream.end(), q.begin(), q.end());
  ASSERT_TRUE(port.Write(stream));
  const Bytes r = port.Read(5 + tesra::kReplySize);
  ASSERT_EQ(r.size(), 5 + tesra::kReplySize);
  EXPECT_TRUE(tesra::IsProbeAck(r.data(), 5));
  EXPECT_EQ(tesra::ReplyAddress(r.data() + 5), 0x60u);
}

TEST(ControllerEmulator, GarbageBurstsComeWhereAsked) {
  struct Case {
    const char* option;
    std::size_t beforeReply;  // garbage bytes ahead of the read reply
    std::size_t insideReply;  // garbage bytes between its halves
  } cases[] = {
      {"300@probe", 0, 0},
      {"300@reply:1", 300, 0},
      {"300@mid:1", 0, 300},
      {"300@reply:2", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.option);
    EmulatorProcess emu({"--garbage-burst", c.option});
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.Write(kProbe));
    const std::size_t afterProbe = std::string(c.option).ends_with("probe") ? 300 : 0;
    const Bytes p = port.Read(5 + afterProbe);
    ASSERT_EQ(p.size(), 5 + afterProbe);
    EXPECT_TRUE(tesra::IsProbeAck(p.data(), 5));
    ASSERT_TRUE(port.Write(ReadQuery(0x20)));
    const Bytes r = port.Read(c.beforeReply + c.insideReply + tesra::kReplySize);
    ASSERT_EQ(r.size(), c.beforeReply + c.insideReply + tesra::kReplySize);
    Bytes reply(r.begin() + c.beforeReply, r.begin() + c.beforeReply + 19);
    reply.insert(reply.end(), r.begin() + c.beforeReply + 19 + c.insideReply, r.end());
    EXPECT_EQ(tesra::ReplyAddress(reply.data()), 0x20u);
    EXPECT_TRUE(CrcOk(reply));
  }
}

TEST(ControllerEmulator, XoffHoldsTheLineUntilXon) {
  struct Case {
    std::vector<std::string> args;
    bool resumes;
  } cases[] = {{{"--xoff-after", "1"}, false}, {{"--xoff-after", "1", "--xoff-for", "100"}, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.resumes);
    EmulatorProcess emu(c.args);
    Port port(emu.path());
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.Write(ReadQuery(0x00)));
    const Bytes r = port.Read(tesra::kReplySize + 1);
    ASSERT_EQ(r.size(), tesra::kReplySize + 1);
    EXPECT_EQ(r.back(), 0x13);
    ASSERT_TRUE(port.Write(ReadQuery(0x20)));
    if (c.resumes) {
      const Bytes after = port.Read(1 + tesra::kReplySize);
      ASSERT_EQ(after.size(), 1 + tesra::kReplySize);
      EXPECT_EQ(after[0], 0x11);
      EXPECT_EQ(tesra::ReplyAddress(after.data() + 1), 0x20u);
    } else {
      EXPECT_TRUE(port.Read(1, 300).empty());
    }
  }
}

TEST(ControllerEmulator, BadCommandLinesAreRefused) {
  const std::vector<std::vector<std::string>> cases = {
      {"--port", "3"},                  // without --link-dir
      {"--link-dir", "/tmp", "--port", "0"},
      {"--baud", "0"},
      {"--chunks", "20,,19"},
      {"--chunks", "0"},
      {"--wrong-address", "0x100@0"},
      {"--reply-bad-crc", "0x40:x"},
      {"--reply-withheld", "0x10000"},
      {"--garbage-burst", "10@later"},
      {"--save-on-exit"},               // without --memory
      {"--memory", "/nonexistent/m.usr"},
      {"--delay"},
      {"--frobnicate"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
    EmulatorProcess emu(args);
    EXPECT_TRUE(emu.path().empty());
    EXPECT_EQ(emu.WaitExit(), 2);
  }
}

}  // namespace
}  // namespace emutest
