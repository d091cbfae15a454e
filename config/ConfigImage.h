// The controller's configuration memory as the program holds it: 512 bytes,
// carried unchanged except for the fields the editor owns.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tesra {

constexpr std::size_t kImageSize = 512;

// Section layout (decimal offsets). Where each field lies is in ImageFields.
namespace offs {
constexpr std::size_t InputBlocks = 8;      // eight blocks of 48 bytes
constexpr std::size_t InputBlockSize = 48;
constexpr std::size_t StageRecordSize = 6;

// Offsets inside a stage record.
constexpr std::size_t StageFlags = 0;       // on, ALM OUT, pause index
constexpr std::size_t StageRepeats = 1;     // 0 = unlimited
constexpr std::size_t StageZones = 2;       // zone mask
constexpr std::size_t StageRelays = 3;      // 16-bit field, bytes +3 and +4
constexpr std::size_t StageMessage = 5;     // 0 = none
}  // namespace offs

// Start of the record of input (0..7), stage (0..7).
constexpr std::size_t StageRecordOffset(int input, int stage) {
  return offs::InputBlocks + offs::InputBlockSize * static_cast<std::size_t>(input) +
         offs::StageRecordSize * static_cast<std::size_t>(stage);
}

struct ConfigImage {
  std::array<std::uint8_t, kImageSize> bytes{};

  std::uint8_t& operator[](std::size_t i) { return bytes.at(i); }
  std::uint8_t operator[](std::size_t i) const { return bytes.at(i); }
  std::uint8_t* data() { return bytes.data(); }
  const std::uint8_t* data() const { return bytes.data(); }
  void clear() { bytes.fill(0); }
};

// Bit index k addresses byte k/8, mask 0x80 >> (k % 8): MSB first.
void PutBit(std::uint8_t* bytes, unsigned k, int value);
int GetBit(const std::uint8_t* bytes, unsigned k);

// Copies `count` bits of `value`, from bit index 8-srcShift+i of the value to
// bit index 8-destShift+i of the array, for i = 0..count-1. With srcShift ==
// count the low `count` bits land in bits destShift-1 .. destShift-count.
void PutBits(unsigned count, std::uint8_t value, unsigned destShift, unsigned srcShift,
             std::uint8_t* bytes);

// Reads the field that PutBits(count, v, destShift, count, bytes) writes.
std::uint8_t GetBits(unsigned count, unsigned destShift, const std::uint8_t* bytes);

}  // namespace tesra
