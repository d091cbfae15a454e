// The bytes exchanged with the controller: probe, read query, write block and
// the 39-byte replies, each frame the program sends closed by a CRC-8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "config/ConfigImage.h"

namespace tesra {

constexpr std::uint8_t CmdProbe = 0x55;
constexpr std::uint8_t CmdRead = 0x33;
constexpr std::uint8_t CmdWrite = 0x44;
constexpr std::uint8_t ProbeAck = 0xAA;

constexpr std::size_t kProbeFrameSize = 5;
constexpr std::size_t kReadQuerySize = 7;
constexpr std::size_t kWriteBlockSize = 39;
constexpr std::size_t kReplySize = 39;
constexpr std::size_t kBlockSize = 32;
constexpr unsigned kLastBlockAddress = 0x01E0;

// Dallas/Maxim 1-Wire CRC-8, folded one byte at a time into `acc`, bit by bit.
void UpdateCrc(std::uint8_t& acc, std::uint8_t byte);
std::uint8_t Crc8(const std::uint8_t* data, std::size_t n);

using ProbeFrame = std::array<std::uint8_t, kProbeFrameSize>;
ProbeFrame BuildProbeFrame();

// One buffer of each kind lives as long as the link; only the address, data
// and CRC bytes are rewritten before a send.
class ReadQueryBuffer {
 public:
  ReadQueryBuffer();
  void Fill(unsigned address);
  const std::uint8_t* data() const { return bytes_.data(); }
  static constexpr std::size_t size() { return kReadQuerySize; }
  const std::array<std::uint8_t, kReadQuerySize>& bytes() const { return bytes_; }

 private:
  std::array<std::uint8_t, kReadQuerySize> bytes_;
};

class WriteBlockBuffer {
 public:
  WriteBlockBuffer();
  // address must be at most kLastBlockAddress, so the 32 data bytes lie in the image.
  void Fill(unsigned address, const ConfigImage& image);
  const std::uint8_t* data() const { return bytes_.data(); }
  static constexpr std::size_t size() { return kWriteBlockSize; }
  const std::array<std::uint8_t, kWriteBlockSize>& bytes() const { return bytes_; }

 private:
  std::array<std::uint8_t, kWriteBlockSize> bytes_;
};

// Address a 39-byte read reply or write echo carries (bytes 4-5, big-endian).
unsigned ReplyAddress(const std::uint8_t* reply);
// The 32 data bytes of a reply.
inline const std::uint8_t* ReplyBlock(const std::uint8_t* reply) { return reply + 6; }
// Positive when byte 3 is ProbeAck; a reply shorter than 4 bytes is negative.
bool IsProbeAck(const std::uint8_t* reply, std::size_t n);

}  // namespace tesra
