// Fixed-digit upper-case hexadecimal, as the program shows and logs numbers:
// image addresses "01F0", bytes "0A", byte runs "41 00 42".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tesra {

// The low `digits` hexadecimal digits of value, leading zeros kept (1..8).
std::string HexDigits(std::uint32_t value, int digits);
inline std::string Hex2(std::uint32_t value) { return HexDigits(value, 2); }
inline std::string Hex4(std::uint32_t value) { return HexDigits(value, 4); }
// Bytes as two digits each, one space apart: "41 00 42".
std::string HexBytes(const std::uint8_t* bytes, std::size_t count);

}  // namespace tesra
