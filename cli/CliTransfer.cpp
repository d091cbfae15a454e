#include "cli/CliTransfer.h"

#include <memory>
#include <optional>

#include <QTimer>

#include "cli/CliOutput.h"
#include "config/HexText.h"
#include "link/Exchange.h"

namespace cli {
namespace {

// The exchange's line, clock and log on the command line: the open port, a
// one-shot timer on this thread's event loop, and no traffic log.
class ControllerLine : private tesra::ExchangeSender, private tesra::ExchangeTimer, private tesra::ExchangeLog {
 public:
  explicit ControllerLine(const LineSettings& line)
      : port_(line, [this](const std::uint8_t* bytes, std::size_t n) {
          if (exchange.job() != tesra::Exchange::Job::None) exchange.OnData(bytes, n);
        }) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { exchange.OnTimer(); });
    exchange.SetLine(static_cast<unsigned>(line.baud), line.BitsPerChar());
    exchange.SetCheckCrc(line.checkCrc);
    // What waits in the input belongs to nothing asked for.
    const auto waiting = port_.TakeWaiting();
    if (!waiting.empty()) exchange.DropWaiting(waiting.data(), waiting.size());
  }
  ~ControllerLine() override { exchange.Abandon(); }

  tesra::Exchange exchange{*this, *this, *this};

 private:
  void PutBlock(const std::uint8_t* bytes, std::size_t n) override { port_.Send(bytes, n); }
  void Start(unsigned ms) override { timer_.start(static_cast<int>(ms)); }
  void Stop() override { timer_.stop(); }
  void Frame(const std::uint8_t*, std::size_t, bool) override {}
  void Line(const std::string&) override {}

  OpenPort port_;
  QTimer timer_;
};

// Runs until the exchange has stopped; no deadline of its own, since every
// request has its time-out.
void RunJob(tesra::Exchange& exchange) {
  RunUntil([&] { return exchange.job() == tesra::Exchange::Job::None; }, 24 * 3600 * 1000);
}

}  // namespace

tesra::ConfigImage ReadController(const LineSettings& line) {
  ControllerLine c(line);
  Progress progress;
  std::optional<tesra::ExchangeFailure> failure;
  unsigned done = 0;
  c.exchange.On.blockDone = [&](unsigned) { progress.Show("Чтение", ++done, tesra::Exchange::kBlocks); };
  c.exchange.On.failed = [&](const tesra::ExchangeFailure& f) { failure = f; };
  c.exchange.StartRead();
  RunJob(c.exchange);
  progress.Clear();
  if (failure)
    Fail(kController, "Ошибка чтения блока " + tesra::Hex4(failure->block) + ": " + tesra::FaultText(*failure) + " !");
  return c.exchange.Staged();
}

}  // namespace cli
