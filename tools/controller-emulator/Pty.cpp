#include "tools/controller-emulator/Pty.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace emu {

namespace {
bool MakeRaw(int fd) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return false;
  ::cfmakeraw(&t);
  return ::tcsetattr(fd, TCSANOW, &t) == 0;
}
std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }
}  // namespace

Pty::~Pty() { Close(); }

bool Pty::Open(std::string& error) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0) return error = Errno("posix_openpt"), false;
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return error = Errno("unlockpt"), false;
  const char* name = ::ptsname(master_);
  if (!name) return error = Errno("ptsname"), false;
  slavePath_ = name;
  // Held open for the emulator's whole life: without it every close by the
  // program would hang the line up, and the master would report POLLHUP
  // until the next open.
  slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) return error = Errno("open slave"), false;
  if (!MakeRaw(master_) || !MakeRaw(slave_)) return error = Errno("raw mode"), false;
  const int flags = ::fcntl(master_, F_GETFL);
  if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) return error = Errno("O_NONBLOCK"), false;
  return true;
}

void Pty::ResetAfterClose() {
  if (slave_ < 0) return;
  ::tcflush(slave_, TCIFLUSH);
  ::ioctl(slave_, TIOCNXCL);
}

int Pty::PendingForProgram() const {
  int n = 0;
  if (slave_ < 0 || ::ioctl(slave_, FIONREAD, &n) != 0) return 0;
  return n;
}

void Pty::Close() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = slave_ = -1;
}

OpenWatch::~OpenWatch() {
  if (fd_ >= 0) ::close(fd_);
}

bool OpenWatch::Start(const std::string& path) {
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return false;
  if (::inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_CLOSE) < 0) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

OpenWatch::Events OpenWatch::Drain() {
  Events ev;
  if (fd_ < 0) return ev;
  alignas(inotify_event) char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fd_, buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t off = 0; off + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event e;
      std::memcpy(&e, buf + off, sizeof e);
      if (e.mask & IN_OPEN) {
        if (openCount_++ == 0) ++ev.opened;
      }
      if (e.mask & IN_CLOSE) {
        // Our own descriptors were opened before the watch, so a count that
        // would go below zero is a close of one of them.
        if (openCount_ > 0 && --openCount_ == 0) ++ev.closed;
      }
      off += static_cast<ssize_t>(sizeof(inotify_event) + e.len);
    }
  }
  return ev;
}

PortLink::~PortLink() { Remove(); }

bool PortLink::Create(const std::string& dir, unsigned port, const std::string& target, std::string& error) {
  const std::string path = dir + "/COM" + std::to_string(port);
  std::error_code ec;
  // A link left by an emulator that was killed would otherwise block the start.
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) std::filesystem::remove(path, ec);
  std::filesystem::create_symlink(target, path, ec);
  if (ec) return error = "link " + path + ": " + ec.message(), false;
  path_ = path;
  return true;
}

void PortLink::Remove() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove(path_, ec);
  path_.clear();
}

}  // namespace emu
