#include "config/Cp1251.h"

#include <array>

namespace tesra {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code page assigns no character to byte 0x98; it stands for the C1
// control U+0098, so such a byte read from the controller or a file comes
// back as the same byte and is never rewritten as '?'.
constexpr char32_t kUnassigned98 = 0x0098;

// 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char32_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    kUnassigned98, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

// Decodes one code point at `i`, advancing it; a malformed sequence yields
// nothing valid and advances by one byte.
char32_t DecodeUtf8(std::string_view s, std::size_t& i, bool& ok) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  ok = false;
  if (b0 < 0x80) {
    ++i;
    ok = true;
    return b0;
  }
  std::size_t len;
  char32_t cp;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (s.size() - i < len) {
    ++i;
    return kReplacement;
  }
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += len;
  ok = true;
  return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

char32_t Cp1251ToUnicode(std::uint8_t byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);
  return kUpperHalf[byte - 0x80];
}

std::uint8_t UnicodeToCp1251(char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<std::uint8_t>(codePoint);
  if (codePoint >= 0x0410 && codePoint <= 0x044F) return static_cast<std::uint8_t>(0xC0 + (codePoint - 0x0410));
  if (codePoint == kReplacement) return kCp1251Unknown;
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i)
    if (kUpperHalf[i] == codePoint) return static_cast<std::uint8_t>(0x80 + i);
  return kCp1251Unknown;
}

std::string Cp1251FromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    bool ok;
    const char32_t cp = DecodeUtf8(utf8, i, ok);
    out.push_back(static_cast<char>(ok ? UnicodeToCp1251(cp) : kCp1251Unknown));
  }
  return out;
}

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) AppendUtf8(out, Cp1251ToUnicode(static_cast<std::uint8_t>(c)));
  return out;
}

std::string Cp1251FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF)
      ++i;  // a pair is one character beyond the code page
    out.push_back(static_cast<char>(UnicodeToCp1251(u)));
  }
  return out;
}

std::u16string Cp1251ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const char c : bytes) out.push_back(static_cast<char16_t>(Cp1251ToUnicode(static_cast<std::uint8_t>(c))));
  return out;
}

std::size_t Utf8CharacterCount(std::string_view utf8) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < utf8.size(); ++n) {
    bool ok;
    DecodeUtf8(utf8, i, ok);
  }
  return n;
}

}  // namespace tesra
