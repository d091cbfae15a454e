// The identity fields (serial number, date parts) as one-byte Windows-1251
// characters padded with 0, and as the texts their edit fields show.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QString>

// The whole field as text, one character per byte, a byte 0 as U+0000.
QString IdentityFieldText(const std::uint8_t* bytes, std::size_t length);
// What an edit field shows of it: the text up to the first byte 0.
QString ShownIdentityText(const QString& fieldText);
// Character i of the text for i < its length, then 0; a character outside
// the code page is stored as '?'.
void StoreIdentityText(const QString& text, std::uint8_t* bytes, std::size_t length);
