#include "link/Exchange.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "config/HexText.h"

namespace tesra {

namespace {
unsigned LineMs(unsigned baud, unsigned bitsPerChar, std::size_t bytes) {
  const unsigned long long bits = static_cast<unsigned long long>(bytes) * bitsPerChar * 1000ull;
  return static_cast<unsigned>((bits + baud - 1) / baud);
}
}  // namespace

std::string FaultText(const ExchangeFailure& failure) {
  switch (failure.reason) {
    case ReplyFault::NoReply: return "нет ответа";
    case ReplyFault::WrongAddress: return "неверный адрес ответа " + Hex4(failure.replyAddress);
    case ReplyFault::BadCrc: return "неверная контрольная сумма ответа";
    case ReplyFault::ChangedEcho: return "ответ отличается от блока";
  }
  return {};
}

unsigned Exchange::ReplyTimeoutMs(unsigned baud, unsigned bitsPerChar, std::size_t requestSize,
                                  std::size_t replySize) {
  if (baud == 0) return kMinReplyTimeoutMs;
  return std::max(kMinReplyTimeoutMs, 3 * LineMs(baud, bitsPerChar, requestSize + replySize));
}

unsigned Exchange::SettleMs(unsigned baud, unsigned bitsPerChar) {
  if (baud == 0) return kMinSettleMs;
  return std::max(kMinSettleMs, 2 * LineMs(baud, bitsPerChar, kReplySize));
}

Exchange::Exchange(ExchangeSender& sender, ExchangeTimer& timer, ExchangeLog& log)
    : sender_(sender), timer_(timer), log_(log) {}

void Exchange::SetLine(unsigned baud, unsigned bitsPerChar) {
  baud_ = baud;
  bitsPerChar_ = bitsPerChar == 0 ? 10 : bitsPerChar;
}

void Exchange::StartRead() {
  staged_.clear();
  Begin(Job::Read);
}

void Exchange::StartWrite(const ConfigImage& image) {
  staged_ = image;
  Begin(Job::Write);
}

void Exchange::Begin(Job job) {
  timer_.Stop();
  ++generation_;
  job_ = job;
  address_ = 0;
  sends_ = 0;
  resends_ = 0;
  unconfirmed_.clear();
  RxCount = 0;
  gathered_.clear();
  // Bytes were waiting: the line must be quiet before the first request.
  if (std::exchange(waitingDropped_, false))
    Settle();
  else
    SendRequest();
}

void Exchange::Settle() {
  phase_ = Phase::Settling;
  settleRounds_ = 0;
  heard_ = false;
  timer_.Start(SettleMs(baud_, bitsPerChar_));
}

void Exchange::Abandon() {
  timer_.Stop();
  ++generation_;
  job_ = Job::None;
  phase_ = Phase::Idle;
  RxCount = 0;
  gathered_.clear();
  waitingDropped_ = false;
}

std::size_t Exchange::RequestSize() const { return job_ == Job::Read ? kReadQuerySize : kWriteBlockSize; }

void Exchange::SendRequest() {
  RxCount = 0;
  gathered_.clear();
  if (++sends_ > 1) ++resends_;
  const std::uint8_t* bytes;
  if (job_ == Job::Read) {
    ReadQuery.Fill(address_);
    bytes = ReadQuery.data();
  } else {
    WriteBlock.Fill(address_, staged_);
    bytes = WriteBlock.data();
  }
  phase_ = Phase::Awaiting;
  log_.Frame(bytes, RequestSize(), false);
  sender_.PutBlock(bytes, RequestSize());
  timer_.Start(ReplyTimeoutMs(baud_, bitsPerChar_, RequestSize(), kReplySize));
}

void Exchange::Drop(const std::uint8_t* bytes, std::size_t n) {
  log_.Frame(bytes, n, true);
  log_.Line("drop " + Hex4(static_cast<unsigned>(n)));
}

void Exchange::DropWaiting(const std::uint8_t* bytes, std::size_t n) {
  if (n == 0) return;
  Drop(bytes, n);
  waitingDropped_ = true;
}

bool Exchange::Wants() const {
  return phase_ == Phase::Awaiting || (phase_ == Phase::Settling && !gathered_.empty());
}

void Exchange::OnData(const std::uint8_t* chunk, std::size_t k) {
  if (k == 0) return;
  if (phase_ == Phase::Settling) heard_ = true;
  if (!Wants()) {
    // Nothing is asked for: the rest of a dropped reply, or noise.
    Drop(chunk, k);
    return;
  }
  log_.Frame(chunk, k, true);
  log_.Line("byte=" + Hex4(static_cast<unsigned>(k)));
  if (checkCrc_) {
    gathered_.insert(gathered_.end(), chunk, chunk + k);
    return Search();
  }
  // Only the first 39 bytes of a reply count; the rest of the chunk is dropped.
  const std::size_t take = std::min(k, RxFrame.size() - RxCount);
  std::memcpy(RxFrame.data() + RxCount, chunk, take);
  RxCount += take;
  if (RxCount < RxFrame.size()) return;
  Judge();
}

void Exchange::Search() {
  const std::uint8_t* g = gathered_.data();
  for (std::size_t at = 0; at + kReplySize <= gathered_.size(); ++at) {
    if (Crc8(g + at, kReplySize - 1) != g[at + kReplySize - 1] || ReplyAddress(g + at) != address_) continue;
    // What came before the reply is not part of it.
    if (at > 0) log_.Line("drop " + Hex4(static_cast<unsigned>(at)));
    std::memcpy(RxFrame.data(), g + at, kReplySize);
    gathered_.clear();
    return Judge();
  }
  if (gathered_.size() > kMaxGathered) {
    // Noise without end: only the latest bytes can still hold the start of a reply.
    const std::size_t excess = gathered_.size() - kMaxGathered;
    log_.Line("drop " + Hex4(static_cast<unsigned>(excess)));
    gathered_.erase(gathered_.begin(), gathered_.begin() + static_cast<std::ptrdiff_t>(excess));
  }
  RxCount = std::min(gathered_.size(), RxFrame.size());
  std::memcpy(RxFrame.data(), gathered_.data(), RxCount);
  // No reply among 39 bytes or more: the front is judged as the reply it
  // should have been, and what comes while the line settles is still looked at.
  if (phase_ == Phase::Awaiting && RxCount == RxFrame.size()) Judge();
}

void Exchange::Judge() {
  timer_.Stop();
  RxCount = 0;
  const unsigned carried = ReplyAddress(RxFrame.data());
  log_.Line("------------");
  log_.Line("copy to" + Hex4(carried));
  // A damaged frame's address means nothing, so the checksum goes first.
  if (checkCrc_ && Crc8(RxFrame.data(), kReplySize - 1) != RxFrame[kReplySize - 1])
    return Retry({address_, ReplyFault::BadCrc, carried});
  if (carried != address_) return Retry({address_, ReplyFault::WrongAddress, carried});
  const std::uint8_t* block = ReplyBlock(RxFrame.data());
  if (job_ == Job::Write && std::memcmp(staged_.data() + address_, block, kBlockSize) != 0) {
    if (sends_ < kMaxSends) return Retry({address_, ReplyFault::ChangedEcho, carried});
    unconfirmed_.push_back(address_);
    phase_ = Phase::Idle;
    const unsigned gen = generation_;
    if (On.echoUnconfirmed) On.echoUnconfirmed(address_);
    if (gen != generation_) return;
  } else if (job_ == Job::Read) {
    std::memcpy(staged_.data() + address_, block, kBlockSize);
  }
  phase_ = Phase::Idle;
  const unsigned gen = generation_;
  if (On.blockDone) On.blockDone(address_);
  if (gen != generation_) return;
  NextBlock();
}

void Exchange::NextBlock() {
  address_ += kBlockSize;
  sends_ = 0;
  if (address_ >= kImageSize) {
    job_ = Job::None;
    phase_ = Phase::Idle;
    if (On.completed) On.completed();
    return;
  }
  SendRequest();
}

void Exchange::Retry(const ExchangeFailure& failure) {
  if (sends_ >= kMaxSends) return Fail(failure);
  log_.Line("resend " + Hex4(failure.block) + ": " + FaultText(failure));
  // What else arrives for the failed or late reply is dropped before the request goes again.
  Settle();
}

void Exchange::Fail(const ExchangeFailure& failure) {
  timer_.Stop();
  job_ = Job::None;
  phase_ = Phase::Idle;
  RxCount = 0;
  gathered_.clear();
  log_.Line("error " + Hex4(failure.block) + ": " + FaultText(failure));
  if (On.failed) On.failed(failure);
}

void Exchange::OnTimer() {
  if (phase_ == Phase::Settling) {
    // Quiet for a whole period, or waited as long as a reply may take: send.
    const unsigned settle = SettleMs(baud_, bitsPerChar_);
    const unsigned rounds = std::max(1u, ReplyTimeoutMs(baud_, bitsPerChar_, RequestSize(), kReplySize) / settle);
    if (heard_ && ++settleRounds_ < rounds) {
      heard_ = false;
      timer_.Start(settle);
      return;
    }
    if (!gathered_.empty()) log_.Line("drop " + Hex4(static_cast<unsigned>(gathered_.size())));
    return SendRequest();
  }
  if (phase_ != Phase::Awaiting) return;
  // With the CRC-8 checked, a late reply may still complete what came; else it goes.
  if (!checkCrc_ && RxCount > 0) log_.Line("drop " + Hex4(static_cast<unsigned>(RxCount)));
  RxCount = 0;
  // The rest of a late reply must not become the front of the next one.
  Retry({address_, ReplyFault::NoReply, 0});
}

}  // namespace tesra
