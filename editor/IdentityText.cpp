#include "editor/IdentityText.h"

#include "config/Cp1251.h"

QString IdentityFieldText(const std::uint8_t* bytes, std::size_t length) {
  QString text;
  for (std::size_t i = 0; i < length; ++i)
    text.append(bytes[i] == 0 ? QChar(0) : QChar(static_cast<char16_t>(tesra::Cp1251ToUnicode(bytes[i]))));
  return text;
}

QString ShownIdentityText(const QString& fieldText) {
  const qsizetype end = fieldText.indexOf(QChar(0));
  return end < 0 ? fieldText : fieldText.left(end);
}

void StoreIdentityText(const QString& text, std::uint8_t* bytes, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    const qsizetype at = static_cast<qsizetype>(i);
    bytes[i] = at < text.size() ? tesra::UnicodeToCp1251(text.at(at).unicode()) : 0;
  }
}
