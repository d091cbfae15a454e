// The project's two files: the 512-byte image file and its companion profile
// file with the message playing times.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "config/ConfigImage.h"

namespace tesra {

constexpr int kMessageCount = 72;
inline constexpr char kMessageLengthSection[] = "MessageLength";
inline constexpr char kMissingMessageTime[] = "0";
inline constexpr char kImageExtension[] = ".usr";

// Names are UTF-8 paths with '/' or '\' separators. The extension is the last
// path component from its last dot on.
// "a/b.c.usr" -> "a/b.c.ini"; "a.d/b" -> "a.d/b.ini".
std::string CompanionFileName(std::string_view imageFileName);
// `CurrentProject` after Open: the full name without its extension.
std::string ProjectNameFromFile(std::string_view imageFileName);
// The image file of a name: the name itself when it ends in ".usr" (any
// letter case), otherwise the name with ".usr" appended, dots or not, so
// "site.2024" is "site.2024.usr" and never "site.usr"'s neighbour. Empty
// stays empty.
std::string ImageFileNameOf(std::string_view name);

// Up to 512 bytes from the start of the file into a zeroed image; the rest of
// the file is ignored. Fails without touching `image` when the file cannot be
// opened or read (missing, a directory, no permission).
bool ReadImageFile(const std::filesystem::path& path, ConfigImage& image);
// All 512 bytes, replacing the old file only once the new one is complete.
bool WriteImageFile(const std::filesystem::path& path, const ConfigImage& image);

// Times of messages 1..72 (index 0 = message 1) as UTF-8 texts; a missing key
// or an unreadable file gives "0".
std::array<std::string, kMessageCount> ReadMessageTimes(const std::filesystem::path& companion);
// Writes keys "1".."72" in order, keeping every other section, key and line.
bool WriteMessageTimes(const std::filesystem::path& companion,
                       const std::array<std::string, kMessageCount>& timesUtf8);

// The image file and its companion as one: both are written in full under
// temporary names, then both put in place; on any failure the old pair stays
// as it was and `failedPath` names the file that could not be written.
bool WriteProjectPair(const std::filesystem::path& imageFile, const std::filesystem::path& companion,
                      const ConfigImage& image, const std::array<std::string, kMessageCount>& timesUtf8,
                      std::filesystem::path& failedPath);

}  // namespace tesra
