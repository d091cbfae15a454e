// Command line of the controller emulator: what it serves, where, and which
// faults it plays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace emu {

// A burst of random bytes sent to the program at a chosen moment.
struct GarbageBurst {
  enum class When {
    Start,  // once, as soon as the emulator runs
    Open,   // each time the program opens the port
    Probe,  // after each probe reply
    Reply,  // before the n-th read reply / write echo
    Mid,    // inside the n-th read reply / write echo, between its halves
  };
  std::size_t bytes = 0;
  When when = When::Start;
  unsigned n = 0;
  unsigned delayMs = 0;
};

// A fault of the replies to one block address, played `count` times
// (0: every time).
struct BlockFault {
  enum class Kind {
    WrongAddress,  // the reply carries the address + 0x100
    BadCrc,        // one data bit flipped after the CRC-8 was computed
    Stray,         // stray bytes just before the reply
    Withheld,      // no reply at all
    ChangedEcho,   // write echo with its first data byte inverted, CRC-8 to match
    StoredDifferently,  // write stored with its first data byte inverted, echoed as sent
    Late,          // the reply's second half lateMs after its first
  };
  Kind kind = Kind::WrongAddress;
  unsigned address = 0;
  unsigned count = 0;
  unsigned lateMs = 0;
};

struct Options {
  bool help = false;
  bool verbose = false;
  bool exitOnEof = false;

  std::string linkDir;
  unsigned port = 0;

  std::string memoryFile;
  std::string saveFile;

  unsigned baud = 0;  // 0: no pacing
  unsigned delayMs = 0;

  bool silent = false;
  bool probeNak = false;
  bool probeShort = false;

  std::vector<std::size_t> chunks;
  std::optional<std::uint32_t> randomChunksSeed;
  unsigned chunkGapMs = 100;

  std::vector<BlockFault> blockFaults;
  bool faultsOnWritesOnly = false;  // read replies are left alone by blockFaults
  unsigned damageEvery = 0;  // every N-th read reply / write echo has a bad CRC-8; 0: none
  std::optional<unsigned> wrongAddress;
  unsigned wrongAddressNth = 0;  // 0: every reply

  std::vector<GarbageBurst> bursts;
  std::uint32_t garbageSeed = 1;

  std::optional<unsigned> vanishAfter;
  std::optional<unsigned> xoffAfter;
  unsigned xoffForMs = 0;  // 0: held until the end
};

// Parses argv; on a bad command line returns nothing and sets `error`.
std::optional<Options> ParseOptions(int argc, const char* const* argv, std::string& error);

const char* HelpText();

}  // namespace emu
