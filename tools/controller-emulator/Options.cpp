#include "tools/controller-emulator/Options.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>

namespace emu {

namespace {

// Decimal, or hexadecimal with a 0x prefix (addresses are usually written so).
std::optional<std::uint64_t> ParseNumber(std::string_view s, std::uint64_t max) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    base = 16;
  }
  if (s.empty()) return std::nullopt;
  std::uint64_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (ec != std::errc() || end != s.data() + s.size() || v > max) return std::nullopt;
  return v;
}

std::optional<std::vector<std::size_t>> ParseSizes(std::string_view s) {
  std::vector<std::size_t> out;
  while (!s.empty()) {
    const auto comma = s.find(',');
    const auto v = ParseNumber(s.substr(0, comma), 65536);
    if (!v || *v == 0) return std::nullopt;
    out.push_back(static_cast<std::size_t>(*v));
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
    if (s.empty()) return std::nullopt;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

// BYTES[@WHEN[+MS]] with WHEN one of start, open, probe, reply:N, mid:N.
std::optional<GarbageBurst> ParseBurst(std::string_view s) {
  GarbageBurst b;
  const auto at = s.find('@');
  const auto bytes = ParseNumber(s.substr(0, at), 64u << 20);
  if (!bytes || *bytes == 0) return std::nullopt;
  b.bytes = static_cast<std::size_t>(*bytes);
  if (at == std::string_view::npos) return b;
  std::string_view when = s.substr(at + 1);
  if (const auto plus = when.find('+'); plus != std::string_view::npos) {
    const auto ms = ParseNumber(when.substr(plus + 1), 3600000);
    if (!ms) return std::nullopt;
    b.delayMs = static_cast<unsigned>(*ms);
    when = when.substr(0, plus);
  }
  auto counted = [&](std::string_view name, GarbageBurst::When w) -> bool {
    if (when.substr(0, name.size()) != name) return false;
    const auto n = ParseNumber(when.substr(name.size()), 1000000);
    if (!n || *n == 0) return false;
    b.when = w;
    b.n = static_cast<unsigned>(*n);
    return true;
  };
  if (when == "start") b.when = GarbageBurst::When::Start;
  else if (when == "open") b.when = GarbageBurst::When::Open;
  else if (when == "probe") b.when = GarbageBurst::When::Probe;
  else if (!counted("reply:", GarbageBurst::When::Reply) && !counted("mid:", GarbageBurst::When::Mid))
    return std::nullopt;
  return b;
}

// A[:N]: block address, and how many times (0 or none: every time).
std::optional<BlockFault> ParseBlockFault(std::string_view s, BlockFault::Kind kind) {
  BlockFault f;
  f.kind = kind;
  const auto colon = s.find(':');
  const auto a = ParseNumber(s.substr(0, colon), 0xFFFF);
  if (!a) return std::nullopt;
  f.address = static_cast<unsigned>(*a);
  if (colon != std::string_view::npos) {
    const auto n = ParseNumber(s.substr(colon + 1), 1000000);
    if (!n) return std::nullopt;
    f.count = static_cast<unsigned>(*n);
  }
  return f;
}

struct BlockFaultOption {
  std::string_view name;
  BlockFault::Kind kind;
};
constexpr BlockFaultOption kBlockFaultOptions[] = {
    {"--reply-wrong-address", BlockFault::Kind::WrongAddress},
    {"--reply-bad-crc", BlockFault::Kind::BadCrc},
    {"--reply-stray", BlockFault::Kind::Stray},
    {"--reply-withheld", BlockFault::Kind::Withheld},
    {"--corrupt-echo-block", BlockFault::Kind::ChangedEcho},
    {"--store-differently", BlockFault::Kind::StoredDifferently},
};

}  // namespace

std::optional<Options> ParseOptions(int argc, const char* const* argv, std::string& error) {
  Options o;
  bool saveOnExit = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= argc) {
        error = std::string(arg) + " needs a value";
        return std::nullopt;
      }
      return std::string_view(argv[++i]);
    };
    auto number = [&](std::uint64_t max) -> std::optional<std::uint64_t> {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = ParseNumber(*v, max);
      if (!n) error = "bad value for " + std::string(arg) + ": " + std::string(*v);
      return n;
    };
#define NUMBER_OR_FAIL(var, max, type)      \
  do {                                      \
    const auto n_ = number(max);            \
    if (!n_) return std::nullopt;           \
    var = static_cast<type>(*n_);           \
  } while (0)

    const auto blockFault = std::find_if(std::begin(kBlockFaultOptions), std::end(kBlockFaultOptions),
                                         [&](const BlockFaultOption& b) { return b.name == arg; });
    if (blockFault != std::end(kBlockFaultOptions)) {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto f = ParseBlockFault(*v, blockFault->kind);
      if (!f) {
        error = "bad value for " + std::string(arg) + ": " + std::string(*v);
        return std::nullopt;
      }
      o.blockFaults.push_back(*f);
    } else if (arg == "--reply-late") {
      const auto v = value();
      if (!v) return std::nullopt;
      auto f = ParseBlockFault(*v, BlockFault::Kind::Late);
      const auto ms = number(3600000);
      if (!f || !ms) {
        if (!f) error = "bad value for --reply-late: " + std::string(*v);
        return std::nullopt;
      }
      f->lateMs = static_cast<unsigned>(*ms);
      o.blockFaults.push_back(*f);
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--verbose" || arg == "-v") {
      o.verbose = true;
    } else if (arg == "--exit-on-eof") {
      o.exitOnEof = true;
    } else if (arg == "--link-dir") {
      const auto v = value();
      if (!v) return std::nullopt;
      o.linkDir = std::string(*v);
    } else if (arg == "--port") {
      NUMBER_OR_FAIL(o.port, 255, unsigned);
      if (o.port == 0) {
        error = "--port must be 1..255";
        return std::nullopt;
      }
    } else if (arg == "--memory") {
      const auto v = value();
      if (!v) return std::nullopt;
      o.memoryFile = std::string(*v);
    } else if (arg == "--save") {
      const auto v = value();
      if (!v) return std::nullopt;
      o.saveFile = std::string(*v);
    } else if (arg == "--save-on-exit") {
      saveOnExit = true;
    } else if (arg == "--baud") {
      NUMBER_OR_FAIL(o.baud, 10000000, unsigned);
      if (o.baud == 0) {
        error = "--baud must be above 0";
        return std::nullopt;
      }
    } else if (arg == "--delay") {
      NUMBER_OR_FAIL(o.delayMs, 3600000, unsigned);
    } else if (arg == "--faults-on-writes-only") {
      o.faultsOnWritesOnly = true;
    } else if (arg == "--silent") {
      o.silent = true;
    } else if (arg == "--probe-nak") {
      o.probeNak = true;
    } else if (arg == "--probe-short") {
      o.probeShort = true;
    } else if (arg == "--chunks") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto sizes = ParseSizes(*v);
      if (!sizes) {
        error = "bad value for --chunks: " + std::string(*v);
        return std::nullopt;
      }
      o.chunks = *sizes;
    } else if (arg == "--random-chunks") {
      NUMBER_OR_FAIL(o.randomChunksSeed, 0xFFFFFFFFu, std::uint32_t);
    } else if (arg == "--chunk-gap") {
      NUMBER_OR_FAIL(o.chunkGapMs, 60000, unsigned);
    } else if (arg == "--damage-every") {
      NUMBER_OR_FAIL(o.damageEvery, 1000000, unsigned);
    } else if (arg == "--wrong-address") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto at = v->find('@');
      const auto a = ParseNumber(v->substr(0, at), 0xFFFF);
      std::optional<std::uint64_t> nth = 0;
      if (at != std::string_view::npos) nth = ParseNumber(v->substr(at + 1), 1000000);
      if (!a || !nth || (at != std::string_view::npos && *nth == 0)) {
        error = "bad value for --wrong-address: " + std::string(*v);
        return std::nullopt;
      }
      o.wrongAddress = static_cast<unsigned>(*a);
      o.wrongAddressNth = static_cast<unsigned>(*nth);
    } else if (arg == "--garbage-burst") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto b = ParseBurst(*v);
      if (!b) {
        error = "bad value for --garbage-burst: " + std::string(*v);
        return std::nullopt;
      }
      o.bursts.push_back(*b);
    } else if (arg == "--garbage-seed") {
      NUMBER_OR_FAIL(o.garbageSeed, 0xFFFFFFFFu, std::uint32_t);
    } else if (arg == "--vanish-after") {
      NUMBER_OR_FAIL(o.vanishAfter, 1000000, unsigned);
    } else if (arg == "--xoff-after") {
      NUMBER_OR_FAIL(o.xoffAfter, 1000000, unsigned);
    } else if (arg == "--xoff-for") {
      NUMBER_OR_FAIL(o.xoffForMs, 3600000, unsigned);
    } else {
      error = "unknown option " + std::string(arg) + " (see --help)";
      return std::nullopt;
    }
#undef NUMBER_OR_FAIL
  }
  if (o.linkDir.empty() != (o.port == 0)) {
    error = "--link-dir and --port go together";
    return std::nullopt;
  }
  if (saveOnExit) {
    if (o.memoryFile.empty()) {
      error = "--save-on-exit needs --memory";
      return std::nullopt;
    }
    if (o.saveFile.empty()) o.saveFile = o.memoryFile;
  }
  if (!o.chunks.empty() && o.randomChunksSeed) {
    error = "--chunks and --random-chunks exclude each other";
    return std::nullopt;
  }
  return o;
}

const char* HelpText() {
  return R"(controller-emulator: plays the controller on a pseudo-terminal.

Prints the pty's path (/dev/pts/N) on its first line, then answers the probe
(00 01 04 AA crc), read queries (39-byte replies 00 01 26 33 AH AL, 32 memory
bytes, CRC-8) and write blocks (stores the data, echoes 00 01 26 44 AH AL and
the 32 bytes it now holds, CRC-8) until SIGTERM/SIGINT. Incoming bytes are
framed by prefix 00 01, length, command and CRC; anything else is skipped.
Bytes the program has not read when it closes the port are dropped, as on a
real line.

  --help, -h               this text
  --verbose, -v            log every frame received and sent on stderr
  --exit-on-eof            also end when stdin reaches end of file
  --link-dir DIR --port N  create DIR/COMN -> the pty (for TESRACONFIG_COM_DIR);
                           removed on exit
  --memory FILE            load the 512-byte memory (a .usr file; a short file
                           leaves the rest zero, a longer one gives its first
                           512 bytes); default all zeros
  --save FILE              write the memory to FILE on exit and after every
                           complete write sequence (the echo of block 0x01E0
                           goes out only once the file is written)
  --save-on-exit           the same, to the --memory file
  --baud N                 pace sent bytes at N baud, 10 bits per byte
                           (default: as fast as the pty takes them)
  --delay MS               wait MS before each reply

Faults:
  --silent                 read everything, answer nothing
  --probe-nak              probe reply 00 01 04 5A crc (byte 3 is not 0xAA)
  --probe-short            probe reply of 3 bytes: 00 01 04
  --chunks A,B,...         split every reply into chunks of A, B, ... bytes
                           (cycling through the list; it restarts with
                           each reply)
  --random-chunks SEED     split replies into chunks of 1..20 random bytes
  --chunk-gap MS           pause between chunks (default 100, long enough for
                           the program to take each chunk as its own read)
  --corrupt-echo-block A[:N]
                           the echo of the write block at address A has its
                           first data byte inverted (CRC made to match); the
                           memory keeps what was written
  --store-differently A[:N]
                           the write block at address A is stored with its
                           first data byte inverted while its echo repeats
                           what was sent, so only a read-back shows it
  --reply-wrong-address A[:N]
                           the read reply / write echo for address A carries
                           the address A + 0x100; its data are A's
  --reply-bad-crc A[:N]    the read reply / write echo for address A has bit 0
                           of its first data byte flipped after its CRC-8 was
                           computed (the write itself is stored as sent)
  --reply-stray A[:N]      4 stray bytes (FF 00 55 AA) go out just before the
                           read reply / write echo for address A
  --reply-withheld A[:N]   the read request / write block for address A is not
                           answered (a write block is still stored)
  --reply-late A[:N] MS    the read reply / write echo for address A comes in
                           two halves, the second MS milliseconds after the
                           first
                           Each of these seven: N times (counting every
                           request for A, resends included), then answered
                           normally; without :N (or :0) every time; may be
                           repeated
  --faults-on-writes-only  the seven options above leave read replies alone
                           (a write's backup read and read-back stay clean)
  --damage-every N         every N-th read reply / write echo has a flipped
                           data bit, like --reply-bad-crc
  --wrong-address A[@N]    the N-th read reply / write echo (counting from 1;
                           without @N every one) carries address A; its data
                           are still those of the requested block
  --garbage-burst B[@W[+MS]]
                           send B random bytes when W happens, MS later:
                           start (default), open (each open of the port),
                           probe (after each probe reply), reply:N (before the
                           N-th read reply / write echo), mid:N (between the
                           halves of the N-th one); may be repeated
  --garbage-seed S         seed of the random bytes (default 1)
  --vanish-after N         after the N-th read reply / write echo (0: after
                           the probe reply) has been taken in by the program,
                           close the pty and exit, like an unplugged controller
  --xoff-after N           after the N-th read reply / write echo (0: after
                           the probe reply) send XOFF (0x13) and stop reading
  --xoff-for MS            after MS send XON (0x11) and read again
                           (default: held until the end)

Numbers are decimal or 0x-prefixed hexadecimal. Memory addresses beyond the
512 bytes are not answered. Exit status 0, or 2 on a bad command line or
memory file, 1 when the pty fails.
)";
}

}  // namespace emu
