#include "tools/controller-emulator/Framer.h"

#include <algorithm>
#include <utility>

namespace emu {

namespace {
// Length byte (frame size minus the CRC) and command of each frame kind.
struct Layout {
  std::uint8_t length;
  std::uint8_t command;
  Frame::Kind kind;
};
constexpr Layout kLayouts[] = {
    {tesra::kProbeFrameSize - 1, tesra::CmdProbe, Frame::Kind::Probe},
    {tesra::kReadQuerySize - 1, tesra::CmdRead, Frame::Kind::Read},
    {tesra::kWriteBlockSize - 1, tesra::CmdWrite, Frame::Kind::Write},
};

const Layout* LayoutFor(std::uint8_t length) {
  for (const auto& l : kLayouts)
    if (l.length == length) return &l;
  return nullptr;
}
}  // namespace

void Framer::Feed(const std::uint8_t* p, std::size_t n) { buf_.insert(buf_.end(), p, p + n); }

Framer::Check Framer::At(std::size_t i, std::size_t& size) const {
  const std::size_t avail = buf_.size() - i;
  if (avail >= 1 && buf_[i] != 0x00) return Check::Invalid;
  if (avail >= 2 && buf_[i + 1] != 0x01) return Check::Invalid;
  if (avail < 3) return Check::Incomplete;
  const Layout* l = LayoutFor(buf_[i + 2]);
  if (!l) return Check::Invalid;
  if (avail >= 4 && buf_[i + 3] != l->command) return Check::Invalid;
  size = std::size_t{l->length} + 1;
  if (avail < size) return Check::Incomplete;
  return tesra::Crc8(&buf_[i], l->length) == buf_[i + l->length] ? Check::Valid : Check::Invalid;
}

void Framer::Drop(std::size_t n) {
  n = std::min(n, buf_.size());
  skipped_ += n;
  buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(n));
}

std::optional<Frame> Framer::Next() {
  for (std::size_t i = 0; i < buf_.size(); ++i) {
    std::size_t size = 0;
    const Check c = At(i, size);
    if (c == Check::Invalid) continue;
    if (c == Check::Incomplete) {
      // A false start in noise must not hold back a good frame behind it.
      bool later = false;
      for (std::size_t j = i + 1; j < buf_.size() && !later; ++j) {
        std::size_t s = 0;
        if (At(j, s) == Check::Valid) {
          i = j;
          size = s;
          later = true;
        }
      }
      if (!later) {
        Drop(i);
        return std::nullopt;
      }
    }
    Drop(i);
    Frame f;
    f.raw.assign(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(size));
    f.kind = LayoutFor(f.raw[2])->kind;
    if (f.kind != Frame::Kind::Probe) f.address = tesra::ReplyAddress(f.raw.data());
    if (f.kind == Frame::Kind::Write) std::copy_n(f.raw.begin() + 6, tesra::kBlockSize, f.data.begin());
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(size));
    return f;
  }
  Drop(buf_.size());
  return std::nullopt;
}

std::size_t Framer::TakeSkipped() { return std::exchange(skipped_, 0); }

void Framer::Clear() {
  skipped_ += buf_.size();
  buf_.clear();
}

}  // namespace emu
