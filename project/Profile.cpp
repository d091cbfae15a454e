#include "project/Profile.h"

#include "config/Cp1251.h"
#include "project/AtomicFile.h"

namespace tesra {
namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// ASCII and the Cyrillic letters of the code page, as Windows folds names.
char FoldByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
  if (b >= 0xE0) return static_cast<char>(b - 0x20);  // а..я -> А..Я
  if (b == 0xB8) return static_cast<char>(0xA8);      // ё -> Ё
  return c;
}

std::string Fold(std::string_view cp1251) {
  std::string s(cp1251);
  for (char& c : s) c = FoldByte(c);
  return s;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != npos; }

bool ValidName(std::string_view name) {
  return !name.empty() && Trim(name).size() == name.size() && !HasLineBreak(name);
}

}  // namespace

Profile::Line Profile::Classify(std::string text, bool first) {
  Line line;
  std::string_view body = text;
  if (first && body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);  // a BOM left by an editor
  body = Trim(body);
  if (!body.empty() && body.front() == '[') {
    body.remove_prefix(1);
    const std::size_t close = body.rfind(']');
    if (close != npos) body = body.substr(0, close);
    line.kind = Kind::Section;
    line.name = Fold(Trim(body));
  } else if (const std::size_t eq = body.find('='); eq != npos) {
    line.kind = Kind::Key;
    line.name = Fold(Trim(body.substr(0, eq)));
  }
  line.text = std::move(text);
  return line;
}

Profile::LoadResult Profile::Load(const std::filesystem::path& path) {
  lines_.clear();
  std::string bytes;
  switch (ReadWholeFile(path, bytes, kMaxFileSize)) {
    case FileReadResult::Ok:
      Parse(bytes);
      return LoadResult::Loaded;
    case FileReadResult::Missing:
      return LoadResult::Missing;
    default:
      return LoadResult::Unreadable;
  }
}

void Profile::Parse(std::string_view bytes) {
  lines_.clear();
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == npos) end = bytes.size();
    lines_.push_back(Classify(std::string(bytes.substr(start, end - start)), lines_.empty()));
    start = end + 1;
    if (end < bytes.size() && bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
  }
}

std::size_t Profile::FindSection(std::string_view foldedSection) const {
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Kind::Section && lines_[i].name == foldedSection) return i;
  return npos;
}

std::size_t Profile::FindKey(std::size_t sectionLine, std::string_view foldedKey) const {
  for (std::size_t i = sectionLine + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i)
    if (lines_[i].kind == Kind::Key && lines_[i].name == foldedKey) return i;
  return npos;
}

std::optional<std::string> Profile::FindBytes(std::string_view section, std::string_view key) const {
  const std::size_t s = FindSection(Fold(Cp1251FromUtf8(section)));
  if (s == npos) return std::nullopt;
  const std::size_t k = FindKey(s, Fold(Cp1251FromUtf8(key)));
  if (k == npos) return std::nullopt;
  const std::string& text = lines_[k].text;
  return std::string(Trim(std::string_view(text).substr(text.find('=') + 1)));
}

std::string Profile::GetBytes(std::string_view section, std::string_view key, std::string_view fallback) const {
  std::optional<std::string> v = FindBytes(section, key);
  return v ? std::move(*v) : std::string(fallback);
}

std::string Profile::Get(std::string_view section, std::string_view key, std::string_view fallback) const {
  const std::optional<std::string> v = FindBytes(section, key);
  return v ? Cp1251ToUtf8(*v) : std::string(fallback);
}

bool Profile::SetBytes(std::string_view section, std::string_view key, std::string_view value) {
  const std::string sectionBytes = Cp1251FromUtf8(section);
  const std::string keyBytes = Cp1251FromUtf8(key);
  if (!ValidName(sectionBytes) || sectionBytes.find(']') != npos) return false;
  if (!ValidName(keyBytes) || keyBytes.find('=') != npos || keyBytes.front() == '[') return false;

  std::string text = keyBytes + "=";
  text.append(value);
  for (std::size_t i = keyBytes.size() + 1; i < text.size(); ++i)
    if (text[i] == '\r' || text[i] == '\n') text[i] = ' ';

  const std::string foldedSection = Fold(sectionBytes);
  const std::string foldedKey = Fold(keyBytes);
  std::size_t s = FindSection(foldedSection);
  if (s == npos) {
    lines_.push_back(Classify("[" + sectionBytes + "]", lines_.empty()));
    lines_.push_back(Classify(std::move(text), false));
    return true;
  }
  if (const std::size_t k = FindKey(s, foldedKey); k != npos) {
    // The key keeps the spelling the file gave it.
    const std::string& old = lines_[k].text;
    const std::string_view oldKey = Trim(std::string_view(old).substr(0, old.find('=')));
    text.replace(0, keyBytes.size(), oldKey);
    lines_[k] = Classify(std::move(text), k == 0);
    return true;
  }
  std::size_t at = s + 1;
  for (std::size_t i = s + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i)
    if (lines_[i].kind == Kind::Key) at = i + 1;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Classify(std::move(text), false));
  return true;
}

bool Profile::Set(std::string_view section, std::string_view key, std::string_view valueUtf8) {
  return SetBytes(section, key, Cp1251FromUtf8(valueUtf8));
}

std::string Profile::ToBytes() const {
  std::size_t size = 0;
  for (const Line& l : lines_) size += l.text.size() + 2;
  std::string out;
  out.reserve(size);
  for (const Line& l : lines_) {
    out += l.text;
    out += "\r\n";
  }
  return out;
}

bool Profile::Save(const std::filesystem::path& path) const { return WriteFileAtomically(path, ToBytes()); }

std::string ReadProfileString(const std::filesystem::path& path, std::string_view section, std::string_view key,
                              std::string_view fallback) {
  Profile p;
  p.Load(path);
  return p.Get(section, key, fallback);
}

bool WriteProfileString(const std::filesystem::path& path, std::string_view section, std::string_view key,
                        std::string_view valueUtf8) {
  return WriteProfileStrings(path, section, {{std::string(key), std::string(valueUtf8)}});
}

bool WriteProfileStrings(const std::filesystem::path& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& keyValuesUtf8) {
  Profile p;
  if (p.Load(path) == Profile::LoadResult::Unreadable) return false;
  for (const auto& [key, value] : keyValuesUtf8)
    if (!p.Set(section, key, value)) return false;
  return p.Save(path);
}

}  // namespace tesra
