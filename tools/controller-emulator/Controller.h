// The controller itself: its 512-byte memory and what it answers to each
// frame, with the faults the options ask for.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "config/ConfigImage.h"
#include "tools/controller-emulator/Framer.h"
#include "tools/controller-emulator/Options.h"
#include "tools/controller-emulator/Output.h"

namespace emu {

using Memory = std::array<std::uint8_t, tesra::kImageSize>;

bool LoadMemory(const std::string& path, Memory& m, std::string& error);
bool SaveMemory(const std::string& path, const Memory& m, std::string& error);

class Controller {
 public:
  Controller(const Options& o, const Memory& initial);

  struct Plan {
    std::vector<Segment> segments;
    bool save = false;    // a complete write sequence has just been stored
    std::string note;     // for the log
  };
  Plan OnFrame(const Frame& f);
  Plan OnStart();
  Plan OnOpen();

  const Memory& memory() const { return mem_; }

 private:
  std::vector<std::uint8_t> Garbage(std::size_t n);
  void AddBursts(Plan& p, GarbageBurst::When when, unsigned n);
  // Queues a reply in chunks, with the fault actions that follow a count.
  void AddReply(Plan& p, const std::vector<std::uint8_t>& reply, unsigned dataReply);
  std::vector<std::size_t> ChunkSizes(std::size_t total);
  // Whether a fault of `kind` plays for the reply to `address` now; counts it.
  bool Plays(BlockFault::Kind kind, unsigned address);
  // The delay of the second half of a late reply to `address`.
  unsigned LateMs(unsigned address) const;

  const Options& o_;
  Memory mem_;
  unsigned dataReplies_ = 0;
  std::vector<unsigned> played_;  // per fault of o_.blockFaults
  bool vanished_ = false;
  std::mt19937 garbageRng_;
  std::mt19937 chunkRng_;
};

}  // namespace emu
