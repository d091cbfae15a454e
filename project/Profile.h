// Windows profile (INI) files as the project's companion file needs them:
// names compared without regard to case, blanks around keys and values
// ignored, unknown sections, keys and lines kept, CRLF line ends and
// Windows-1251 texts, so the file moves between installations unchanged.
//
// Load once, apply any number of writes, save once. Section and key names and
// texts are UTF-8 in this interface; the *Bytes calls take and give the
// Windows-1251 bytes the file holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tesra {

class Profile {
 public:
  enum class LoadResult { Loaded, Missing, Unreadable };

  // Larger files are not loaded (Unreadable): reads give defaults, and a
  // save would lose their contents, so callers must not save over them.
  static constexpr std::uintmax_t kMaxFileSize = 64u << 20;

  // Replaces the contents; anything but Loaded leaves the profile empty.
  LoadResult Load(const std::filesystem::path& path);
  // Accepts CRLF, LF and CR line ends, lines of any length and any bytes.
  void Parse(std::string_view bytes);

  // The first section of that name is the section and its first key of that
  // name is the key, as Windows reads them. A key outside every section,
  // or a line without "=", is never a key.
  std::optional<std::string> FindBytes(std::string_view section, std::string_view key) const;
  std::string GetBytes(std::string_view section, std::string_view key, std::string_view fallback) const;
  std::string Get(std::string_view section, std::string_view key, std::string_view fallback) const;

  // Replaces the value of an existing key in place, or appends the key after
  // the last key of its section, or appends the section at the end. A line
  // break in the value would split the line, so it is written as a blank.
  // Returns false, changing nothing, for a name the format cannot hold:
  // empty, with blanks at either end, with a line break, a key with "=" or
  // starting with "[", a section with "]".
  bool SetBytes(std::string_view section, std::string_view key, std::string_view value);
  bool Set(std::string_view section, std::string_view key, std::string_view valueUtf8);

  // The file as it is written: every line followed by CRLF.
  std::string ToBytes() const;
  bool Save(const std::filesystem::path& path) const;

 private:
  enum class Kind { Other, Section, Key };
  struct Line {
    std::string text;
    Kind kind = Kind::Other;
    std::string name;  // folded section or key name
  };
  static Line Classify(std::string text, bool first);
  std::size_t FindSection(std::string_view foldedSection) const;  // npos when missing
  std::size_t FindKey(std::size_t sectionLine, std::string_view foldedKey) const;

  std::vector<Line> lines_;
};

// One key, read or written on its own (a load and, for the write, a save).
// A missing or unreadable file reads as the default; a write over a file that
// exists but cannot be read is refused, so its other contents are never lost.
std::string ReadProfileString(const std::filesystem::path& path, std::string_view section, std::string_view key,
                              std::string_view fallback);
bool WriteProfileString(const std::filesystem::path& path, std::string_view section, std::string_view key,
                        std::string_view valueUtf8);
// Many keys in order, with one load and one save.
bool WriteProfileStrings(const std::filesystem::path& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& keyValuesUtf8);

}  // namespace tesra
