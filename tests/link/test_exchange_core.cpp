// The exchange core on fakes: a line that records what goes out, a timer the
// test runs out by hand, and a log. A small controller in the test answers the
// requests, with one fault at one block for a chosen number of times.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "link/Exchange.h"

using tesra::Exchange;
using tesra::ExchangeFailure;
using tesra::ReplyFault;

namespace {

struct FakeLine : tesra::ExchangeSender {
  std::vector<std::vector<std::uint8_t>> frames;
  void PutBlock(const std::uint8_t* b, std::size_t n) override { frames.emplace_back(b, b + n); }
};

struct FakeTimer : tesra::ExchangeTimer {
  std::optional<unsigned> armed;
  void Start(unsigned ms) override { armed = ms; }
  void Stop() override { armed.reset(); }
};

struct FakeLog : tesra::ExchangeLog {
  std::vector<std::string> lines;
  std::size_t framesIn = 0;
  void Frame(const std::uint8_t*, std::size_t, bool received) override { framesIn += received; }
  void Line(const std::string& l) override { lines.push_back(l); }
  int Count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
  }
};

enum class Fault { None, BadCrc, WrongAddress, NoReply, ChangedEcho, Stray };

std::vector<std::uint8_t> Reply(std::uint8_t command, unsigned address, const std::uint8_t* data) {
  std::vector<std::uint8_t> r{0x00, 0x01, 0x26, command, static_cast<std::uint8_t>(address >> 8),
                              static_cast<std::uint8_t>(address & 0xFF)};
  r.insert(r.end(), data, data + 32);
  r.push_back(tesra::Crc8(r.data(), r.size()));
  return r;
}

struct Rig {
  FakeLine line;
  FakeTimer timer;
  FakeLog log;
  Exchange ex{line, timer, log};
  tesra::ConfigImage memory;  // the controller's
  Fault fault = Fault::None;
  unsigned faultBlock = 0x40;
  int faultTimes = 0;
  int completed = 0;
  int blocksDone = 0;
  std::vector<unsigned> unconfirmedShown;
  std::optional<ExchangeFailure> failure;

  Rig() {
    for (std::size_t i = 0; i < tesra::kImageSize; ++i) memory[i] = static_cast<std::uint8_t>(i * 7 + 1);
    ex.SetLine(9600, 10);
    ex.On.blockDone = [this](unsigned) { ++blocksDone; };
    ex.On.echoUnconfirmed = [this](unsigned a) { unconfirmedShown.push_back(a); };
    ex.On.completed = [this] { ++completed; };
    ex.On.failed = [this](const ExchangeFailure& f) { failure = f; };
  }

  // Answers the last request as the controller would, fault included; a
  // resend after a failed reply waits for the timer first.
  // `answered`: requests the test has answered itself.
  void Run(std::size_t maxFrames = 200, std::size_t answered = 0) {
    while (ex.job() != Exchange::Job::None && line.frames.size() <= maxFrames) {
      if (answered == line.frames.size()) {
        ASSERT_TRUE(timer.armed) << "the exchange waits for nothing";
        timer.armed.reset();
        ex.OnTimer();
        continue;
      }
      const auto& req = line.frames[answered++];
      const unsigned a = req[4] * 256u + req[5];
      const bool write = req[3] == tesra::CmdWrite;
      if (write) std::copy(req.begin() + 6, req.begin() + 38, memory.data() + a);
      std::uint8_t data[32];
      std::copy_n(memory.data() + a, 32, data);
      const Fault f = a == faultBlock && faultTimes > 0 ? (--faultTimes, fault) : Fault::None;
      if (f == Fault::NoReply) continue;
      if (f == Fault::ChangedEcho) data[0] ^= 0xFF;
      auto r = Reply(req[3], f == Fault::WrongAddress ? a + 0x100 : a, data);
      if (f == Fault::BadCrc) r[10] ^= 0x04;
      if (f == Fault::Stray) r.insert(r.begin(), {0xFF, 0x00, 0x55, 0xAA});
      // Two chunks, as a line would deliver them.
      ex.OnData(r.data(), 20);
      ex.OnData(r.data() + 20, r.size() - 20);
    }
  }
};

}  // namespace

TEST(ExchangeCore, ReplyTimeoutIsThreeLineTimesAndNeverUnderASecond) {
  struct Case { unsigned baud, bits; std::size_t request; unsigned ms; };
  const Case cases[] = {
      {9600, 10, 7, 1000},      // 48 ms of line, x3 = 144: the floor
      {115200, 10, 39, 1000},
      {1200, 10, 39, 1950},     // 78 bytes = 650 ms
      {110, 10, 7, 12546},      // 46 bytes = 4181.8 ms, rounded up
      {300, 12, 39, 9360},      // 8E2: 12 bits a character
      {0, 10, 7, 1000},         // rate unknown
  };
  for (const auto& k : cases)
    EXPECT_EQ(Exchange::ReplyTimeoutMs(k.baud, k.bits, k.request, 39), k.ms) << k.baud << " " << k.request;
  EXPECT_EQ(Exchange::SettleMs(115200, 10), 200u);
  EXPECT_EQ(Exchange::SettleMs(300, 10), 2600u);
}

TEST(ExchangeCore, RequestArmsItsTimeoutAtTheChosenRate) {
  Rig r;
  r.ex.SetLine(1200, 10);
  r.ex.StartWrite(r.memory);
  ASSERT_EQ(r.line.frames.size(), 1u);
  EXPECT_EQ(r.line.frames[0].size(), 39u);
  EXPECT_EQ(r.timer.armed, 1950u);
}

TEST(ExchangeCore, EveryFaultOnceRecoversAndThreeTimesStops) {
  struct Case { const char* name; bool read; Fault fault; ReplyFault reason; unsigned carried; };
  const Case cases[] = {
      {"read, bad CRC", true, Fault::BadCrc, ReplyFault::BadCrc, 0x40},
      {"read, wrong address", true, Fault::WrongAddress, ReplyFault::WrongAddress, 0x140},
      {"read, no reply", true, Fault::NoReply, ReplyFault::NoReply, 0},
      {"write, bad CRC", false, Fault::BadCrc, ReplyFault::BadCrc, 0x40},
      {"write, wrong address", false, Fault::WrongAddress, ReplyFault::WrongAddress, 0x140},
      {"write, no reply", false, Fault::NoReply, ReplyFault::NoReply, 0},
  };
  for (const auto& k : cases) {
    for (int times : {1, 2, 3}) {
      Rig r;
      const tesra::ConfigImage image = [] {
        tesra::ConfigImage i;
        for (std::size_t n = 0; n < tesra::kImageSize; ++n) i[n] = static_cast<std::uint8_t>(n ^ 0x5A);
        return i;
      }();
      const tesra::ConfigImage before = r.memory;
      r.fault = k.fault;
      r.faultTimes = times;
      k.read ? r.ex.StartRead() : r.ex.StartWrite(image);
      r.Run();
      const std::string what = std::string(k.name) + " x" + std::to_string(times);
      EXPECT_EQ(r.ex.job(), Exchange::Job::None) << what;
      EXPECT_FALSE(r.timer.armed) << what;
      if (times < Exchange::kMaxSends) {
        EXPECT_EQ(r.completed, 1) << what;
        EXPECT_FALSE(r.failure) << what;
        EXPECT_EQ(r.ex.Resends(), static_cast<unsigned>(times)) << what;
        EXPECT_EQ(r.log.Count("resend 0040: "), times) << what;
        EXPECT_EQ(r.line.frames.size(), 16u + times) << what;
        if (k.read) EXPECT_EQ(r.ex.Staged().bytes, before.bytes) << what;
        else EXPECT_EQ(r.memory.bytes, image.bytes) << what;
        EXPECT_TRUE(r.ex.Unconfirmed().empty()) << what;
      } else {
        EXPECT_EQ(r.completed, 0) << what;
        ASSERT_TRUE(r.failure) << what;
        EXPECT_EQ(r.failure->block, 0x40u) << what;
        EXPECT_EQ(r.failure->reason, k.reason) << what;
        EXPECT_EQ(r.failure->replyAddress, k.carried) << what;
        EXPECT_EQ(r.line.frames.size(), 2u + 3u) << what << ": blocks 0000, 0020, then three sends of 0040";
        EXPECT_EQ(r.blocksDone, 2) << what;
        EXPECT_EQ(r.log.Count("error 0040: "), 1) << what;
      }
    }
  }
}

TEST(ExchangeCore, ChangedEchoIsResentThenListedAndTheWriteGoesOn) {
  for (int times : {1, 3, 5}) {
    Rig r;
    r.fault = Fault::ChangedEcho;
    r.faultTimes = times;
    r.ex.StartWrite(r.memory);
    r.Run();
    EXPECT_EQ(r.completed, 1) << times;
    EXPECT_FALSE(r.failure) << times;
    EXPECT_EQ(r.blocksDone, 16) << times;
    const std::vector<unsigned> listed = times >= 3 ? std::vector<unsigned>{0x40} : std::vector<unsigned>{};
    EXPECT_EQ(r.ex.Unconfirmed(), listed) << times;
    EXPECT_EQ(r.unconfirmedShown, listed) << times;
    EXPECT_EQ(r.line.frames.size(), 16u + static_cast<unsigned>(std::min(times, 2))) << times;
  }
}

TEST(ExchangeCore, UncheckedCrcTakesADamagedReplyAsItCame) {
  Rig r;
  r.ex.SetCheckCrc(false);
  r.fault = Fault::BadCrc;
  r.faultTimes = 1;
  r.ex.StartRead();
  r.Run();
  EXPECT_EQ(r.completed, 1);
  EXPECT_EQ(r.ex.Resends(), 0u);
  EXPECT_EQ(r.ex.Staged()[0x44], r.memory[0x44] ^ 0x04);
}

TEST(ExchangeCore, WhatArrivesForAFailedReplyIsDroppedWithIt) {
  Rig r;
  r.ex.StartRead();
  std::uint8_t data[32] = {};
  auto bad = Reply(tesra::CmdRead, 0x0100, data);
  ASSERT_EQ(r.line.frames.size(), 1u);
  // The wrong reply and the rest of its chunk, then more bytes while settling.
  bad.insert(bad.end(), {1, 2, 3});
  r.ex.OnData(bad.data(), bad.size());
  EXPECT_EQ(r.line.frames.size(), 1u) << "no resend before the line is quiet";
  ASSERT_TRUE(r.timer.armed);
  EXPECT_EQ(*r.timer.armed, Exchange::SettleMs(9600, 10));
  const std::uint8_t late[5] = {9, 9, 9, 9, 9};
  r.ex.OnData(late, sizeof late);
  r.ex.OnTimer();
  EXPECT_EQ(r.line.frames.size(), 1u) << "bytes came: another quiet period first";
  ASSERT_TRUE(r.timer.armed);
  r.ex.OnTimer();
  ASSERT_EQ(r.line.frames.size(), 2u);
  EXPECT_EQ(r.line.frames[1], r.line.frames[0]);
  EXPECT_EQ(r.ex.RxCount, 0u);
  EXPECT_EQ(r.log.Count("drop 002F"), 1) << "looked through for a reply, then dropped with the resend";
}

// The reply to block 0000 comes behind stray bytes, or in two halves with the
// request's time-out between them. With the CRC-8 checked the reply is found
// wherever it stands; unchecked, what cannot be told from a reply waits out a
// quiet line and the request goes again. Either way the block read is the
// controller's and nothing is left over for the next request.
TEST(ExchangeCore, StrayAndLateBytesNeverJoinAReply) {
  enum class Tail { None, WhileSettling, AfterResend };
  struct Case {
    const char* name;
    bool checkCrc;
    std::vector<std::uint8_t> stray;  // before the reply
    Tail late;                        // the reply's second half after its time-out
    unsigned resends;
    const char* dropped;              // a log line, or null
  };
  const Case cases[] = {
      {"stray, checked", true, {0xFF, 0x00, 0x55, 0xAA}, Tail::None, 0, "drop 0004"},
      {"stray, unchecked", false, {0xFF, 0x00, 0x55, 0xAA}, Tail::None, 1, "resend 0000: неверный адрес ответа 0001"},
      {"late while settling, checked", true, {}, Tail::WhileSettling, 0, "resend 0000: нет ответа"},
      {"late while settling, unchecked", false, {}, Tail::WhileSettling, 1, "drop 0013"},
      {"late after the resend, checked", true, {}, Tail::AfterResend, 1, "drop 0014"},
  };
  for (const auto& k : cases) {
    Rig r;
    r.ex.SetCheckCrc(k.checkCrc);
    r.ex.StartRead();
    auto reply = Reply(tesra::CmdRead, 0, r.memory.data());
    const std::size_t half = reply.size() / 2;
    std::size_t answered = 1;
    if (k.late == Tail::None) {
      reply.insert(reply.begin(), k.stray.begin(), k.stray.end());
      r.ex.OnData(reply.data(), reply.size());
    } else {
      r.ex.OnData(reply.data(), half);
      ASSERT_TRUE(r.timer.armed) << k.name;
      r.ex.OnTimer();  // the time-out
      EXPECT_EQ(r.line.frames.size(), 1u) << k.name << ": no resend before the line is quiet";
      if (k.late == Tail::AfterResend) {
        r.ex.OnTimer();  // quiet: the request goes again
        ASSERT_EQ(r.line.frames.size(), 2u) << k.name;
        // The late half, then the answer to the resend behind it.
        std::vector<std::uint8_t> line(reply.begin() + static_cast<std::ptrdiff_t>(half), reply.end());
        line.insert(line.end(), reply.begin(), reply.end());
        r.ex.OnData(line.data(), 39);
        r.ex.OnData(line.data() + 39, line.size() - 39);
        answered = 2;
      } else {
        r.ex.OnData(reply.data() + half, reply.size() - half);
      }
    }
    r.Run(200, answered);
    EXPECT_EQ(r.completed, 1) << k.name;
    EXPECT_FALSE(r.failure) << k.name;
    EXPECT_EQ(r.ex.Staged().bytes, r.memory.bytes) << k.name;
    EXPECT_EQ(r.ex.Resends(), k.resends) << k.name;
    EXPECT_EQ(r.line.frames.size(), 16u + k.resends) << k.name;
    if (k.dropped) {
      EXPECT_EQ(r.log.Count(k.dropped), 1) << k.name;
    }
  }
}

TEST(ExchangeCore, ABabblingLineDelaysTheRequestOnlyAsLongAsAReplyMayTake) {
  // Bytes waiting before the job: dropped, then quiet is awaited, but not forever.
  Rig r;
  const std::uint8_t stale[4] = {1, 2, 3, 4};
  r.ex.DropWaiting(stale, sizeof stale);
  r.ex.StartRead();
  EXPECT_EQ(r.log.Count("drop 0004"), 1);
  int periods = 0;
  while (r.line.frames.empty() && periods < 100) {
    ASSERT_TRUE(r.timer.armed);
    r.ex.OnData(stale, sizeof stale);
    r.ex.OnTimer();
    ++periods;
  }
  EXPECT_EQ(periods, static_cast<int>(Exchange::kMinReplyTimeoutMs / Exchange::kMinSettleMs));
  ASSERT_EQ(r.line.frames.size(), 1u);
  EXPECT_EQ(r.ex.Sends(), 1);
}

TEST(ExchangeCore, AHandlerMayStartTheNextJob) {
  // A write followed at once by a read of what the controller now holds.
  Rig r;
  tesra::ConfigImage image;
  image[0x1FF] = 0x77;
  bool readStarted = false;
  r.ex.On.completed = [&] {
    ++r.completed;
    if (!readStarted) {
      readStarted = true;
      r.ex.StartRead();
    }
  };
  r.ex.StartWrite(image);
  r.Run();
  EXPECT_EQ(r.completed, 2);
  EXPECT_EQ(r.ex.Staged().bytes, image.bytes);
  EXPECT_EQ(r.line.frames.size(), 32u);
}

TEST(ExchangeCore, AbandonedJobSendsNothingMore) {
  Rig r;
  r.ex.StartRead();
  r.ex.Abandon();
  EXPECT_FALSE(r.timer.armed);
  r.ex.OnTimer();
  std::uint8_t data[32] = {};
  const auto reply = Reply(tesra::CmdRead, 0, data);
  r.ex.OnData(reply.data(), reply.size());
  EXPECT_EQ(r.line.frames.size(), 1u);
  EXPECT_EQ(r.completed, 0);
  EXPECT_FALSE(r.failure);
}
