// controller-emulator: plays the controller on a pseudo-terminal so the
// program can be run and tested without hardware. See --help.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/controller-emulator/Controller.h"
#include "tools/controller-emulator/Framer.h"
#include "tools/controller-emulator/Options.h"
#include "tools/controller-emulator/Output.h"
#include "tools/controller-emulator/Pty.h"

namespace emu {
namespace {

using namespace std::chrono;

int g_wakePipe[2] = {-1, -1};
volatile sig_atomic_t g_stop = 0;

void OnSignal(int) {
  g_stop = 1;
  const char c = 0;
  [[maybe_unused]] const ssize_t r = ::write(g_wakePipe[1], &c, 1);
}

// A vanishing controller waits until the program has taken in its last reply
// (a closed master drops what is still queued), but not forever.
constexpr auto kVanishSettle = 20ms;
constexpr auto kVanishLimit = 2s;

class Server {
 public:
  Server(const Options& o, const Memory& m) : o_(o), controller_(o, m), out_(o.baud), start_(Clock::now()) {}

  int Run();

 private:
  void Log(const char* what, const std::uint8_t* p, std::size_t n, const std::string& note = {});
  void Note(const std::string& text);
  void Queue(Controller::Plan p, Clock::time_point now);
  void ReadMaster(Clock::time_point now);
  void Actions(const std::vector<Segment>& done, Clock::time_point now);
  void Save();
  int TimeoutMs(Clock::time_point now, bool outputBlocked) const;

  const Options& o_;
  Controller controller_;
  Output out_;
  Framer framer_;
  Pty pty_;
  OpenWatch watch_;
  PortLink link_;
  Clock::time_point start_;
  bool reading_ = true;
  std::optional<Clock::time_point> resumeAt_;
  std::optional<Clock::time_point> vanishSince_;
  bool vanishSeenPending_ = false;
  bool done_ = false;
};

void Server::Note(const std::string& text) {
  if (!o_.verbose) return;
  const auto ms = duration_cast<milliseconds>(Clock::now() - start_).count();
  std::fprintf(stderr, "%8lld.%03lld %s\n", static_cast<long long>(ms / 1000), static_cast<long long>(ms % 1000),
               text.c_str());
}

void Server::Log(const char* what, const std::uint8_t* p, std::size_t n, const std::string& note) {
  if (!o_.verbose) return;
  std::string s = what;
  s += " " + std::to_string(n) + ":";
  constexpr std::size_t kShown = 48;
  char hex[4];
  for (std::size_t i = 0; i < n && i < kShown; ++i) {
    std::snprintf(hex, sizeof hex, " %02X", p[i]);
    s += hex;
  }
  if (n > kShown) s += " ...";
  Note(s + note);
}

void Server::Save() {
  if (o_.saveFile.empty()) return;
  std::string error;
  if (SaveMemory(o_.saveFile, controller_.memory(), error))
    Note("memory saved to " + o_.saveFile);
  else
    std::fprintf(stderr, "controller-emulator: %s\n", error.c_str());
}

void Server::Queue(Controller::Plan p, Clock::time_point now) {
  if (p.save) Save();
  for (auto& s : p.segments) out_.Push(std::move(s), now);
}

void Server::ReadMaster(Clock::time_point now) {
  std::uint8_t buf[4096];
  for (;;) {
    const ssize_t n = ::read(pty_.master(), buf, sizeof buf);
    if (n <= 0) break;
    Log("rx", buf, static_cast<std::size_t>(n));
    framer_.Feed(buf, static_cast<std::size_t>(n));
    while (auto f = framer_.Next()) {
      if (const auto skipped = framer_.TakeSkipped()) Note("skipped " + std::to_string(skipped) + " bytes");
      auto plan = controller_.OnFrame(*f);
      static const char* kinds[] = {"probe", "read", "write"};
      char addr[16];
      std::snprintf(addr, sizeof addr, " %04X", f->address);
      Note(std::string("frame ") + kinds[static_cast<int>(f->kind)] +
           (f->kind == Frame::Kind::Probe ? "" : addr) + plan.note);
      Queue(std::move(plan), now);
    }
  }
}

void Server::Actions(const std::vector<Segment>& done, Clock::time_point now) {
  for (const auto& s : done) {
    if (!s.bytes.empty()) Log("tx", s.bytes.data(), s.bytes.size());
    const auto a = s.after;
    if (a == Segment::After::StopReading) {
      reading_ = false;
      if (o_.xoffForMs > 0) resumeAt_ = now + milliseconds(o_.xoffForMs);
      Note("XOFF sent, reading stopped");
    } else if (a == Segment::After::Vanish && !vanishSince_) {
      vanishSince_ = now;
      Note("vanishing");
    }
  }
}

int Server::TimeoutMs(Clock::time_point now, bool outputBlocked) const {
  // While the pty is full the due time is past: POLLOUT tells when to go on.
  std::optional<Clock::time_point> t;
  if (!outputBlocked) t = out_.NextDue();
  auto earlier = [&](Clock::time_point x) {
    if (!t || x < *t) t = x;
  };
  if (resumeAt_) earlier(*resumeAt_);
  if (vanishSince_) earlier(now + 5ms);
  if (!t) return -1;
  if (*t <= now) return 0;
  return static_cast<int>(duration_cast<milliseconds>(*t - now + 999us).count());
}

int Server::Run() {
  std::string error;
  if (!pty_.Open(error)) {
    std::fprintf(stderr, "controller-emulator: %s\n", error.c_str());
    return 1;
  }
  if (!watch_.Start(pty_.slavePath()))
    std::fprintf(stderr, "controller-emulator: no open/close watch on %s; stale bytes stay queued\n",
                 pty_.slavePath().c_str());
  if (!o_.linkDir.empty() && !link_.Create(o_.linkDir, o_.port, pty_.slavePath(), error)) {
    std::fprintf(stderr, "controller-emulator: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", pty_.slavePath().c_str());
  std::fflush(stdout);
  if (!link_.path().empty()) Note("link " + link_.path() + " -> " + pty_.slavePath());
  Queue(controller_.OnStart(), Clock::now());

  while (!g_stop && !done_) {
    const auto now = Clock::now();
    std::vector<Segment> finished;
    const auto r = out_.Pump(pty_.master(), now, finished);
    if (r == Output::Result::Failed) {
      Note("write to the pty failed");
      break;
    }
    Actions(finished, now);
    if (resumeAt_ && now >= *resumeAt_) {
      resumeAt_.reset();
      reading_ = true;
      out_.Push(Segment{{0x11}, {}, Segment::After::None}, now);
      Note("XON sent, reading again");
      continue;
    }
    if (vanishSince_) {
      const int pending = pty_.PendingForProgram();
      if (pending > 0) vanishSeenPending_ = true;
      const auto waited = now - *vanishSince_;
      if ((pending == 0 && (vanishSeenPending_ || waited >= kVanishSettle)) || waited >= kVanishLimit) {
        Note("vanished");
        break;
      }
    }

    pollfd fds[4];
    nfds_t nf = 0;
    fds[nf++] = {g_wakePipe[0], POLLIN, 0};
    const nfds_t masterAt = nf;
    short masterEvents = 0;
    if (reading_) masterEvents |= POLLIN;
    if (r == Output::Result::Blocked) masterEvents |= POLLOUT;
    fds[nf++] = {pty_.master(), masterEvents, 0};
    const nfds_t watchAt = nf;
    fds[nf++] = {watch_.fd(), POLLIN, 0};
    nfds_t stdinAt = 0;
    if (o_.exitOnEof) {
      stdinAt = nf;
      fds[nf++] = {STDIN_FILENO, POLLIN, 0};
    }
    const int timeout = TimeoutMs(now, r == Output::Result::Blocked);
    const int k = ::poll(fds, nf, timeout);
    if (k < 0 && errno != EINTR) break;
    if (k <= 0) continue;

    const auto t = Clock::now();
    // Opens and closes first: a reply for the previous open must be dropped
    // before the new open's request is answered.
    if (fds[watchAt].revents & POLLIN) {
      const auto ev = watch_.Drain();
      if (ev.closed > 0) {
        pty_.ResetAfterClose();
        out_.Clear();
        framer_.Clear();
        framer_.TakeSkipped();
        Note("port closed by the program");
      }
      for (int i = 0; i < ev.opened; ++i) {
        Note("port opened by the program");
        Queue(controller_.OnOpen(), t);
      }
    }
    if (fds[masterAt].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      Note("pty hung up");
      break;
    }
    if (reading_ && (fds[masterAt].revents & POLLIN)) ReadMaster(t);
    if (o_.exitOnEof && (fds[stdinAt].revents & (POLLIN | POLLHUP))) {
      char c[256];
      const ssize_t n = ::read(STDIN_FILENO, c, sizeof c);
      if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
    }
  }
  pty_.Close();
  link_.Remove();
  Save();
  return 0;
}

}  // namespace
}  // namespace emu

int main(int argc, char** argv) {
  std::string error;
  const auto o = emu::ParseOptions(argc, argv, error);
  if (!o) {
    std::fprintf(stderr, "controller-emulator: %s\n", error.c_str());
    return 2;
  }
  if (o->help) {
    std::fputs(emu::HelpText(), stdout);
    return 0;
  }
  emu::Memory m{};
  if (!o->memoryFile.empty() && !emu::LoadMemory(o->memoryFile, m, error)) {
    std::fprintf(stderr, "controller-emulator: %s\n", error.c_str());
    return 2;
  }
  if (::pipe2(emu::g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  struct sigaction sa {};
  sa.sa_handler = emu::OnSignal;
  ::sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGHUP, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
  emu::Server server(*o, m);
  return server.Run();
}
