#include "config/ImageDifferences.h"

#include "config/HexText.h"

namespace tesra {

namespace {

bool FieldDiffers(const ConfigImage& a, const ConfigImage& b, const ImageField& f) {
  if (!f.IsText()) return FieldValue(a, f) != FieldValue(b, f);
  for (std::size_t i = f.offset; i <= f.LastByte(); ++i)
    if (a[i] != b[i]) return true;
  return false;
}

std::string RunBytes(const ConfigImage& img, const ByteRange& r) {
  return HexBytes(img.data() + r.first, r.last - r.first + 1);
}

}  // namespace

std::vector<FieldDifference> ImageDifferences(const ConfigImage& a, const ConfigImage& b) {
  std::vector<FieldDifference> rows;
  for (const ImageField& f : ImageFields())
    if (FieldDiffers(a, b, f)) rows.push_back({&f, FieldName(f), FieldText(a, f), FieldText(b, f), {f.offset, f.LastByte()}});

  const auto& uncovered = UncoveredBits();
  auto differs = [&](std::size_t i) { return ((a[i] ^ b[i]) & uncovered[i]) != 0; };
  for (std::size_t i = 0; i < kImageSize; ++i) {
    if (!differs(i)) continue;
    ByteRange run{i, i};
    while (run.last + 1 < kImageSize && differs(run.last + 1)) ++run.last;
    rows.push_back({nullptr, "Байты без назначения " + Hex4(run.first) + ".." + Hex4(run.last), RunBytes(a, run),
                    RunBytes(b, run), run});
    i = run.last;
  }
  return rows;
}

}  // namespace tesra
