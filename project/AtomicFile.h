// Whole-file reads and replace-only-when-complete writes for the project's
// files, so a failed save never destroys what is on disk.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tesra {

enum class FileReadResult {
  Ok,
  Missing,     // nothing of that name
  Unreadable,  // a directory, a device or pipe, no permission, a read error
  TooLarge,    // beyond the caller's limit; nothing was read
};

// Reads the whole regular file at `path` into `out` (cleared first).
FileReadResult ReadWholeFile(const std::filesystem::path& path, std::string& out, std::uintmax_t maxBytes);

// Reads at most `maxBytes` from the start of the regular file at `path`.
FileReadResult ReadFilePrefix(const std::filesystem::path& path, std::string& out, std::size_t maxBytes);

// Writes `bytes` to a new file beside `path` and renames it over `path` only
// when every byte is on disk; on any failure the old file stays as it was and
// the temporary file is removed. A symbolic link is followed, so the file it
// names is replaced and the link stays. An existing file's permissions are kept;
// on Windows, where they are the read-only attribute, a read-only file is not
// replaced (false).
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// New contents written in full under a temporary name beside their file
// (a symbolic link resolved), not yet in place.
struct StagedFile {
  std::filesystem::path target;
  std::filesystem::path temp;
};
// The first half of WriteFileAtomically; false leaves nothing behind.
bool StageFile(const std::filesystem::path& path, std::string_view bytes, StagedFile& staged);
// Puts the staged files in place, in order, all or none: when one fails, those
// already replaced get their old contents back and those that were new are
// removed. Returns the index of the file that failed, or files.size(). No
// temporary file is left either way.
std::size_t ReplaceStagedFiles(const std::vector<StagedFile>& files);

}  // namespace tesra
