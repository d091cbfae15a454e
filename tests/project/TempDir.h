// A fresh directory per test, removed afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace tesra::test {

class TempDir {
 public:
  TempDir() {
    std::mt19937_64 rng{std::random_device{}()};
    path_ = std::filesystem::temp_directory_path() / ("tesra-test-" + std::to_string(rng()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // Names in the directory, to see that no temporary file is left behind.
  std::size_t EntryCount() const {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path_)) ++n;
    return n;
  }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

#ifdef _WIN32
// The file held open as another program may hold it, until destroyed:
// `share` _SH_DENYRW lets nobody else open it, _SH_DENYWR lets others only
// read it (nobody writes, deletes or renames over it).
class HeldOpen {
 public:
  HeldOpen(const std::filesystem::path& path, int share) {
    if (::_wsopen_s(&fd_, path.c_str(), _O_RDONLY | _O_BINARY, share, _S_IREAD) != 0) fd_ = -1;
  }
  ~HeldOpen() { Close(); }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  bool IsOpen() const { return fd_ >= 0; }
  void Close() {
    if (fd_ >= 0) ::_close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};
#endif

// Keeps this process from reading a file while it lives. On POSIX systems the
// file's permissions are taken away, which does not stop root (Effective() is
// false then). On Windows, where the permission bits are only the read-only
// attribute, the file is held open and shared with nobody, as another program
// may hold it.
class ReadBarrier {
 public:
#ifdef _WIN32
  explicit ReadBarrier(const std::filesystem::path& path) : held_(path, _SH_DENYRW) {}
#else
  explicit ReadBarrier(const std::filesystem::path& path) : path_(path) {
    std::filesystem::permissions(path, std::filesystem::perms::none);
  }
#endif
  ~ReadBarrier() { Release(); }
  ReadBarrier(const ReadBarrier&) = delete;
  ReadBarrier& operator=(const ReadBarrier&) = delete;

  bool Effective() const {
#ifdef _WIN32
    return held_.IsOpen();
#else
    return ::geteuid() != 0;
#endif
  }
  void Release() {
#ifdef _WIN32
    held_.Close();
#else
    if (released_) return;
    released_ = true;
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ec);
#endif
  }

 private:
#ifdef _WIN32
  HeldOpen held_;
#else
  std::filesystem::path path_;
  bool released_ = false;
#endif
};

}  // namespace tesra::test
