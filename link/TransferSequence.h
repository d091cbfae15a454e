// The transfers as the user knows them, over one exchange: a read, a
// comparison, and a verified write (backup read, backup save, write,
// read-back, verdict). The window and the command line drive it alike; each
// says how it shows progress and the outcome, and how it saves the backup.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/ConfigImage.h"
#include "config/ImageDifferences.h"
#include "link/Exchange.h"

namespace tesra {

class TCommPort;

enum class TransferStep { None, Read, Compare, Backup, Write, Verify };

// A backup's save: `saved` is the .usr written, or empty with `failed` naming
// the file or folder that could not be written.
struct BackupResult {
  std::filesystem::path saved;
  std::filesystem::path failed;
};

struct TransferOutcome {
  enum class Kind {
    Read,           // image: the controller's 512 bytes
    Compared,       // image: the controller's; differences against the project (none: equal)
    WriteVerified,  // the read-back equals what was written
    WriteDiffers,   // differences: written against read back
    Failed,         // a read, comparison, backup read or read-back stopped at `failure`
    BackupFailed,   // backupFailed could not be written; no block was sent
    CutShort,       // a write stopped after `lastBlock` went out, before its read-back decided
    Stopped,        // stopped on request before any block was written
  };
  Kind kind = Kind::Stopped;
  TransferStep step = TransferStep::None;  // the step that ended
  ConfigImage image;
  std::vector<FieldDifference> differences;
  std::optional<ExchangeFailure> failure;  // Failed; CutShort by a failing block
  unsigned lastBlock = 0;                  // CutShort: the last block sent
  std::filesystem::path backup;            // this write's saved backup, if any
  std::filesystem::path backupFailed;
};

// The texts of an outcome (UTF-8), so every program says the same.
// A failed block: "Ошибка чтения блока 0040: нет ответа !", "Ошибка записи
// блока 0060: ..."; empty without one.
std::string FailureText(const TransferOutcome& outcome);
// The error box: the failed block's text, "Ошибка записи резервной копии
// <path> !", or "Запись прервана после блока 0060: конфигурация контроллера
// неполная !" with "Резервная копия: <path>" on a line of its own; empty
// when the outcome is no error.
std::string OutcomeErrorText(const TransferOutcome& outcome);
// Status panel 1 after a write: "Запись проверена: 16 блоков", "Запись не
// подтверждена"; empty for what is not a write's verdict.
std::string OutcomeStatusText(const TransferOutcome& outcome);
// What a step is doing, as the progress panel says it ("Запись данных ...").
std::string StepCaption(TransferStep step);

class TransferSequence {
 public:
  struct Handlers {
    std::function<void(TransferStep)> stepStarted;                 // its progress starts at 0
    std::function<void(TransferStep, unsigned block)> blockDone;  // a reply accepted
    std::function<void(unsigned block)> echoUnconfirmed;           // echo still differs after the last send
    // Saves the controller's image as it was before the write.
    std::function<BackupResult(const ConfigImage& controller)> saveBackup;
    std::function<void(const TransferOutcome&)> finished;
  };

  // Takes over `exchange`'s handlers.
  explicit TransferSequence(Exchange& exchange);
  TransferSequence(const TransferSequence&) = delete;
  TransferSequence& operator=(const TransferSequence&) = delete;

  Handlers On;

  // The port as every program sets it for the controller while it is
  // closed: its buffers, the events it watches, the flow-control characters;
  // port 1 at 9600 baud, 8 data bits until the connection says otherwise.
  static void SetUpPort(TCommPort& port);
  // The exchange starts from the port as it is: what waits in its input is
  // dropped, its rate and character size set the time-outs.
  static void PrepareExchange(Exchange& exchange, TCommPort& port, bool checkCrc);

  void StartRead();
  // `project` is what the controller is compared with.
  void StartCompare(const ConfigImage& project);
  // `image` is what is written and what the read-back must show. The plan
  // check's verdict is the caller's, before this.
  void StartWrite(const ConfigImage& image);
  // Stops on the user's word: a write that may have changed the controller
  // ends as CutShort, anything else as Stopped; `finished` is told.
  void Interrupt();
  // Stops without telling anyone (port closed, window closing).
  void Abandon();

  TransferStep Step() const { return step_; }
  bool Busy() const { return step_ != TransferStep::None; }
  // A write in any of its steps.
  bool Writing() const {
    return step_ == TransferStep::Backup || step_ == TransferStep::Write || step_ == TransferStep::Verify;
  }
  const ConfigImage& Written() const { return written_; }

 private:
  void Begin(TransferStep step);
  void Completed();
  void Failed(const ExchangeFailure& failure);
  void Finish(TransferOutcome outcome);
  unsigned LastSent() const;

  Exchange& exchange_;
  TransferStep step_ = TransferStep::None;
  ConfigImage written_;  // a write: what is sent; a comparison: the project
  std::filesystem::path backup_;
};

}  // namespace tesra
