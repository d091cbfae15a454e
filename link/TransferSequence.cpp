#include "link/TransferSequence.h"

#include <algorithm>
#include <array>
#include <utility>

#include "config/HexText.h"
#include "serial/TCommPort.h"

namespace tesra {

namespace {

std::string NativePath(const std::filesystem::path& p) {
  const std::u8string s = std::filesystem::path(p).make_preferred().u8string();
  return std::string(s.begin(), s.end());
}

bool Reading(TransferStep step) { return step != TransferStep::Write; }

}  // namespace

std::string FailureText(const TransferOutcome& o) {
  if (!o.failure) return {};
  return std::string(Reading(o.step) ? "Ошибка чтения блока " : "Ошибка записи блока ") + Hex4(o.failure->block) +
         ": " + FaultText(*o.failure) + " !";
}

std::string OutcomeErrorText(const TransferOutcome& o) {
  using Kind = TransferOutcome::Kind;
  switch (o.kind) {
    case Kind::Failed: return FailureText(o);
    case Kind::BackupFailed: return "Ошибка записи резервной копии " + NativePath(o.backupFailed) + " !";
    case Kind::CutShort: {
      std::string text =
          "Запись прервана после блока " + Hex4(o.lastBlock) + ": конфигурация контроллера неполная !";
      if (!o.backup.empty()) text += "\nРезервная копия: " + NativePath(o.backup);
      return text;
    }
    default: return {};
  }
}

std::string OutcomeStatusText(const TransferOutcome& o) {
  using Kind = TransferOutcome::Kind;
  switch (o.kind) {
    case Kind::WriteVerified: return "Запись проверена: " + std::to_string(Exchange::kBlocks) + " блоков";
    case Kind::WriteDiffers:
    case Kind::CutShort: return "Запись не подтверждена";
    case Kind::Failed: return o.step == TransferStep::Verify ? "Запись не подтверждена" : std::string();
    default: return {};
  }
}

std::string StepCaption(TransferStep step) {
  switch (step) {
    case TransferStep::Read: return "Чтение данных ...";
    case TransferStep::Compare: return "Сравнение с контроллером ...";
    case TransferStep::Backup: return "Чтение резервной копии ...";
    case TransferStep::Write: return "Запись данных ...";
    case TransferStep::Verify: return "Проверка записи ...";
    case TransferStep::None: break;
  }
  return {};
}

TransferSequence::TransferSequence(Exchange& exchange) : exchange_(exchange) {
  exchange_.On.blockDone = [this](unsigned block) {
    if (On.blockDone) On.blockDone(step_, block);
  };
  exchange_.On.echoUnconfirmed = [this](unsigned block) {
    if (On.echoUnconfirmed) On.echoUnconfirmed(block);
  };
  exchange_.On.completed = [this] { Completed(); };
  exchange_.On.failed = [this](const ExchangeFailure& f) { Failed(f); };
}

void TransferSequence::SetUpPort(TCommPort& port) {
  port.SetComNumber(1);
  port.SetIBuffSize(2048);
  port.SetOBuffSize(4096);
  port.SetBaud(9600);
  port.SetBaudRate(cbr9600);
  port.SetDataBits(8);
  port.MonitorEvents = EventSet({evRxChar, evTxEmpty, evCTS, evDSR, evRlsd, evBreak, evRing});
  port.SetXoffLim(1024);
  port.SetXonChar(0x11);
  port.SetXoffChar(0x13);
}

void TransferSequence::PrepareExchange(Exchange& exchange, TCommPort& port, bool checkCrc) {
  // What waits in the input belongs to nothing asked for.
  std::array<std::uint8_t, 512> buffer{};
  for (unsigned long k; (k = port.GetBlock(reinterpret_cast<char*>(buffer.data()), buffer.size())) > 0;)
    exchange.DropWaiting(buffer.data(), k);
  const unsigned bits = 1u + port.GetDataBits() + (port.GetParity() == paNone ? 0u : 1u) +
                        (port.GetStopBits() == sb1_0 ? 1u : 2u);
  exchange.SetLine(static_cast<unsigned>(std::max(port.GetBaud(), 0)), bits);
  exchange.SetCheckCrc(checkCrc);
}

void TransferSequence::StartRead() {
  backup_.clear();
  Begin(TransferStep::Read);
}

void TransferSequence::StartCompare(const ConfigImage& project) {
  written_ = project;
  backup_.clear();
  Begin(TransferStep::Compare);
}

void TransferSequence::StartWrite(const ConfigImage& image) {
  written_ = image;
  backup_.clear();
  Begin(TransferStep::Backup);
}

void TransferSequence::Interrupt() {
  if (!Busy()) return;
  TransferOutcome o;
  o.step = step_;
  o.backup = backup_;
  o.kind = TransferOutcome::Kind::Stopped;
  if (step_ == TransferStep::Write || step_ == TransferStep::Verify) {
    o.kind = TransferOutcome::Kind::CutShort;
    o.lastBlock = LastSent();
  }
  exchange_.Abandon();
  Finish(std::move(o));
}

unsigned TransferSequence::LastSent() const {
  return step_ == TransferStep::Write ? exchange_.Address() : kImageSize - kBlockSize;
}

void TransferSequence::Abandon() {
  step_ = TransferStep::None;
  exchange_.Abandon();
}

void TransferSequence::Begin(TransferStep step) {
  step_ = step;
  if (On.stepStarted) On.stepStarted(step);
  if (step == TransferStep::Write)
    exchange_.StartWrite(written_);
  else
    exchange_.StartRead();
}

void TransferSequence::Completed() {
  TransferOutcome o;
  o.step = step_;
  o.image = exchange_.Staged();
  o.backup = backup_;
  switch (step_) {
    case TransferStep::Read:
      o.kind = TransferOutcome::Kind::Read;
      return Finish(std::move(o));
    case TransferStep::Compare:
      o.kind = TransferOutcome::Kind::Compared;
      o.differences = ImageDifferences(written_, o.image);
      return Finish(std::move(o));
    case TransferStep::Backup: {
      const BackupResult saved = On.saveBackup ? On.saveBackup(o.image) : BackupResult{};
      if (saved.saved.empty()) {
        // Without the controller's previous configuration on disk the write could not be undone.
        o.kind = TransferOutcome::Kind::BackupFailed;
        o.backupFailed = saved.failed;
        return Finish(std::move(o));
      }
      backup_ = saved.saved;
      return Begin(TransferStep::Write);
    }
    case TransferStep::Write: return Begin(TransferStep::Verify);
    case TransferStep::Verify:
      // What the controller now holds decides, whatever the echoes said on the way.
      o.differences = ImageDifferences(written_, o.image);
      o.kind = o.differences.empty() ? TransferOutcome::Kind::WriteVerified : TransferOutcome::Kind::WriteDiffers;
      return Finish(std::move(o));
    case TransferStep::None: return;
  }
}

void TransferSequence::Failed(const ExchangeFailure& failure) {
  TransferOutcome o;
  o.step = step_;
  o.failure = failure;
  o.backup = backup_;
  // Blocks went out: the controller holds some of the new ones and some old.
  if (step_ == TransferStep::Write) {
    o.kind = TransferOutcome::Kind::CutShort;
    o.lastBlock = failure.block;
  } else {
    o.kind = TransferOutcome::Kind::Failed;
  }
  Finish(std::move(o));
}

void TransferSequence::Finish(TransferOutcome outcome) {
  step_ = TransferStep::None;
  if (On.finished) On.finished(outcome);
}

}  // namespace tesra
