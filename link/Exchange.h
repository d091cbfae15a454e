// One read or write of the whole configuration, 16 blocks of 32 bytes, one
// request at a time. Every reply is checked (the address requested, and the
// CRC-8 when asked); a request without a valid reply is sent again, up to
// three sends in all, once the line has gone quiet, so nothing of a failed or
// late reply is taken for the next one. With the CRC-8 checked, a reply is
// found behind stray bytes: the 39 bytes that carry the address asked for and
// a matching CRC-8. A read gathers its blocks in a copy of its own that is
// handed over only when all 16 are in. Driven by the port's data event and a
// one-shot timer; the window, tests and a command line use it alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/ConfigImage.h"
#include "link/Frames.h"

namespace tesra {

// Hands a frame to the line (the port component's PutBlock).
class ExchangeSender {
 public:
  virtual ~ExchangeSender() = default;
  virtual void PutBlock(const std::uint8_t* bytes, std::size_t n) = 0;
};

// A one-shot timer: Start replaces any pending time-out.
class ExchangeTimer {
 public:
  virtual ~ExchangeTimer() = default;
  virtual void Start(unsigned ms) = 0;
  virtual void Stop() = 0;
};

// The traffic log: frames sent and chunks received, and the exchange's own lines.
class ExchangeLog {
 public:
  virtual ~ExchangeLog() = default;
  virtual void Frame(const std::uint8_t* bytes, std::size_t n, bool received) = 0;
  virtual void Line(const std::string& line) = 0;
};

enum class ReplyFault { NoReply, WrongAddress, BadCrc, ChangedEcho };

struct ExchangeFailure {
  unsigned block = 0;         // the address requested
  ReplyFault reason = ReplyFault::NoReply;
  unsigned replyAddress = 0;  // the address the bad reply carried
};

// "нет ответа", "неверный адрес ответа 0100", "неверная контрольная сумма ответа" (UTF-8).
std::string FaultText(const ExchangeFailure& failure);

class Exchange {
 public:
  enum class Job { None, Read, Write };
  static constexpr int kMaxSends = 3;
  static constexpr unsigned kMinReplyTimeoutMs = 1000;
  static constexpr unsigned kMinSettleMs = 200;
  static constexpr unsigned kBlocks = kImageSize / kBlockSize;

  // What the owner is told; each runs with the exchange already in its next
  // state, so a handler may start another job.
  struct Handlers {
    std::function<void(unsigned block)> blockDone;          // a reply accepted
    std::function<void(unsigned block)> echoUnconfirmed;     // echo still differs after the last send
    std::function<void()> completed;                         // read: Staged() holds all 16 blocks
    std::function<void(const ExchangeFailure&)> failed;      // the job has stopped
  };

  Exchange(ExchangeSender& sender, ExchangeTimer& timer, ExchangeLog& log);

  Handlers On;

  // Line rate and bits per character (start + data + parity + stop) of the
  // port, for the time-outs; a rate of 0 counts as unknown (the minimum applies).
  void SetLine(unsigned baud, unsigned bitsPerChar);
  void SetCheckCrc(bool check) { checkCrc_ = check; }
  bool CheckCrc() const { return checkCrc_; }

  void StartRead();
  // The blocks sent are those of `image` as it is now.
  void StartWrite(const ConfigImage& image);
  // Stops without telling anyone (port closed, window closing).
  void Abandon();

  // Bytes that waited in the input before the job: logged and dropped; the
  // job then waits for a quiet line before its first request.
  void DropWaiting(const std::uint8_t* bytes, std::size_t n);
  // A chunk taken from the port by its data event.
  void OnData(const std::uint8_t* chunk, std::size_t k);
  // Whether bytes arriving now are still wanted: a reply is awaited, or, with
  // the CRC-8 checked, may still be found among what came for the request.
  bool Wants() const;
  // The one-shot timer ran out.
  void OnTimer();

  Job job() const { return job_; }
  // The block asked for or being written.
  unsigned Address() const { return address_; }
  // The read's copy; complete once `completed` has run.
  const ConfigImage& Staged() const { return staged_; }
  // Write: blocks whose echo never matched what was sent.
  const std::vector<unsigned>& Unconfirmed() const { return unconfirmed_; }
  // Sends of the current block, and resends over the whole job.
  int Sends() const { return sends_; }
  unsigned Resends() const { return resends_; }

  // The time-out of the request under way, from the line as set.
  unsigned ReplyTimeout() const { return ReplyTimeoutMs(baud_, bitsPerChar_, RequestSize(), kReplySize); }
  // Line time of a request and its reply, three times over, never under 1 s.
  static unsigned ReplyTimeoutMs(unsigned baud, unsigned bitsPerChar, std::size_t requestSize,
                                 std::size_t replySize);
  // Quiet time after a failed reply, so what else arrives for it is dropped
  // too; while bytes keep coming it is repeated, up to a reply's time-out.
  static unsigned SettleMs(unsigned baud, unsigned bitsPerChar);

  // The reply being gathered: with the CRC-8 checked, the front of what came.
  std::array<std::uint8_t, kReplySize> RxFrame{};
  std::size_t RxCount = 0;
  // With the CRC-8 checked, what came for the request is kept, up to this,
  // while a reply is looked for in it.
  static constexpr std::size_t kMaxGathered = 4 * kReplySize;
  ReadQueryBuffer ReadQuery;
  WriteBlockBuffer WriteBlock;

 private:
  enum class Phase { Idle, Awaiting, Settling };
  void Begin(Job job);
  void SendRequest();
  void Judge();
  void Search();
  void Retry(const ExchangeFailure& failure);
  void Settle();
  void Fail(const ExchangeFailure& failure);
  void NextBlock();
  void Drop(const std::uint8_t* bytes, std::size_t n);
  std::size_t RequestSize() const;

  ExchangeSender& sender_;
  ExchangeTimer& timer_;
  ExchangeLog& log_;
  unsigned baud_ = 9600;
  unsigned bitsPerChar_ = 10;
  bool checkCrc_ = true;

  Job job_ = Job::None;
  Phase phase_ = Phase::Idle;
  unsigned address_ = 0;
  int sends_ = 0;
  unsigned resends_ = 0;
  unsigned generation_ = 0;
  bool waitingDropped_ = false;  // DropWaiting took bytes before this job
  bool heard_ = false;           // bytes came during this settling period
  unsigned settleRounds_ = 0;  // moves on when a job starts or is abandoned
  std::vector<std::uint8_t> gathered_;  // CRC-8 checked: what came for the request
  ConfigImage staged_;   // read: the blocks gathered; write: what is sent
  std::vector<unsigned> unconfirmed_;
};

}  // namespace tesra
