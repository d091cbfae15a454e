#include "project/Backups.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>
#include <tuple>
#include <utility>

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
  struct Found {
    fs::path path;
    fs::file_time_type time;
    std::pair<std::string, unsigned long> name;
  };
  std::vector<Found> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    const std::string stem = p.stem().string();
    if (p.extension() != kImageExtension || !IsBackupStem(stem)) continue;
    if (!it->is_regular_file(ec)) continue;
    std::error_code tec;
    const fs::file_time_type time = fs::last_write_time(p, tec);
    // Within one name's second, the unnumbered one first.
    const std::size_t suffix = stem.find('_', 23);
    found.push_back({p, tec ? fs::file_time_type::min() : time,
                     {stem.substr(0, suffix), suffix == std::string::npos ? 0ul : std::stoul(stem.substr(suffix + 1))}});
  }
  // The computer's clock may have been wrong when a name was made; the file's
  // own time says which backup came first.
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return std::tie(a.time, a.name) < std::tie(b.time, b.name);
  });
  std::vector<fs::path> paths;
  paths.reserve(found.size());
  for (auto& f : found) paths.push_back(std::move(f.path));
  return paths;
}

void PruneBackups(const fs::path& folder, std::size_t keep, const fs::path& current) {
  const auto backups = ListBackups(folder);
  std::size_t left = backups.size();
  std::error_code ec;
  for (std::size_t i = 0; i < backups.size() && left > keep; ++i) {
    if (!current.empty() && fs::equivalent(backups[i], current, ec)) continue;
    // A .usr that stays keeps its .ini, or it would open without its message times.
    if (!fs::remove(backups[i], ec) || ec) continue;
    --left;
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
  if (!WriteProjectPair(usr, fs::path(usr).replace_extension(".ini"), image, timesUtf8, failedPath)) return {};
  PruneBackups(folder, kMaxBackups, usr);
  return usr;
}

}  // namespace tesra
