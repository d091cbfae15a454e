// Windows-1251, the single-byte Cyrillic code page of the controller's
// identity fields, the project's companion file and the report.
//
// Texts on the program side are UTF-8 std::string (the Qt side converts with
// QString::toStdString / fromStdString); UTF-16 variants serve callers that
// hold std::u16string. Bytes on the file side are std::string holding one
// code-page byte per character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tesra {

// The replacement for a character the code page cannot hold.
constexpr std::uint8_t kCp1251Unknown = '?';

// Every byte decodes to a character that encodes back to it: byte 0x98,
// which the code page leaves unassigned, to the control character U+0098.
char32_t Cp1251ToUnicode(std::uint8_t byte);
// A code point outside the code page (U+FFFD and surrogates included) gives '?'.
std::uint8_t UnicodeToCp1251(char32_t codePoint);

// Malformed UTF-8 (stray continuation bytes, truncated or overlong sequences,
// encoded surrogates, values above U+10FFFF) gives one '?' per offending byte.
std::string Cp1251FromUtf8(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view bytes);

// A surrogate pair is one character, so it gives one '?'; a lone surrogate too.
std::string Cp1251FromUtf16(std::u16string_view utf16);
std::u16string Cp1251ToUtf16(std::string_view bytes);

// Characters of a UTF-8 text as the code page would count them: one per code
// point, one per malformed byte (so it equals Cp1251FromUtf8(text).size()).
std::size_t Utf8CharacterCount(std::string_view utf8);

}  // namespace tesra
