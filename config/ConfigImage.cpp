#include "config/ConfigImage.h"

namespace tesra {

void PutBit(std::uint8_t* bytes, unsigned k, int value) {
  const std::uint8_t mask = static_cast<std::uint8_t>(0x80u >> (k % 8));
  if (value == 1)
    bytes[k / 8] |= mask;
  else
    bytes[k / 8] &= static_cast<std::uint8_t>(~mask);
}

int GetBit(const std::uint8_t* bytes, unsigned k) {
  return (bytes[k / 8] & (0x80u >> (k % 8))) ? 1 : 0;
}

void PutBits(unsigned count, std::uint8_t value, unsigned destShift, unsigned srcShift,
             std::uint8_t* bytes) {
  for (unsigned i = 0; i < count; ++i)
    PutBit(bytes, 8 - destShift + i, GetBit(&value, 8 - srcShift + i));
}

std::uint8_t GetBits(unsigned count, unsigned destShift, const std::uint8_t* bytes) {
  std::uint8_t v = 0;
  for (unsigned i = 0; i < count; ++i)
    v = static_cast<std::uint8_t>((v << 1) | GetBit(bytes, 8 - destShift + i));
  return v;
}

}  // namespace tesra
