// Gathers the frames the program sends out of a byte stream that may also
// carry noise, split frames or frames run together.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/Frames.h"

namespace emu {

struct Frame {
  enum class Kind { Probe, Read, Write };
  Kind kind = Kind::Probe;
  unsigned address = 0;
  std::array<std::uint8_t, tesra::kBlockSize> data{};
  std::vector<std::uint8_t> raw;
};

class Framer {
 public:
  void Feed(const std::uint8_t* p, std::size_t n);
  // The next complete frame with a good CRC; bytes in front of it that form
  // no frame are skipped.
  std::optional<Frame> Next();
  // Bytes skipped since the last call.
  std::size_t TakeSkipped();
  void Clear();

 private:
  enum class Check { Invalid, Incomplete, Valid };
  Check At(std::size_t i, std::size_t& size) const;
  void Drop(std::size_t n);

  std::vector<std::uint8_t> buf_;
  std::size_t skipped_ = 0;
};

}  // namespace emu
