#include "tools/controller-emulator/Controller.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace emu {

using namespace std::chrono;

namespace {
constexpr std::uint8_t kProbeNak = 0x5A;
constexpr std::uint8_t kXoff = 0x13;
constexpr std::size_t kMaxRandomChunk = 20;

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> f) {
  f.push_back(tesra::Crc8(f.data(), f.size()));
  return f;
}

std::vector<std::uint8_t> BlockReply(std::uint8_t command, unsigned address, const std::uint8_t* data) {
  std::vector<std::uint8_t> f{0x00, 0x01, static_cast<std::uint8_t>(tesra::kReplySize - 1), command,
                              static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF)};
  f.insert(f.end(), data, data + tesra::kBlockSize);
  return WithCrc(std::move(f));
}

bool Fits(unsigned address) { return address <= tesra::kImageSize - tesra::kBlockSize; }
}  // namespace

bool LoadMemory(const std::string& path, Memory& m, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return error = "cannot open " + path, false;
  m.fill(0);
  in.read(reinterpret_cast<char*>(m.data()), static_cast<std::streamsize>(m.size()));
  if (in.bad()) return error = "cannot read " + path, false;
  return true;
}

bool SaveMemory(const std::string& path, const Memory& m, std::string& error) {
  // Through a temporary file, so a reader never sees half a memory.
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(m.data()), static_cast<std::streamsize>(m.size()));
    out.flush();
    if (!out) return error = "cannot write " + tmp, false;
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return error = "cannot replace " + path, false;
  }
  return true;
}

Controller::Controller(const Options& o, const Memory& initial)
    : o_(o),
      mem_(initial),
      played_(o.blockFaults.size(), 0),
      garbageRng_(o.garbageSeed),
      chunkRng_(o.randomChunksSeed.value_or(0)) {}

bool Controller::Plays(BlockFault::Kind kind, unsigned address) {
  bool plays = false;
  for (std::size_t i = 0; i < o_.blockFaults.size(); ++i) {
    const auto& f = o_.blockFaults[i];
    if (f.kind != kind || f.address != address || (f.count != 0 && played_[i] >= f.count)) continue;
    ++played_[i];
    plays = true;
  }
  return plays;
}

unsigned Controller::LateMs(unsigned address) const {
  unsigned ms = 0;
  for (const auto& f : o_.blockFaults)
    if (f.kind == BlockFault::Kind::Late && f.address == address) ms = std::max(ms, f.lateMs);
  return ms;
}

std::vector<std::uint8_t> Controller::Garbage(std::size_t n) {
  std::vector<std::uint8_t> g(n);
  for (auto& b : g) b = static_cast<std::uint8_t>(garbageRng_() >> 24);
  return g;
}

void Controller::AddBursts(Plan& p, GarbageBurst::When when, unsigned n) {
  for (const auto& b : o_.bursts) {
    if (b.when != when || (b.n != 0 && b.n != n)) continue;
    Segment s;
    s.bytes = Garbage(b.bytes);
    s.pauseBefore = milliseconds(b.delayMs);
    p.segments.push_back(std::move(s));
    p.note += " +garbage " + std::to_string(b.bytes);
  }
}

std::vector<std::size_t> Controller::ChunkSizes(std::size_t total) {
  if (!o_.randomChunksSeed) return o_.chunks;
  std::vector<std::size_t> sizes;
  std::uniform_int_distribution<std::size_t> d(1, kMaxRandomChunk);
  for (std::size_t sum = 0; sum < total;) {
    sizes.push_back(d(chunkRng_));
    sum += sizes.back();
  }
  return sizes;
}

void Controller::AddReply(Plan& p, const std::vector<std::uint8_t>& reply, unsigned dataReply) {
  const auto gap = milliseconds(o_.chunkGapMs);
  const auto first = milliseconds(o_.delayMs);
  const bool mid = dataReply > 0 && std::any_of(o_.bursts.begin(), o_.bursts.end(), [&](const GarbageBurst& b) {
                     return b.when == GarbageBurst::When::Mid && b.n == dataReply;
                   });
  if (mid) {
    const std::vector<std::uint8_t> head(reply.begin(), reply.begin() + reply.size() / 2);
    const std::vector<std::uint8_t> tail(reply.begin() + reply.size() / 2, reply.end());
    for (auto& s : Chunked(head, ChunkSizes(head.size()), first, gap)) p.segments.push_back(std::move(s));
    AddBursts(p, GarbageBurst::When::Mid, dataReply);
    for (auto& s : Chunked(tail, ChunkSizes(tail.size()), gap, gap)) p.segments.push_back(std::move(s));
  } else {
    for (auto& s : Chunked(reply, ChunkSizes(reply.size()), first, gap)) p.segments.push_back(std::move(s));
  }
  if (o_.xoffAfter && *o_.xoffAfter == dataReply) {
    Segment s;
    s.bytes = {kXoff};
    s.after = Segment::After::StopReading;
    p.segments.push_back(std::move(s));
    p.note += " +XOFF";
  }
  if (o_.vanishAfter && *o_.vanishAfter == dataReply) {
    Segment s;
    s.after = Segment::After::Vanish;
    p.segments.push_back(std::move(s));
    vanished_ = true;
    p.note += " +vanish";
  }
}

Controller::Plan Controller::OnStart() {
  Plan p;
  AddBursts(p, GarbageBurst::When::Start, 0);
  return p;
}

Controller::Plan Controller::OnOpen() {
  Plan p;
  AddBursts(p, GarbageBurst::When::Open, 0);
  return p;
}

Controller::Plan Controller::OnFrame(const Frame& f) {
  Plan p;
  if (o_.silent || vanished_) {
    p.note = "not answered";
    return p;
  }
  if (f.kind == Frame::Kind::Probe) {
    std::vector<std::uint8_t> reply;
    if (o_.probeShort)
      reply = {0x00, 0x01, 0x04};
    else
      reply = WithCrc({0x00, 0x01, 0x04, o_.probeNak ? kProbeNak : tesra::ProbeAck});
    AddReply(p, reply, 0);
    AddBursts(p, GarbageBurst::When::Probe, 0);
    return p;
  }
  if (!Fits(f.address)) {
    p.note = "address beyond the memory, not answered";
    return p;
  }
  const unsigned n = ++dataReplies_;
  using K = BlockFault::Kind;
  const bool write = f.kind == Frame::Kind::Write;
  auto plays = [&](K kind) { return (write || !o_.faultsOnWritesOnly) && Plays(kind, f.address); };
  if (write) std::copy(f.data.begin(), f.data.end(), mem_.begin() + f.address);
  if (plays(K::Withheld)) {
    p.note += " withheld";
    p.save = write && f.address == tesra::kLastBlockAddress;
    return p;
  }
  unsigned address =
      o_.wrongAddress && (o_.wrongAddressNth == 0 || o_.wrongAddressNth == n) ? *o_.wrongAddress : f.address;
  if (plays(K::WrongAddress)) address = (f.address + 0x100) & 0xFFFF;
  std::array<std::uint8_t, tesra::kBlockSize> data;
  std::copy_n(mem_.begin() + f.address, data.size(), data.begin());
  if (write && plays(K::ChangedEcho)) {
    data[0] ^= 0xFF;
    p.note += " echo corrupted";
  }
  if (write && plays(K::StoredDifferently)) {
    mem_[f.address] ^= 0xFF;  // the echo above keeps what was sent
    p.note += " stored differently";
  }
  std::vector<std::uint8_t> reply = BlockReply(write ? tesra::CmdWrite : tesra::CmdRead, address, data.data());
  if (plays(K::BadCrc) || (o_.damageEvery != 0 && n % o_.damageEvery == 0)) {
    reply[6] ^= 0x01;  // after the CRC-8: a bit flipped on the line
    p.note += " bad CRC";
  }
  if (plays(K::Stray)) {
    reply.insert(reply.begin(), {0xFF, 0x00, 0x55, 0xAA});
    p.note += " stray bytes";
  }
  p.save = write && f.address == tesra::kLastBlockAddress;
  if (address != f.address) p.note += " address changed";
  AddBursts(p, GarbageBurst::When::Reply, n);
  if (plays(K::Late)) {
    const unsigned late = LateMs(f.address);
    // A slow controller: what follows waits behind the second half.
    const std::vector<std::uint8_t> head(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(reply.size() / 2));
    AddReply(p, head, n);
    Segment tail;
    tail.bytes.assign(reply.begin() + static_cast<std::ptrdiff_t>(reply.size() / 2), reply.end());
    tail.pauseBefore = milliseconds(late);
    p.segments.push_back(std::move(tail));
    p.note += " late " + std::to_string(late) + " ms";
    return p;
  }
  AddReply(p, reply, n);
  return p;
}

}  // namespace emu
