// Throughput of a 4 MB transfer each way through TCommPort over a pty pair,
// and the CPU time the process uses while a port is open and idle for 5 s.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "serial/GuiQueue.h"
#include "serial/MessageSink.h"
#include "serial/PosixSerialDevice.h"
#include "serial/TCommPort.h"
#include "tests/serial/PtyPair.h"

using namespace tesra;
using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::string RandomBytes(std::size_t n) {
  std::mt19937 rng(7);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

}  // namespace

int main() {
  constexpr std::size_t kSize = 4u << 20;
  const std::string data = RandomBytes(kSize);
  PtyPair pty;
  GuiQueue& queue = GuiQueue::Main();
  queue.SetGuiThread();
  TCommPort port(nullptr, &StderrMessageSink(), &queue);
  port.SetComNumber(pty.number());
  port.SetIBuffSize(2048);
  port.SetOBuffSize(4096);
  std::string received;
  port.OnDataReceived = [&](TCommPort* s, std::uint32_t) {
    char buf[4096];
    for (unsigned long n; (n = s->GetBlock(buf, sizeof buf)) > 0;) received.append(buf, n);
  };
  port.SetOpen(true);
  if (!port.GetOpen()) return 1;

  // Port -> peer.
  std::size_t drained = 0;
  bool same = true;
  auto t0 = Clock::now();
  std::thread reader([&] {
    std::string got;
    char buf[65536];
    while (got.size() < kSize) {
      const ssize_t r = pty.ReadSome(buf, sizeof buf, 1000);
      if (r < 0) break;
      got.append(buf, static_cast<std::size_t>(r));
    }
    drained = got.size();
    same = got == data;
    queue.Notify();
  });
  std::size_t put = 0;
  while (put < kSize) {
    put += port.PutBlock(data.data() + put, kSize - put);
    queue.ServeUntil([&] { return port.GetOutBuffFree() > 0; },
                     Clock::now() + std::chrono::milliseconds(1));
  }
  reader.join();
  const double outSecs = std::chrono::duration<double>(Clock::now() - t0).count();

  // Peer -> port.
  t0 = Clock::now();
  std::thread writer([&] { pty.WriteAll(data.data(), kSize); });
  queue.ServeUntil([&] { return received.size() >= kSize; }, Clock::now() + std::chrono::seconds(60));
  writer.join();
  const double inSecs = std::chrono::duration<double>(Clock::now() - t0).count();

  // Idle: the GUI thread blocks in the queue as an event loop would.
  const double cpu0 = CpuSeconds();
  const auto i0 = Clock::now();
  queue.ServeUntil([] { return false; }, i0 + std::chrono::seconds(5));
  const double idleWall = std::chrono::duration<double>(Clock::now() - i0).count();
  const double idleCpu = CpuSeconds() - cpu0;
  port.SetOpen(false);

  std::printf("port -> peer: %zu bytes in %.3f s = %.1f MB/s (%s)\n", drained, outSecs,
              drained / outSecs / 1e6, same ? "intact" : "CORRUPT");
  std::printf("peer -> port: %zu bytes in %.3f s = %.1f MB/s (%s)\n", received.size(), inSecs,
              received.size() / inSecs / 1e6, received == data ? "intact" : "CORRUPT");
  std::printf("idle open port: %.4f s CPU in %.2f s = %.3f%% of one core\n", idleCpu, idleWall,
              100.0 * idleCpu / idleWall);
  return same && received == data ? 0 : 1;
}
