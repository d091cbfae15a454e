#include "link/Frames.h"

#include <algorithm>

namespace tesra {

void UpdateCrc(std::uint8_t& acc, std::uint8_t byte) {
  for (int i = 0; i < 8; ++i) {
    if ((acc ^ byte) & 0x01)
      acc = static_cast<std::uint8_t>(((acc ^ 0x18) >> 1) | 0x80);
    else
      acc = static_cast<std::uint8_t>(acc >> 1);
    byte = static_cast<std::uint8_t>(byte >> 1);
  }
}

std::uint8_t Crc8(const std::uint8_t* data, std::size_t n) {
  std::uint8_t acc = 0;
  for (std::size_t i = 0; i < n; ++i) UpdateCrc(acc, data[i]);
  return acc;
}

ProbeFrame BuildProbeFrame() {
  ProbeFrame f{0x00, 0x01, 0x04, CmdProbe, 0};
  f[4] = Crc8(f.data(), 4);
  return f;
}

ReadQueryBuffer::ReadQueryBuffer() : bytes_{0x00, 0x01, 0x06, CmdRead, 0, 0, 0} {}

void ReadQueryBuffer::Fill(unsigned address) {
  bytes_[4] = static_cast<std::uint8_t>(address >> 8);
  bytes_[5] = static_cast<std::uint8_t>(address & 0xFF);
  bytes_[6] = Crc8(bytes_.data(), 6);
}

WriteBlockBuffer::WriteBlockBuffer() : bytes_{} {
  bytes_[0] = 0x00;
  bytes_[1] = 0x01;
  bytes_[2] = 0x26;
  bytes_[3] = CmdWrite;
}

void WriteBlockBuffer::Fill(unsigned address, const ConfigImage& image) {
  const unsigned a = std::min(address, kLastBlockAddress);
  bytes_[4] = static_cast<std::uint8_t>(a >> 8);
  bytes_[5] = static_cast<std::uint8_t>(a & 0xFF);
  std::copy_n(image.data() + a, kBlockSize, bytes_.begin() + 6);
  bytes_[38] = Crc8(bytes_.data(), 38);
}

unsigned ReplyAddress(const std::uint8_t* reply) {
  return static_cast<unsigned>(reply[4]) * 256u + reply[5];
}

bool IsProbeAck(const std::uint8_t* reply, std::size_t n) {
  return n >= 4 && reply[3] == ProbeAck;
}

}  // namespace tesra
