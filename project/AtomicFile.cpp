#include "project/AtomicFile.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tesra {
namespace fs = std::filesystem;
namespace {

// Only regular files are read: a pipe or a device could block or never end.
FileReadResult OpenForRead(const fs::path& path, std::ifstream& in, std::uintmax_t* size) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (st.type() == fs::file_type::not_found) return FileReadResult::Missing;
  if (ec || st.type() != fs::file_type::regular) return FileReadResult::Unreadable;
  if (size) {
    *size = fs::file_size(path, ec);
    if (ec) return FileReadResult::Unreadable;
  }
  in.open(path, std::ios::binary);
  return in ? FileReadResult::Ok : FileReadResult::Unreadable;
}

// A short name of its own in the target's folder ("~" and seven hex digits):
// a name derived from the target's would not fit beside a target whose name
// is already near the system's limit.
fs::path TemporaryNameBeside(const fs::path& target) {
  static std::mt19937_64 rng{std::random_device{}()};
  char name[16];
  std::snprintf(name, sizeof name, "~%07llx", static_cast<unsigned long long>(rng() & 0xFFFFFFFull));
  return target.parent_path() / name;
}

// Windows refuses paths of MAX_PATH (260) characters and more, and folders
// beyond 248, unless they are given in the long-path form; shorter paths
// stay as they are, so that messages show them as the user wrote them.
fs::path SystemPath(const fs::path& path) {
#ifdef _WIN32
  constexpr std::size_t kShortest = 248;
  if (path.native().rfind(L"\\\\?\\", 0) == 0) return path;
  // A relative path counts with the folder it is relative to.
  std::error_code ec;
  fs::path full = path.is_absolute() ? path : fs::absolute(path, ec);
  if (ec || full.native().size() < kShortest) return path;
  // The long-path form is taken as it stands: no "." or ".." is resolved in it.
  full = full.lexically_normal();
  full.make_preferred();
  const std::wstring& w = full.native();
  if (w.rfind(L"\\\\", 0) == 0) return fs::path(L"\\\\?\\UNC\\" + w.substr(2));  // \\server\share
  return fs::path(L"\\\\?\\" + w);
#else
  return path;
#endif
}

std::FILE* CreateExclusive(const fs::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"wbx");
#else
  return std::fopen(path.c_str(), "wbx");
#endif
}

bool FlushToDisk(std::FILE* f) {
  if (std::fflush(f) != 0) return false;
#ifdef _WIN32
  if (::_commit(::_fileno(f)) != 0) return false;
#else
  if (::fsync(::fileno(f)) != 0) return false;
#endif
  return true;
}

// On Windows the permission bits are only the read-only attribute, and a
// read-only file is one the user has closed to changes: it is not saved over.
// (MoveFileEx refuses to replace it anyway; checking first also leaves no
// read-only temporary file that could not be removed.)
bool ClosedToChanges([[maybe_unused]] const fs::path& target) {
#ifdef _WIN32
  std::error_code ec;
  const fs::file_status st = fs::status(target, ec);
  return !ec && fs::is_regular_file(st) && (st.permissions() & fs::perms::owner_write) == fs::perms::none;
#else
  return false;
#endif
}

void SyncDirectory([[maybe_unused]] const fs::path& dir) {
#ifndef _WIN32
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
#endif
}

}  // namespace

FileReadResult ReadWholeFile(const fs::path& given, std::string& out, std::uintmax_t maxBytes) {
  out.clear();
  const fs::path path = SystemPath(given);
  std::ifstream in;
  std::uintmax_t size = 0;
  const FileReadResult r = OpenForRead(path, in, &size);
  if (r != FileReadResult::Ok) return r;
  if (size > maxBytes) return FileReadResult::TooLarge;
  std::string data(static_cast<std::size_t>(size), '\0');
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  if (in.bad()) return FileReadResult::Unreadable;
  data.resize(static_cast<std::size_t>(in.gcount()));
  // The file may have grown since its size was taken; take what is there, within the limit.
  char chunk[4096];
  while (in && data.size() <= maxBytes) {
    in.read(chunk, sizeof chunk);
    if (in.bad()) return FileReadResult::Unreadable;
    data.append(chunk, static_cast<std::size_t>(in.gcount()));
  }
  if (data.size() > maxBytes) return FileReadResult::TooLarge;
  out = std::move(data);
  return FileReadResult::Ok;
}

FileReadResult ReadFilePrefix(const fs::path& given, std::string& out, std::size_t maxBytes) {
  out.clear();
  const fs::path path = SystemPath(given);
  std::ifstream in;
  const FileReadResult r = OpenForRead(path, in, nullptr);
  if (r != FileReadResult::Ok) return r;
  std::string data(maxBytes, '\0');
  in.read(data.data(), static_cast<std::streamsize>(maxBytes));
  if (in.bad()) return FileReadResult::Unreadable;
  data.resize(static_cast<std::size_t>(in.gcount()));
  out = std::move(data);
  return FileReadResult::Ok;
}

bool StageFile(const fs::path& given, std::string_view bytes, StagedFile& staged) {
  std::error_code ec;
  const fs::path path = SystemPath(given);
  fs::path target = path;
  if (fs::is_symlink(path, ec)) {
    fs::path resolved = fs::canonical(path, ec);
    if (!ec) target = std::move(resolved);
  }
  if (fs::is_directory(target, ec)) return false;
  if (ClosedToChanges(target)) return false;

  fs::path temp;
  std::FILE* f = nullptr;
  for (int attempt = 0; attempt < 8 && !f; ++attempt) {
    temp = TemporaryNameBeside(target);
    f = CreateExclusive(temp);
  }
  if (!f) return false;

  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = FlushToDisk(f) && ok;
  ok = std::fclose(f) == 0 && ok;
#ifndef _WIN32
  if (ok) {
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(temp, old.permissions(), ec);
  }
#endif
  if (!ok) {
    fs::remove(temp, ec);
    return false;
  }
  staged = {std::move(target), std::move(temp)};
  return true;
}

std::size_t ReplaceStagedFiles(const std::vector<StagedFile>& files) {
  std::error_code ec;
  // The old contents of each target, kept beside it until all are in place.
  std::vector<StagedFile> kept;
  std::size_t failed = files.size();
  for (std::size_t i = 0; i < files.size() && failed == files.size(); ++i) {
    const StagedFile& f = files[i];
    StagedFile old{f.target, {}};
    if (fs::exists(f.target, ec) && files.size() > 1) {
      old.temp = TemporaryNameBeside(f.target);
      fs::copy_file(f.target, old.temp, ec);
      if (ec) {
        fs::remove(old.temp, ec);
        failed = i;
        break;
      }
    }
    fs::rename(f.temp, f.target, ec);
    if (ec) {
      fs::remove(old.temp, ec);
      failed = i;
      break;
    }
    kept.push_back(std::move(old));
  }
  for (const StagedFile& f : files) fs::remove(f.temp, ec);
  for (const StagedFile& old : kept) {
    if (failed == files.size()) {
      if (!old.temp.empty()) fs::remove(old.temp, ec);
    } else if (old.temp.empty()) {
      fs::remove(old.target, ec);  // it was not there before
    } else {
      fs::rename(old.temp, old.target, ec);
    }
  }
  for (const StagedFile& f : files) SyncDirectory(f.target.parent_path());
  return failed;
}

bool WriteFileAtomically(const fs::path& path, std::string_view bytes) {
  StagedFile staged;
  return StageFile(path, bytes, staged) && ReplaceStagedFiles({staged}) == 1;
}

}  // namespace tesra
