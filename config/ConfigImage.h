// The controller's configuration memory as the program holds it: 512 bytes,
// carried unchanged except for the fields the editor owns.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tesra {

constexpr std::size_t kImageSize = 512;

// Field offsets (decimal), as the controller lays them out.
namespace offs {
constexpr std::size_t SystemSection = 0;    // bytes 0..7
constexpr std::size_t Equipment = 0;        // amplifier, splitters, consoles
constexpr std::size_t Options = 1;          // gong, AUX priority, ALM OUT by AUX, equal priority, modules
constexpr std::size_t AlmOutMic = 2;        // bit 0: ALM OUT by MIC+PULT1+PULT2
constexpr std::size_t MusicPreset1 = 3;
constexpr std::size_t MusicPreset2 = 4;
constexpr std::size_t TelZones = 5;
constexpr std::size_t RingZones = 6;
constexpr std::size_t AuxZones = 7;
constexpr std::size_t InputBlocks = 8;      // eight blocks of 48 bytes
constexpr std::size_t InputBlockSize = 48;
constexpr std::size_t StageRecordSize = 6;
constexpr std::size_t IdentitySection = 400;
constexpr std::size_t Marker = 400;         // "SN"
constexpr std::size_t SerialNumber = 403;   // 4 characters
constexpr std::size_t Date1 = 408;          // 2 characters each
constexpr std::size_t Date2 = 411;
constexpr std::size_t Date3 = 414;

// Offsets inside a stage record.
constexpr std::size_t StageFlags = 0;       // bit 7 on, bit 6 ALM OUT, bits 5..3 pause index
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
