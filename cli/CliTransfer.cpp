#include "cli/CliTransfer.h"

#include <csignal>

#include <QTimer>

#include "cli/CliOutput.h"
#include "project/BackupPlace.h"
#include "project/Backups.h"

namespace cli {
namespace {

volatile std::sig_atomic_t interruptAsked = 0;
void AskToInterrupt(int) { interruptAsked = 1; }
// How often the loop looks for Ctrl+C; the signal itself cannot touch the sequence.
constexpr int kInterruptCheckMs = 100;

// The exchange's line, clock and log on the command line: the open port, a
// one-shot timer on this thread's event loop, and no traffic log. The
// sequence on top is the window's.
class ControllerLine : private tesra::ExchangeSender, private tesra::ExchangeTimer, private tesra::ExchangeLog {
 public:
  explicit ControllerLine(const LineSettings& line)
      : port_(line, [this](const std::uint8_t* bytes, std::size_t n) {
          if (sequence.Busy()) exchange_.OnData(bytes, n);
        }) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { exchange_.OnTimer(); });
    sequence.On.stepStarted = [this](tesra::TransferStep step) {
      step_ = tesra::StepCaption(step);
      done_ = 0;
      progress_.Show(step_, done_, tesra::Exchange::kBlocks);
    };
    sequence.On.blockDone = [this](tesra::TransferStep, unsigned) {
      progress_.Show(step_, ++done_, tesra::Exchange::kBlocks);
    };
    sequence.On.finished = [this](const tesra::TransferOutcome& o) { outcome_ = o; };
    tesra::TransferSequence::PrepareExchange(exchange_, port_.Port(), line.checkCrc);
  }
  ~ControllerLine() override { sequence.Abandon(); }

  // Starts a job with `start` and runs until its outcome; every request has
  // its own time-out, so this ends.
  // Ctrl+C stops it as the window's Подключить does: a write that has begun
  // ends as cut short, saying after which block and where the backup is.
  tesra::TransferOutcome Run(const std::function<void()>& start) {
    outcome_.reset();
    interruptAsked = 0;
    const auto previous = std::signal(SIGINT, AskToInterrupt);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [this] {
      if (interruptAsked && sequence.Busy()) sequence.Interrupt();
    });
    watch.start(kInterruptCheckMs);
    start();
    RunUntil([this] { return outcome_.has_value(); }, 24 * 3600 * 1000);
    std::signal(SIGINT, previous);
    progress_.Clear();
    if (!outcome_) Fail(kController, "Обмен с контроллером не завершился");
    return *outcome_;
  }

 private:
  void PutBlock(const std::uint8_t* bytes, std::size_t n) override { port_.Send(bytes, n); }
  void Start(unsigned ms) override { timer_.start(static_cast<int>(ms)); }
  void Stop() override { timer_.stop(); }
  void Frame(const std::uint8_t*, std::size_t, bool) override {}
  void Line(const std::string&) override {}

  OpenPort port_;
  QTimer timer_;
  tesra::Exchange exchange_{*this, *this, *this};

 public:
  // After the exchange it drives.
  tesra::TransferSequence sequence{exchange_};

 private:
  std::optional<tesra::TransferOutcome> outcome_;
  Progress progress_;
  std::string step_;
  unsigned done_ = 0;
};

// A read or comparison that did not end as asked: the window's error text.
void FailUnless(const tesra::TransferOutcome& o, tesra::TransferOutcome::Kind kind) {
  if (o.kind == kind) return;
  const std::string text = tesra::OutcomeErrorText(o);
  Fail(kController, text.empty() ? "Обмен с контроллером прерван" : text);
}

}  // namespace

tesra::ConfigImage ReadController(const LineSettings& line) {
  ControllerLine c(line);
  const auto o = c.Run([&] { c.sequence.StartRead(); });
  FailUnless(o, tesra::TransferOutcome::Kind::Read);
  return o.image;
}

std::vector<tesra::FieldDifference> CompareController(const LineSettings& line, const tesra::ConfigImage& project) {
  ControllerLine c(line);
  const auto o = c.Run([&] { c.sequence.StartCompare(project); });
  FailUnless(o, tesra::TransferOutcome::Kind::Compared);
  return o.differences;
}

tesra::TransferOutcome WriteController(const LineSettings& line, const tesra::ConfigImage& image,
                                       const tesra::MessageTimes& times) {
  ControllerLine c(line);
  c.sequence.On.saveBackup = [&](const tesra::ConfigImage& controller) {
    std::array<std::string, tesra::kMessageCount> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = times[i];
    tesra::BackupResult r;
    r.saved = tesra::SaveBackup(std::filesystem::path(tesra::BackupFolder().toStdU16String()),
                                tesra::BackupStemNow(line.port), controller, texts, r.failed);
    return r;
  };
  return c.Run([&] { c.sequence.StartWrite(image); });
}

}  // namespace cli
