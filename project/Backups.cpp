#include "project/Backups.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>

namespace tesra {
namespace {

namespace fs = std::filesystem;

bool Digits(const std::string& s, std::size_t from, std::size_t n) {
  if (from + n > s.size()) return false;
  for (std::size_t i = from; i < from + n; ++i)
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

// "YYYY-MM-DD_HH-MM-SS_COMn" with an optional "_k".
bool IsBackupStem(const std::string& s) {
  static constexpr char kShape[] = "0000-00-00_00-00-00_COM";
  constexpr std::size_t kPrefix = sizeof kShape - 1;
  if (s.size() <= kPrefix) return false;
  for (std::size_t i = 0; i < kPrefix; ++i) {
    if (kShape[i] == '0' ? !Digits(s, i, 1) : s[i] != kShape[i]) return false;
  }
  std::size_t i = kPrefix;
  while (Digits(s, i, 1)) ++i;
  if (i == kPrefix || i - kPrefix > 3) return false;
  if (i == s.size()) return true;
  if (s[i] != '_') return false;
  const std::size_t from = ++i;
  while (Digits(s, i, 1)) ++i;
  return i > from && i - from <= 6 && i == s.size();
}

}  // namespace

std::string BackupStem(const BackupStamp& w, int port) {
  char s[64];
  std::snprintf(s, sizeof s, "%04d-%02d-%02d_%02d-%02d-%02d_COM%d", w.year, w.month, w.day, w.hour, w.minute,
                w.second, port);
  return s;
}

std::vector<fs::path> ListBackups(const fs::path& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    if (p.extension() != kImageExtension || !IsBackupStem(p.stem().string())) continue;
    if (!it->is_regular_file(ec)) continue;
    found.push_back(p);
  }
  // The time comes first in the name; within one second, the unnumbered one first.
  std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
    const std::string sa = a.stem().string(), sb = b.stem().string();
    const auto key = [](const std::string& s) {
      const std::size_t suffix = s.find('_', 23);
      return std::make_pair(s.substr(0, suffix), suffix == std::string::npos ? 0ul : std::stoul(s.substr(suffix + 1)));
    };
    return key(sa) < key(sb);
  });
  return found;
}

void PruneBackups(const fs::path& folder, std::size_t keep) {
  const auto backups = ListBackups(folder);
  if (backups.size() <= keep) return;
  std::error_code ec;
  for (std::size_t i = 0; i < backups.size() - keep; ++i) {
    fs::remove(backups[i], ec);
    fs::path companion = backups[i];
    fs::remove(companion.replace_extension(".ini"), ec);
  }
}

fs::path SaveBackup(const fs::path& folder, const std::string& stem, const ConfigImage& image,
                    const std::array<std::string, kMessageCount>& timesUtf8, fs::path& failedPath) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    failedPath = folder;
    return {};
  }
  fs::path usr = folder / (stem + kImageExtension);
  for (int k = 2; fs::exists(usr, ec) || fs::exists(fs::path(usr).replace_extension(".ini"), ec); ++k)
    usr = folder / (stem + "_" + std::to_string(k) + kImageExtension);
  if (!WriteImageFile(usr, image)) {
    failedPath = usr;
    return {};
  }
  const fs::path ini = fs::path(usr).replace_extension(".ini");
  if (!WriteMessageTimes(ini, timesUtf8)) {
    fs::remove(usr, ec);  // half a pair restores nothing
    failedPath = ini;
    return {};
  }
  PruneBackups(folder);
  return usr;
}

}  // namespace tesra
