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

  std::vector<unsigned> corruptEchoBlocks;
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
