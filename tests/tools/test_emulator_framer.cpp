// How the emulator frames what the program sends: frames split over reads,
// run together, behind noise, or damaged.
#include <gtest/gtest.h>

#include "tools/controller-emulator/Framer.h"

namespace emu {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Query(unsigned a) {
  tesra::ReadQueryBuffer q;
  q.Fill(a);
  return Bytes(q.bytes().begin(), q.bytes().end());
}
Bytes Write(unsigned a, std::uint8_t fill) {
  tesra::ConfigImage image;
  image.bytes.fill(fill);
  tesra::WriteBlockBuffer w;
  w.Fill(a, image);
  return Bytes(w.bytes().begin(), w.bytes().end());
}
const Bytes kProbe = {0x00, 0x01, 0x04, 0x55, 0x74};

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
Bytes Damaged(Bytes b, std::size_t at) {
  b[at] ^= 0x10;
  return b;
}

std::string Describe(const Frame& f) {
  static const char* kinds[] = {"probe", "read", "write"};
  std::string s = kinds[static_cast<int>(f.kind)];
  if (f.kind != Frame::Kind::Probe) s += "@" + std::to_string(f.address);
  if (f.kind == Frame::Kind::Write) s += "=" + std::to_string(f.data[0]);
  return s;
}

TEST(EmulatorFramer, FramesOutOfAnyStream) {
  struct Case {
    const char* name;
    Bytes stream;
    std::vector<std::string> frames;
  } cases[] = {
      {"probe", kProbe, {"probe"}},
      {"three run together", Cat({kProbe, Query(0x20), Write(0x1E0, 7)}), {"probe", "read@32", "write@480=7"}},
      {"noise in front", Cat({{0xFF, 0x00, 0x7E, 0x01}, Query(0x40)}), {"read@64"}},
      {"bad CRC dropped", Cat({Damaged(Query(0x40), 6), Query(0x60)}), {"read@96"}},
      {"damaged data dropped", Cat({Damaged(Write(0x00, 1), 20), Write(0x20, 2)}), {"write@32=2"}},
      {"unknown length", Cat({{0x00, 0x01, 0x05, 0x55, 0x00, 0x00}, kProbe}), {"probe"}},
      {"length and command disagree", Cat({{0x00, 0x01, 0x06, 0x55, 0x00, 0x00, 0x00}, kProbe}), {"probe"}},
      // A false write-block start swallows the probe's bytes unless a complete
      // frame behind it is looked for.
      {"false start before a probe", Cat({{0x00, 0x01, 0x26, 0x44, 0x01}, kProbe}), {"probe"}},
      {"zeros only", Bytes(100, 0x00), {}},
      {"prefix run", Cat({Bytes(10, 0x00), {0x01, 0x01}, kProbe}), {"probe"}},
  };
  for (const auto& c : cases) {
    // Whole, and one byte per read, the way a slow line delivers it.
    for (bool bytewise : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (bytewise ? " bytewise" : ""));
      Framer fr;
      std::vector<std::string> got;
      auto drain = [&] {
        while (auto f = fr.Next()) got.push_back(Describe(*f));
      };
      if (bytewise) {
        for (auto b : c.stream) {
          fr.Feed(&b, 1);
          drain();
        }
      } else {
        fr.Feed(c.stream.data(), c.stream.size());
        drain();
      }
      EXPECT_EQ(got, c.frames);
    }
  }
}

TEST(EmulatorFramer, SkippedBytesAreCountedAndClearForgetsAPartialFrame) {
  Framer fr;
  const Bytes noise = {0x11, 0x22, 0x33};
  fr.Feed(noise.data(), noise.size());
  const Bytes q = Query(0x20);
  fr.Feed(q.data(), 4);
  EXPECT_FALSE(fr.Next());
  EXPECT_EQ(fr.TakeSkipped(), 3u);
  fr.Clear();
  fr.Feed(q.data() + 4, q.size() - 4);
  EXPECT_FALSE(fr.Next());
  fr.Feed(kProbe.data(), kProbe.size());
  const auto f = fr.Next();
  ASSERT_TRUE(f);
  EXPECT_EQ(f->kind, Frame::Kind::Probe);
  EXPECT_EQ(f->raw, kProbe);
}

}  // namespace
}  // namespace emu
