#include "project/ProjectFiles.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "project/AtomicFile.h"
#include "project/Profile.h"

namespace tesra {
namespace {

// Position of the extension's dot, or npos when the last component has none.
std::size_t ExtensionDot(std::string_view name) {
  const std::size_t sep = name.find_last_of("/\\");
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) return std::string_view::npos;
  return dot;
}

}  // namespace

std::string ProjectNameFromFile(std::string_view imageFileName) {
  return std::string(imageFileName.substr(0, ExtensionDot(imageFileName)));
}

std::string ImageFileNameOf(std::string_view name) {
  if (name.empty()) return {};
  constexpr std::string_view ext = kImageExtension;
  const bool hasExtension =
      name.size() > ext.size() &&
      std::equal(ext.begin(), ext.end(), name.end() - static_cast<std::ptrdiff_t>(ext.size()),
                 [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
  return hasExtension ? std::string(name) : std::string(name) + std::string(ext);
}

std::string CompanionFileName(std::string_view imageFileName) { return ProjectNameFromFile(imageFileName) + ".ini"; }

bool ReadImageFile(const std::filesystem::path& path, ConfigImage& image) {
  std::string bytes;
  if (ReadFilePrefix(path, bytes, kImageSize) != FileReadResult::Ok) return false;
  image.clear();
  std::memcpy(image.data(), bytes.data(), std::min(bytes.size(), kImageSize));
  return true;
}

bool WriteImageFile(const std::filesystem::path& path, const ConfigImage& image) {
  return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(image.data()), kImageSize));
}

std::array<std::string, kMessageCount> ReadMessageTimes(const std::filesystem::path& companion) {
  Profile profile;
  profile.Load(companion);
  std::array<std::string, kMessageCount> times;
  for (int i = 0; i < kMessageCount; ++i)
    times[i] = profile.Get(kMessageLengthSection, std::to_string(i + 1), kMissingMessageTime);
  return times;
}

namespace {

std::vector<std::pair<std::string, std::string>> MessageTimeKeys(const std::array<std::string, kMessageCount>& times) {
  std::vector<std::pair<std::string, std::string>> keyValues;
  keyValues.reserve(kMessageCount);
  for (int i = 0; i < kMessageCount; ++i) keyValues.emplace_back(std::to_string(i + 1), times[i]);
  return keyValues;
}

}  // namespace

bool WriteMessageTimes(const std::filesystem::path& companion,
                       const std::array<std::string, kMessageCount>& timesUtf8) {
  return WriteProfileStrings(companion, kMessageLengthSection, MessageTimeKeys(timesUtf8));
}

bool WriteProjectPair(const std::filesystem::path& imageFile, const std::filesystem::path& companion,
                      const ConfigImage& image, const std::array<std::string, kMessageCount>& timesUtf8,
                      std::filesystem::path& failedPath) {
  // The companion keeps its other sections, so it is read first; one that
  // cannot be read is not written over.
  Profile profile;
  bool ok = profile.Load(companion) != Profile::LoadResult::Unreadable;
  for (const auto& [key, value] : MessageTimeKeys(timesUtf8)) ok = ok && profile.Set(kMessageLengthSection, key, value);
  std::vector<StagedFile> staged(2);
  if (!StageFile(imageFile, std::string_view(reinterpret_cast<const char*>(image.data()), kImageSize), staged[0])) {
    failedPath = imageFile;
    return false;
  }
  if (!ok || !StageFile(companion, profile.ToBytes(), staged[1])) {
    std::error_code ec;
    std::filesystem::remove(staged[0].temp, ec);
    failedPath = companion;
    return false;
  }
  const std::size_t failed = ReplaceStagedFiles(staged);
  if (failed == staged.size()) return true;
  failedPath = failed == 0 ? imageFile : companion;
  return false;
}

}  // namespace tesra
