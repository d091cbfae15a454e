#include <gtest/gtest.h>

#include <string>

#include "config/Cp1251.h"

using namespace tesra;

namespace {

// The upper half of the code page as glyphs, written independently of the
// code's table; U+0098 stands for the unassigned byte 0x98.
const std::string kUpperHalfGlyphs =
    "ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏ"
    "ђ‘’“”•–—\u0098™љ›њќћџ"
    "\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї"
    "°±Ііґµ¶·ё№є»јЅѕї"
    "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
    "абвгдежзийклмнопрстуфхцчшщъыьэюя";

std::string AllBytes(int from, int to) {
  std::string s;
  for (int b = from; b <= to; ++b) s.push_back(static_cast<char>(b));
  return s;
}

}  // namespace

TEST(Cp1251, UpperHalfDecodesToTheCodePageGlyphs) {
  EXPECT_EQ(Cp1251ToUtf8(AllBytes(0x80, 0xFF)), kUpperHalfGlyphs);
  EXPECT_EQ(Cp1251ToUtf8(AllBytes(0x00, 0x7F)), AllBytes(0x00, 0x7F));
}

TEST(Cp1251, EveryByteRoundTripsThroughUtf8AndUtf16) {
  for (int b = 0; b <= 0xFF; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Cp1251FromUtf8(Cp1251ToUtf8(one)), one) << "byte " << b;
    EXPECT_EQ(Cp1251FromUtf16(Cp1251ToUtf16(one)), one) << "byte " << b;
    EXPECT_EQ(UnicodeToCp1251(Cp1251ToUnicode(static_cast<std::uint8_t>(b))), b);
  }
}

// The unassigned byte survives a round trip; only a character the code page
// lacks, the replacement character among them, becomes '?'.
TEST(Cp1251, UnassignedByteAndReplacementCharacter) {
  EXPECT_EQ(Cp1251ToUnicode(0x98), U'\u0098');
  EXPECT_EQ(Cp1251FromUtf8(Cp1251ToUtf8("\x98")), "\x98");
  EXPECT_EQ(UnicodeToCp1251(U'\uFFFD'), '?');
  EXPECT_EQ(Cp1251FromUtf8("\uFFFD"), "?");
}

TEST(Cp1251, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  struct Case { const char* utf8; const char* bytes; };
  const Case cases[] = {
      {"é", "?"},                       // Latin-1, not in the code page
      {"Ѐ", "?"},                       // U+0400, next to Ё
      {"ѝ", "?"},                       // U+045D, inside the ѐ..џ row gap
      {"中", "?"},
      {"😀", "?"},                      // four-byte sequence: one character
      {"Дата: 12/05", "\xC4\xE0\xF2\xE0: 12/05"},
      {"Ёё№", "\xA8\xB8\xB9"},
      {"€—", "\x88\x97"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1251FromUtf8(c.utf8), c.bytes) << c.utf8;
    EXPECT_EQ(Utf8CharacterCount(c.utf8), std::string(c.bytes).size()) << c.utf8;
  }
}

TEST(Cp1251, MalformedUtf8GivesOneQuestionMarkPerBadByte) {
  struct Case { std::string utf8; std::string bytes; };
  const Case cases[] = {
      {"\x80", "?"},
      {"a\xFF" "b", "a?b"},
      {"\xD0", "?"},                      // truncated at the end
      {"\xD0" "A", "?A"},                 // continuation missing
      {"\xC0\xAF", "??"},                 // overlong '/'
      {"\xED\xA0\x80", "???"},            // encoded surrogate
      {"\xF4\x90\x80\x80", "????"},       // above U+10FFFF
      {"\xE2\x82", "??"},
      {std::string("\0x", 2), std::string("\0x", 2)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1251FromUtf8(c.utf8), c.bytes);
    EXPECT_EQ(Utf8CharacterCount(c.utf8), c.bytes.size());
  }
}

TEST(Cp1251, Utf16SurrogatesAreOneCharacterEach) {
  EXPECT_EQ(Cp1251FromUtf16(u"a😀b"), "a?b");
  EXPECT_EQ(Cp1251FromUtf16(std::u16string{u'x', char16_t(0xD83D)}), "x?");
  EXPECT_EQ(Cp1251FromUtf16(std::u16string{char16_t(0xDE00), u'y'}), "?y");
  EXPECT_EQ(Cp1251FromUtf16(u"Зона"), "\xC7\xEE\xED\xE0");
  EXPECT_EQ(Cp1251ToUtf16("\xC7\xEE\xED\xE0"), u"Зона");
}
