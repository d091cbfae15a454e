// The controller's configuration as it was before each write, kept as a
// project pair (.usr and .ini) in a folder of its own, so a wrong write can be
// undone by opening the pair and writing it back. Names carry the local date,
// time and port ("2026-12-08_14-03-27_COM3"); their age is the files' own
// time, since the clock that named them may have been wrong.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "config/ConfigImage.h"
#include "project/ProjectFiles.h"

namespace tesra {

constexpr std::size_t kMaxBackups = 200;

struct BackupStamp {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "YYYY-MM-DD_HH-MM-SS_COMn", without an extension.
std::string BackupStem(const BackupStamp& when, int port);

// The image files in `folder` named as backups ("<stem>.usr", or
// "<stem>_k.usr" for a second backup within the same second), oldest first by
// modification time (by name where the times are equal).
// Other files are not the program's and are never listed.
std::vector<std::filesystem::path> ListBackups(const std::filesystem::path& folder);

// Removes the oldest backups, each .usr with its .ini, until at most `keep`
// remain; `current` (the backup of the write under way) is never removed. A
// .usr that cannot be removed keeps its .ini and still counts.
void PruneBackups(const std::filesystem::path& folder, std::size_t keep = kMaxBackups,
                  const std::filesystem::path& current = {});

// Writes `<folder>/<stem>.usr` and its .ini, creating the folder; a name
// already taken gets "_2", "_3"... so no earlier backup is overwritten. On
// success returns the .usr path and prunes to kMaxBackups. On failure returns
// nothing and sets `failedPath` to the file (or folder) that could not be written.
std::filesystem::path SaveBackup(const std::filesystem::path& folder, const std::string& stem,
                                 const ConfigImage& image,
                                 const std::array<std::string, kMessageCount>& timesUtf8,
                                 std::filesystem::path& failedPath);

}  // namespace tesra
