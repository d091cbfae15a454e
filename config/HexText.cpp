#include "config/HexText.h"

namespace tesra {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
}

std::string HexDigits(std::uint32_t value, int digits) {
  if (digits < 1) digits = 1;
  if (digits > 8) digits = 8;
  std::string text(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 15];
  return text;
}

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) {
    if (i) text += ' ';
    text += Hex2(bytes[i]);
  }
  return text;
}

}  // namespace tesra
