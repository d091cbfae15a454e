// The exchange core on a script: each input is a sequence of steps (a reply
// to the last request, whole or damaged or in pieces; raw bytes; the timer
// running out; a new job, an abandon, bytes waiting before a job), and then
// the job still running is answered until it ends. Qt-free and on the
// exchange's public calls only, so thousands of inputs run each second.
// What must hold, else the target aborts:
//  - a job ends (completed or failed) exactly once, and nothing is heard of a
//    job after a new one replaced it or it was abandoned;
//  - a read hands over its copy only when all 16 blocks were accepted, and
//    each block of the copy came in a reply that passes the checks (the
//    block's address, the CRC when checked);
//  - a write reports no block confirmed whose echo differed from what was
//    sent: each block done and not unconfirmed had a matching echo.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include "link/Exchange.h"

namespace {

using tesra::Exchange;
using tesra::kBlockSize;
using tesra::kReplySize;

struct Line : tesra::ExchangeSender {
  std::vector<std::vector<std::uint8_t>> frames;
  void PutBlock(const std::uint8_t* b, std::size_t n) override { frames.emplace_back(b, b + n); }
};

struct Timer : tesra::ExchangeTimer {
  bool armed = false;
  void Start(unsigned) override { armed = true; }
  void Stop() override { armed = false; }
};

struct QuietLog : tesra::ExchangeLog {
  void Frame(const std::uint8_t*, std::size_t, bool) override {}
  void Line(const std::string&) override {}
};

void Check(bool ok) {
  if (!ok) std::abort();
}

// One job as the script started it, and what was heard of it.
struct JobRecord {
  Exchange::Job kind = Exchange::Job::None;
  tesra::ConfigImage sent;          // a write's image
  std::vector<std::uint8_t> heard;  // every byte handed to OnData while it ran
  std::set<unsigned> done, unconfirmed;
  int ends = 0;
  bool completed = false;
};

struct Rig {
  Line line;
  Timer timer;
  QuietLog log;
  Exchange ex{line, timer, log};
  tesra::ConfigImage memory;  // the controller's
  std::vector<JobRecord> jobs;
  std::size_t answered = 0;  // frames the script has answered or passed over

  JobRecord* Current() { return jobs.empty() ? nullptr : &jobs.back(); }
  // The job a block event belongs to: one started and not yet ended.
  JobRecord& Running() {
    JobRecord* j = Current();
    Check(j && j->kind != Exchange::Job::None && j->ends == 0);
    return *j;
  }

  Rig() {
    ex.On.blockDone = [this](unsigned a) { Running().done.insert(a); };
    ex.On.echoUnconfirmed = [this](unsigned a) { Running().unconfirmed.insert(a); };
    ex.On.completed = [this] { End(true); };
    ex.On.failed = [this](const tesra::ExchangeFailure&) { End(false); };
  }

  void End(bool completed) {
    JobRecord* j = &Running();
    Check(ex.job() == Exchange::Job::None);  // already in its next state
    ++j->ends;
    j->completed = completed;
    if (completed) Check(j->done.size() == Exchange::kBlocks);
    const std::vector<std::vector<const std::uint8_t*>> replies = CheckedReplies(*j);
    auto heard = [&](unsigned address, const std::uint8_t* block) {
      for (const std::uint8_t* r : replies[address / kBlockSize])
        if (std::memcmp(tesra::ReplyBlock(r), block, kBlockSize) == 0) return true;
      return false;
    };
    if (j->kind == Exchange::Job::Read && completed) {
      for (unsigned a = 0; a < tesra::kImageSize; a += kBlockSize) Check(heard(a, ex.Staged().data() + a));
    }
    if (j->kind == Exchange::Job::Write) {
      for (unsigned a : j->done)
        if (!j->unconfirmed.count(a)) Check(heard(a, j->sent.data() + a));
      for (unsigned a : j->unconfirmed) {
        const auto& u = ex.Unconfirmed();
        Check(std::find(u.begin(), u.end(), a) != u.end());
      }
    }
  }

  // Per block, every 39 bytes in a row of what the job heard that make a
  // reply for it passing the checks (the address, the CRC when checked).
  std::vector<std::vector<const std::uint8_t*>> CheckedReplies(const JobRecord& j) const {
    std::vector<std::vector<const std::uint8_t*>> replies(Exchange::kBlocks);
    for (std::size_t at = 0; at + kReplySize <= j.heard.size(); ++at) {
      const std::uint8_t* r = j.heard.data() + at;
      const unsigned address = tesra::ReplyAddress(r);
      if (address % kBlockSize != 0 || address > tesra::kLastBlockAddress) continue;
      if (ex.CheckCrc() && tesra::Crc8(r, kReplySize - 1) != r[kReplySize - 1]) continue;
      replies[address / kBlockSize].push_back(r);
    }
    return replies;
  }

  // A job replaced before its end is over for good: nothing more may come of it.
  void Start(Exchange::Job kind, const tesra::ConfigImage& image) {
    JobRecord next;
    next.kind = kind;
    next.sent = image;
    jobs.push_back(std::move(next));
    answered = line.frames.size();
    if (kind == Exchange::Job::Read)
      ex.StartRead();
    else
      ex.StartWrite(image);
  }

  void Abandon() {
    ex.Abandon();
    jobs.push_back(JobRecord{});  // anything heard now belongs to no job
  }

  void Feed(const std::uint8_t* bytes, std::size_t n) {
    if (JobRecord* j = Current()) j->heard.insert(j->heard.end(), bytes, bytes + n);
    ex.OnData(bytes, n);
  }

  void Feed(const std::vector<std::uint8_t>& bytes) { Feed(bytes.data(), bytes.size()); }

  void RunOut() {
    if (!timer.armed) return;
    timer.armed = false;  // one-shot
    ex.OnTimer();
  }

  // The controller's reply to the last frame sent: a read's block from its
  // memory, a write's block echoed.
  std::optional<std::vector<std::uint8_t>> ReplyToLast() const {
    if (line.frames.empty()) return std::nullopt;
    const std::vector<std::uint8_t>& f = line.frames.back();
    if (f.size() < 6) return std::nullopt;
    const unsigned address = tesra::ReplyAddress(f.data());
    std::vector<std::uint8_t> r{0x00, 0x01, 0x26, f[3], f[4], f[5]};
    if (f.size() == tesra::kWriteBlockSize)
      r.insert(r.end(), f.begin() + 6, f.begin() + 6 + kBlockSize);
    else if (address <= tesra::kLastBlockAddress)
      r.insert(r.end(), memory.data() + address, memory.data() + address + kBlockSize);
    else
      r.resize(6 + kBlockSize, 0);
    r.push_back(tesra::Crc8(r.data(), r.size()));
    return r;
  }
};

void Damage(FuzzedDataProvider& in, std::vector<std::uint8_t>& r) {
  switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0: break;                                                      // as sent
    case 1: r[5] ^= static_cast<std::uint8_t>(kBlockSize); break;      // another block's address
    case 2: r.back() ^= in.ConsumeIntegralInRange<std::uint8_t>(1, 255); break;  // a bad CRC
    case 3: {                                                           // changed data, CRC made to fit
      r[6 + in.ConsumeIntegralInRange<std::size_t>(0, kBlockSize - 1)] ^= in.ConsumeIntegralInRange<std::uint8_t>(1, 255);
      r.back() = tesra::Crc8(r.data(), r.size() - 1);
      break;
    }
    case 4: r.resize(in.ConsumeIntegralInRange<std::size_t>(1, r.size() - 1)); break;  // cut short
    default: {                                                          // stray bytes after it
      const std::string extra = in.ConsumeRandomLengthString(40);
      r.insert(r.end(), extra.begin(), extra.end());
      break;
    }
  }
}

tesra::ConfigImage ImageFrom(FuzzedDataProvider& in) {
  tesra::ConfigImage image;
  const std::uint8_t seed = in.ConsumeIntegral<std::uint8_t>();
  for (std::size_t i = 0; i < tesra::kImageSize; ++i) image[i] = static_cast<std::uint8_t>(i * 31 + seed);
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Rig rig;
  rig.memory = ImageFrom(in);
  rig.ex.SetCheckCrc(in.ConsumeBool());
  rig.ex.SetLine(in.PickValueInArray({0u, 1200u, 9600u, 115200u}), in.ConsumeIntegralInRange(7u, 12u));
  if (in.ConsumeBool()) {
    const std::string waiting = in.ConsumeRandomLengthString(80);
    rig.ex.DropWaiting(reinterpret_cast<const std::uint8_t*>(waiting.data()), waiting.size());
  }
  rig.Start(in.ConsumeBool() ? Exchange::Job::Read : Exchange::Job::Write, ImageFrom(in));

  for (int step = 0; step < 400 && in.remaining_bytes() > 0; ++step) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
      case 0: case 1: case 2: case 3: {  // a reply, perhaps damaged, perhaps in pieces
        std::optional<std::vector<std::uint8_t>> r = rig.ReplyToLast();
        if (!r) break;
        rig.answered = rig.line.frames.size();
        Damage(in, *r);
        std::size_t at = 0;
        while (at < r->size()) {
          const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(1, r->size() - at);
          rig.Feed(r->data() + at, n);
          at += n;
        }
        break;
      }
      case 4: {  // noise
        const std::string bytes = in.ConsumeRandomLengthString(80);
        if (!bytes.empty()) rig.Feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        break;
      }
      case 5: case 6: rig.RunOut(); break;
      case 7: rig.Start(in.ConsumeBool() ? Exchange::Job::Read : Exchange::Job::Write, ImageFrom(in)); break;
      case 8: rig.Abandon(); break;
      default: {  // between jobs: bytes waiting in the input, then a new job
        if (rig.ex.job() != Exchange::Job::None) break;
        const std::string waiting = in.ConsumeRandomLengthString(40);
        rig.ex.DropWaiting(reinterpret_cast<const std::uint8_t*>(waiting.data()), waiting.size());
        rig.Start(in.ConsumeBool() ? Exchange::Job::Read : Exchange::Job::Write, ImageFrom(in));
        break;
      }
    }
  }

  // The script is over: answer the job still running until it ends. It must
  // end, and only once, within what three sends of sixteen blocks take.
  for (int step = 0; step < 2000 && rig.ex.job() != Exchange::Job::None; ++step) {
    if (rig.answered < rig.line.frames.size()) {
      rig.answered = rig.line.frames.size();
      if (std::optional<std::vector<std::uint8_t>> r = rig.ReplyToLast()) rig.Feed(*r);
    } else {
      Check(rig.timer.armed);  // a running job waits for a reply or a quiet line, never for nothing
      rig.RunOut();
    }
  }
  Check(rig.ex.job() == Exchange::Job::None);
  JobRecord* last = rig.Current();
  Check(last->kind == Exchange::Job::None || last->ends == 1);
  return 0;
}
