// A pseudo-terminal pair for the serial tests and benchmarks: the master is
// the other end of the line, the slave is reached as COMn through
// TESRACONFIG_COM_DIR pointing at a temporary folder with a symbolic link.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace tesra {

// The other end of the line on a thread of its own. Its body must never
// block (a non-blocking master) and must return once `stop` is set; the
// thread is stopped and joined on every way out of the test, a failed
// assertion included, so it cannot abort the whole test program.
class PtyPeer {
 public:
  explicit PtyPeer(std::function<void(const std::atomic<bool>& stop)> body)
      : thread_([this, body = std::move(body)] { body(stop_); }) {}
  ~PtyPeer() { Stop(); }
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;
  void Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class PtyPair {
 public:
  explicit PtyPair(int comNumber = 7) : number_(comNumber) {
    int slave = -1;
    if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    termios t{};
    ::tcgetattr(master_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(master_, TCSANOW, &t);
    const std::string slaveName = ::ttyname(slave);
    ::close(slave);
    char tmpl[] = "/tmp/tesra-com.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    std::filesystem::create_symlink(slaveName, dir_ + "/COM" + std::to_string(number_));
    ::setenv("TESRACONFIG_COM_DIR", dir_.c_str(), 1);
  }
  ~PtyPair() {
    CloseMaster();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    ::unsetenv("TESRACONFIG_COM_DIR");
  }
  int master() const { return master_; }
  int number() const { return number_; }
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  // The master's calls return at once instead of waiting for the line.
  bool SetNonBlocking() { return ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) == 0; }
  // Writes what the master takes now of n bytes: -1 on an error, else the count (0 when full).
  ssize_t WriteSome(const char* p, std::size_t n) {
    const ssize_t r = ::write(master_, p, n);
    return r < 0 && (errno == EAGAIN || errno == EINTR) ? 0 : r;
  }
  // Writes all of n bytes to the master (blocking).
  bool WriteAll(const char* p, std::size_t n) {
    while (n > 0) {
      const ssize_t r = ::write(master_, p, n);
      if (r < 0) {
        if (errno == EINTR || errno == EAGAIN) continue;
        return false;
      }
      p += r;
      n -= static_cast<std::size_t>(r);
    }
    return true;
  }
  // Reads what arrives within `ms` (0 when nothing came, -1 on error).
  ssize_t ReadSome(char* p, std::size_t n, int ms) {
    pollfd f{master_, POLLIN, 0};
    const int k = ::poll(&f, 1, ms);
    if (k <= 0) return k;
    return ::read(master_, p, n);
  }

 private:
  int number_;
  int master_ = -1;
  std::string dir_;
};

}  // namespace tesra
