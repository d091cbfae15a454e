// What two configuration images hold differently, field by field in the
// window's words, so a person can see what a controller holds against the
// project.
#pragma once

#include <string>
#include <vector>

#include "config/ConfigImage.h"
#include "config/ImageFields.h"

namespace tesra {

struct FieldDifference {
  const ImageField* field = nullptr;  // none for a run of uncovered bytes
  std::string name;                   // "IN 3, 2 этап, Зоны", "Байты без назначения 01A0..01A3"
  std::string valueA;                 // "1, 2"
  std::string valueB;                 // "1, 2, 5"
  ByteRange bytes{};                  // where it lies in the image
};

// Every field whose value differs, in the table's order, then each run of
// differing bytes whose differing bits no field covers (the bytes in hex).
// Empty exactly when the two images are equal byte for byte.
std::vector<FieldDifference> ImageDifferences(const ConfigImage& a, const ConfigImage& b);

}  // namespace tesra
