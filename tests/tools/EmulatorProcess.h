// The controller emulator as a child process, and the program's end of its
// pseudo-terminal, for tests that drive the real binary.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace emutest {

using Bytes = std::vector<std::uint8_t>;

// Long enough for a loaded machine; the tests never wait this long when
// the emulator behaves.
constexpr int kPatienceMs = 5000;

class EmulatorProcess {
 public:
  // With `captureLog` the emulator runs --verbose and its log is read by WaitForLog.
  explicit EmulatorProcess(std::vector<std::string> args, bool captureLog = false) {
    int out[2], in[2], err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) return;
    if (captureLog && ::pipe2(err, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&fa, in[0], STDIN_FILENO);
    if (captureLog) {
      posix_spawn_file_actions_adddup2(&fa, err[1], STDERR_FILENO);
      args.insert(args.begin(), "--verbose");
    }
    args.insert(args.begin(), "--exit-on-eof");
    args.insert(args.begin(), CONTROLLER_EMULATOR);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, CONTROLLER_EMULATOR, &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    ::close(in[0]);
    if (captureLog) {
      ::close(err[1]);
      log_ = err[0];
    }
    out_ = out[0];
    stdin_ = in[1];
    if (pid_ > 0) path_ = ReadLine(out_);
  }
  ~EmulatorProcess() {
    Stop();
    if (out_ >= 0) ::close(out_);
    if (stdin_ >= 0) ::close(stdin_);
    if (log_ >= 0) ::close(log_);
  }
  EmulatorProcess(const EmulatorProcess&) = delete;
  EmulatorProcess& operator=(const EmulatorProcess&) = delete;

  // The pty path of the first line; empty when the emulator did not start.
  const std::string& path() const { return path_; }

  // Ends it with SIGTERM; its exit status, or -1.
  int Stop() {
    if (pid_ <= 0) return status_;
    ::kill(pid_, SIGTERM);
    return WaitExit();
  }
  // Reads the log up to a line containing `text`; false if none came.
  bool WaitForLog(const std::string& text) {
    for (;;) {
      const std::string line = ReadLine(log_);
      if (line.empty()) return false;
      if (line.find(text) != std::string::npos) return true;
    }
  }

  // Waits for it to end by itself; -1 when it did not within the patience.
  int WaitExit() {
    if (pid_ <= 0) return status_;
    for (int waited = 0; waited < kPatienceMs; waited += 10) {
      int st = 0;
      if (::waitpid(pid_, &st, WNOHANG) == pid_) {
        pid_ = -1;
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        return status_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

 private:
  static std::string ReadLine(int fd) {
    if (fd < 0) return {};
    std::string line;
    char c;
    for (;;) {
      pollfd f{fd, POLLIN, 0};
      if (::poll(&f, 1, kPatienceMs) <= 0) return {};
      if (::read(fd, &c, 1) != 1) return {};
      if (c == '\n') return line;
      line += c;
    }
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int stdin_ = -1;
  int log_ = -1;
  int status_ = -1;
  std::string path_;
};

// The slave side, opened the way the program opens a port.
class Port {
 public:
  explicit Port(const std::string& path) {
    for (int waited = 0; waited < kPatienceMs; waited += 10) {
      fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
      // An exclusive claim of a previous open ends when the emulator sees
      // that open closed; until then a non-root open is refused.
      if (fd_ >= 0 || errno != EBUSY) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (fd_ < 0) return;
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd_, TCSANOW, &t);
  }
  ~Port() { Close(); }
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  bool Write(const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
      const ssize_t w = ::write(fd_, p, n);
      if (w < 0) {
        if (errno == EINTR || errno == EAGAIN) continue;
        return false;
      }
      p += w;
      n -= static_cast<std::size_t>(w);
    }
    return true;
  }
  bool Write(const Bytes& b) { return Write(b.data(), b.size()); }

  // Each read() taken until n bytes came, the line hung up or `ms` passed
  // without a byte.
  std::vector<Bytes> ReadChunks(std::size_t n, int ms = kPatienceMs) {
    std::vector<Bytes> chunks;
    std::size_t got = 0;
    hungUp_ = false;
    while (got < n) {
      pollfd f{fd_, POLLIN, 0};
      const int k = ::poll(&f, 1, ms);
      if (k <= 0) break;
      std::uint8_t buf[4096];
      const ssize_t r = ::read(fd_, buf, std::min(sizeof buf, n - got));
      if (r <= 0) {
        if (r < 0 && errno == EAGAIN) continue;
        hungUp_ = true;
        break;
      }
      chunks.emplace_back(buf, buf + r);
      got += static_cast<std::size_t>(r);
    }
    return chunks;
  }
  Bytes Read(std::size_t n, int ms = kPatienceMs) {
    Bytes all;
    for (const auto& c : ReadChunks(n, ms)) all.insert(all.end(), c.begin(), c.end());
    return all;
  }
  bool hungUp() const { return hungUp_; }

 private:
  int fd_ = -1;
  bool hungUp_ = false;
};

}  // namespace emutest
