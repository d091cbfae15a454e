// The field table: every bit the program gives meaning to is in exactly one
// field, the names are the window's, and the values read as the window shows
// them; the differences of two images name exactly what changed.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "config/HexText.h"
#include "config/ImageDifferences.h"
#include "config/ImageFields.h"

using namespace tesra;

namespace {

ConfigImage RandomImage(std::mt19937& rng) {
  ConfigImage img;
  for (auto& b : img.bytes) b = static_cast<std::uint8_t>(rng());
  return img;
}

// The bits the controller's layout leaves to the controller: byte 2 above
// bit 0, the low three bits of each stage record's first byte, the bytes
// around the identity fields and everything after them.
std::array<std::uint8_t, kImageSize> DocumentedUncovered() {
  std::array<std::uint8_t, kImageSize> m{};
  m[2] = 0xFE;
  for (std::size_t i = 392; i < 400; ++i) m[i] = 0xFF;
  for (std::size_t i : {402u, 407u, 410u, 413u}) m[i] = 0xFF;
  for (std::size_t i = 416; i < kImageSize; ++i) m[i] = 0xFF;
  for (std::size_t r = 8; r < 392; r += 6) m[r] = 0x07;
  return m;
}

std::uint8_t FieldMask(const ImageField& f) { return static_cast<std::uint8_t>(((1u << f.width) - 1u) << f.shift); }

}  // namespace

TEST(ImageFields, EveryMeaningfulBitBelongsToExactlyOneField) {
  std::array<int, kImageSize * 8> owners{};
  for (const ImageField& f : ImageFields()) {
    for (std::size_t i = f.offset; i <= f.LastByte(); ++i)
      for (unsigned bit = 0; bit < 8; ++bit)
        if (f.IsText() || (FieldMask(f) >> bit & 1u)) ++owners[i * 8 + bit];
  }
  const auto documented = DocumentedUncovered();
  for (std::size_t i = 0; i < kImageSize; ++i)
    for (unsigned bit = 0; bit < 8; ++bit)
      EXPECT_EQ(owners[i * 8 + bit], (documented[i] >> bit & 1u) ? 0 : 1) << "byte " << i << " bit " << bit;
  EXPECT_EQ(UncoveredBits(), documented);

  const std::vector<ByteRange> runs = UncoveredBytes();
  ASSERT_EQ(runs.size(), 1u + 64u + 1u + 4u + 1u);  // byte 2, the stage records, 392..399 and 402, 407, 410, 413, 416..511
  EXPECT_EQ(runs[65], (ByteRange{392, 399}));
  EXPECT_EQ(runs.back(), (ByteRange{416, 511}));
}

TEST(ImageFields, LookupsFindTheFieldOfEachInputStageAndModule) {
  const std::span<const ImageField> all = ImageFields();
  EXPECT_EQ(all.size(), 15u + 8u * 8u * kStageFieldCount + 5u);
  for (int input = 0; input < 8; ++input) {
    for (int stage = 0; stage < 8; ++stage) {
      const std::span<const ImageField> rec = StageFields(input, stage);
      ASSERT_EQ(rec.size(), static_cast<std::size_t>(kStageFieldCount));
      for (const ImageField& f : rec) {
        EXPECT_EQ(f.input, input);
        EXPECT_EQ(f.stage, stage);
        EXPECT_GE(f.offset, StageRecordOffset(input, stage));
        EXPECT_LE(f.offset, StageRecordOffset(input, stage) + 5);
        if (f.id == FieldId::Relays)
          EXPECT_EQ(&RelayField(input, stage, f.module), &f);
        else
          EXPECT_EQ(&StageField(input, stage, f.id), &f);
      }
    }
  }
  for (const ImageField& f : all)
    if (f.input < 0) {
      EXPECT_EQ(&SystemField(f.id), &f) << FieldName(f);
    }
  EXPECT_THROW(StageField(8, 0, FieldId::Zones), std::out_of_range);
  EXPECT_THROW(StageField(0, 0, FieldId::Gong), std::invalid_argument);
  EXPECT_THROW(SystemField(FieldId::Zones), std::invalid_argument);
  EXPECT_THROW(RelayField(0, 0, 8), std::out_of_range);
}

// Which field owns which bits: coverage alone would pass with two fields'
// places swapped.
TEST(ImageFields, EachFieldHoldsItsOwnBits) {
  struct Place { std::size_t byte; std::uint8_t mask; std::size_t length = 1; };
  const std::map<FieldId, Place> system = {
      {FieldId::Amplifier, {0, 0xC0}},         {FieldId::Splitters, {0, 0x30}},
      {FieldId::AnnouncerConsoles, {0, 0x0C}}, {FieldId::FireConsoles, {0, 0x03}},
      {FieldId::Gong, {1, 0x80}},              {FieldId::AuxPriority, {1, 0x40}},
      {FieldId::AlmOutByAux, {1, 0x20}},       {FieldId::EqualPriority, {1, 0x10}},
      {FieldId::Modules, {1, 0x0F}},           {FieldId::AlmOutByMic, {2, 0x01}},
      {FieldId::MusicPreset1, {3, 0xFF}},      {FieldId::MusicPreset2, {4, 0xFF}},
      {FieldId::TelZones, {5, 0xFF}},          {FieldId::RingZones, {6, 0xFF}},
      {FieldId::AuxZones, {7, 0xFF}},          {FieldId::Marker, {400, 0, 2}},
      {FieldId::SerialNumber, {403, 0, 4}},    {FieldId::Date1, {408, 0, 2}},
      {FieldId::Date2, {411, 0, 2}},           {FieldId::Date3, {414, 0, 2}},
  };
  // Inside a stage record; a relay pair of module m at +3 from bit 7 - 2m on.
  const std::map<FieldId, Place> stage = {
      {FieldId::StageOn, {0, 0x80}}, {FieldId::AlmOut, {0, 0x40}}, {FieldId::Pause, {0, 0x38}},
      {FieldId::Repeats, {1, 0xFF}}, {FieldId::Zones, {2, 0xFF}},  {FieldId::Message, {5, 0xFF}},
  };
  for (const ImageField& f : ImageFields()) {
    SCOPED_TRACE(FieldName(f));
    Place want;
    if (f.input < 0) {
      ASSERT_TRUE(system.count(f.id));
      want = system.at(f.id);
    } else if (f.id == FieldId::Relays) {
      const std::size_t bit = 2u * static_cast<std::size_t>(f.module);  // from bit 7 of +3
      want = {3 + bit / 8, static_cast<std::uint8_t>(0xC0u >> (bit % 8))};
    } else {
      ASSERT_TRUE(stage.count(f.id));
      want = stage.at(f.id);
    }
    if (f.input >= 0) want.byte += 8u + 48u * static_cast<std::size_t>(f.input) + 6u * static_cast<std::size_t>(f.stage);
    EXPECT_EQ(f.offset, want.byte);
    EXPECT_EQ(f.length, want.length);
    if (!f.IsText()) {
      EXPECT_EQ(FieldMask(f), want.mask);
    }
  }
  ConfigImage img;
  PutFieldBit(img.data(), RelayField(0, 0, 7), RelayBit(1), 1);
  EXPECT_EQ(img[12], 0x01) << "K2 of module 8";
  PutFieldBit(img.data(), RelayField(0, 0, 0), RelayBit(0), 1);
  EXPECT_EQ(img[11], 0x80) << "K1 of module 1";
}

// Writing a field changes its own bits and nothing else, and reads back.
TEST(ImageFields, PutFieldChangesOnlyItsOwnBits) {
  std::mt19937 rng(18);
  for (const ImageField& f : ImageFields()) {
    if (f.IsText()) continue;
    const ConfigImage before = RandomImage(rng);
    ConfigImage img = before;
    const unsigned value = static_cast<unsigned>(rng());
    PutField(img.data(), f, value);
    EXPECT_EQ(FieldValue(img, f), value & ((1u << f.width) - 1u)) << FieldName(f);
    for (std::size_t i = 0; i < kImageSize; ++i) {
      const std::uint8_t keep = i == f.offset ? static_cast<std::uint8_t>(~FieldMask(f)) : 0xFF;
      ASSERT_EQ(img[i] & keep, before[i] & keep) << FieldName(f) << " byte " << i;
    }
    for (unsigned n = 0; n < f.width; ++n) {
      PutFieldBit(img.data(), f, n, 1);
      EXPECT_TRUE(FieldValue(img, f) >> n & 1u) << FieldName(f) << " bit " << n;
      PutFieldBit(img.data(), f, n, 0);
      EXPECT_FALSE(FieldValue(img, f) >> n & 1u) << FieldName(f) << " bit " << n;
    }
  }
}

TEST(ImageFields, NamesAreTheWindowsAndTellEveryFieldApart) {
  struct Case { const ImageField& f; const char* where; const char* name; };
  const Case cases[] = {
      {StageField(2, 1, FieldId::Zones), "IN 3, 2 этап", "IN 3, 2 этап, Зоны"},
      {StageField(0, 0, FieldId::StageOn), "IN 1, 1 этап", "IN 1, 1 этап"},
      {StageField(7, 7, FieldId::Pause), "IN 8, 8 этап", "IN 8, 8 этап, Пауза между повторами (сек.)"},
      {RelayField(1, 2, 5), "IN 2, 3 этап", "IN 2, 3 этап, Модуль 6"},
      {SystemField(FieldId::Amplifier), "Состав и конфигурация системы", "Усилитель мощности KT-400AM"},
      {SystemField(FieldId::MusicPreset2), "Зоны трансляции фоновой музыки", "Зоны трансляции фоновой музыки, Пресет2"},
      {SystemField(FieldId::RingZones), "Зоны в которые будет транслироваться аудио сигнал при активации входов",
       "Зоны в которые будет транслироваться аудио сигнал при активации входов, Вход RING"},
      {SystemField(FieldId::AlmOutByAux), "Активация выхода \"ALM OUT\":", "Активация выхода \"ALM OUT\": AUX"},
      {SystemField(FieldId::SerialNumber), "Состав и конфигурация системы", "Серийный номер"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FieldWhere(c.f), c.where);
    EXPECT_EQ(FieldName(c.f), c.name);
  }
  std::set<std::string> names;
  for (const ImageField& f : ImageFields()) EXPECT_TRUE(names.insert(FieldName(f)).second) << FieldName(f);
}

TEST(ImageFields, ValuesReadAsTheWindowShowsThem) {
  struct Case { const ImageField& f; unsigned value; const char* text; };
  const ImageField& zones = StageField(0, 0, FieldId::Zones);
  const ImageField& relay = RelayField(0, 0, 0);
  const ImageField& amp = SystemField(FieldId::Amplifier);
  const Case cases[] = {
      {zones, 0x13, "1, 2, 5"},  {zones, 0x80, "8"},      {zones, 0, "нет"},
      {StageField(0, 0, FieldId::Repeats), 0, "Без огр"},  {StageField(0, 0, FieldId::Repeats), 255, "255"},
      {StageField(0, 0, FieldId::Pause), 7, "35"},         {StageField(0, 0, FieldId::Pause), 0, "0"},
      {StageField(0, 0, FieldId::Message), 0, "Не выбр"}, {StageField(0, 0, FieldId::Message), 72, "72"},
      {StageField(0, 0, FieldId::Message), 100, "100"},
      {relay, 3, "K1, K2"},      {relay, 2, "K1"},          {relay, 1, "K2"},  {relay, 0, "нет"},
      {amp, 1, "нет"},           {amp, 2, "да"},            {amp, 0, "нет (код 0)"}, {amp, 3, "да (код 3)"},
      {SystemField(FieldId::Gong), 1, "да"},               {SystemField(FieldId::Modules), 12, "12"},
  };
  for (const auto& c : cases) EXPECT_EQ(ValueText(c.f, c.value), c.text) << FieldName(c.f) << " " << c.value;

  struct TextCase { std::array<std::uint8_t, 4> bytes; const char* text; };
  const TextCase texts[] = {
      {{'1', '2', 0, 0}, "\"12\""},
      {{0, 0, 0, 0}, "\"\""},
      {{0xC0, 'B', 'C', 'D'}, "\"АBCD\""},
      {{'A', 0, 'B', 'C'}, "\"A\" (41 00 42 43)"},   // the edit shows "A", the bytes hold more
      {{'A', 0x98, 0, 0}, "\"A\xC2\x98\" (41 98 00 00)"},  // a byte without a character
  };
  const ImageField& serial = SystemField(FieldId::SerialNumber);
  for (const auto& t : texts) {
    ConfigImage img;
    for (std::size_t i = 0; i < 4; ++i) img[serial.offset + i] = t.bytes[i];
    EXPECT_EQ(FieldText(img, serial), t.text);
  }
}

// Two different values of a field never read alike, so a difference always shows.
TEST(ImageFields, DifferentValuesReadDifferently) {
  std::map<std::pair<FieldKind, unsigned>, bool> seen;
  for (const ImageField& f : ImageFields()) {
    if (f.IsText() || seen[{f.kind, f.width}]) continue;
    seen[{f.kind, f.width}] = true;
    std::set<std::string> texts;
    for (unsigned v = 0; v < (1u << f.width); ++v) EXPECT_TRUE(texts.insert(ValueText(f, v)).second) << FieldName(f) << " " << v;
  }
}

// ------------------------------------------------------------- differences

TEST(ImageDifferences, NoneForEqualImages) {
  std::mt19937 rng(3);
  EXPECT_TRUE(ImageDifferences(ConfigImage{}, ConfigImage{}).empty());
  const ConfigImage img = RandomImage(rng);
  EXPECT_TRUE(ImageDifferences(img, img).empty());
}

// One row for a change of any one field of the table, named and read as the
// table says, and nothing else.
TEST(ImageDifferences, OneChangedFieldGivesOneRow) {
  std::mt19937 rng(20);
  for (const ImageField& f : ImageFields()) {
    const ConfigImage a = RandomImage(rng);
    ConfigImage b = a;
    if (f.IsText())
      b[f.offset + rng() % f.length] ^= static_cast<std::uint8_t>(1u + rng() % 255u);
    else
      PutField(b.data(), f, FieldValue(a, f) ^ (1u + static_cast<unsigned>(rng()) % ((1u << f.width) - 1u)));
    const auto rows = ImageDifferences(a, b);
    ASSERT_EQ(rows.size(), 1u) << FieldName(f);
    EXPECT_EQ(rows[0].field, &f);
    EXPECT_EQ(rows[0].name, FieldName(f));
    EXPECT_EQ(rows[0].valueA, FieldText(a, f));
    EXPECT_EQ(rows[0].valueB, FieldText(b, f));
    EXPECT_NE(rows[0].valueA, rows[0].valueB) << FieldName(f);
    EXPECT_EQ(rows[0].bytes, (ByteRange{f.offset, f.LastByte()}));
  }
}

TEST(ImageDifferences, ReadableRowsInTableOrder) {
  ConfigImage a, b;
  b[403] = '7';                                       // serial number, listed last
  PutField(b.data(), StageField(2, 1, FieldId::Zones), 0x13);
  PutField(a.data(), StageField(2, 1, FieldId::Zones), 0x03);
  PutField(b.data(), SystemField(FieldId::Modules), 3);  // system section first
  PutField(b.data(), StageField(0, 0, FieldId::Repeats), 0);
  PutField(a.data(), StageField(0, 0, FieldId::Repeats), 3);
  const auto rows = ImageDifferences(a, b);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].name, "Модуль контроля и управления KT-CM3");
  EXPECT_EQ(rows[0].valueA + " → " + rows[0].valueB, "0 → 3");
  EXPECT_EQ(rows[1].name, "IN 1, 1 этап, Количество повторов");
  EXPECT_EQ(rows[1].valueA + " → " + rows[1].valueB, "3 → Без огр");
  EXPECT_EQ(rows[2].name, "IN 3, 2 этап, Зоны");
  EXPECT_EQ(rows[2].valueA + " → " + rows[2].valueB, "1, 2 → 1, 2, 5");
  EXPECT_EQ(rows[3].name, "Серийный номер");
  EXPECT_EQ(rows[3].valueA + " → " + rows[3].valueB, "\"\" → \"7\"");
}

TEST(ImageDifferences, UncoveredBytesAreReportedAsRuns) {
  struct Change { std::size_t byte; std::uint8_t value; };
  struct Case {
    const char* what;
    std::vector<Change> changes;
    std::vector<std::array<std::string, 3>> rows;  // name, A, B
  };
  const Case cases[] = {
      {"byte 2 above the ALM OUT bit", {{2, 0x80}}, {{"Байты без назначения 0002..0002", "00", "80"}}},
      {"byte 2, both parts", {{2, 0x81}},
       {{"Активация выхода \"ALM OUT\": MIC+PULT1+PULT2", "нет", "да"}, {"Байты без назначения 0002..0002", "00", "81"}}},
      {"low bits of a stage record", {{StageRecordOffset(7, 7), 0x05}}, {{"Байты без назначения 0182..0182", "00", "05"}}},
      {"a run after the identity", {{416, 1}, {417, 2}, {419, 0xAB}},
       {{"Байты без назначения 01A0..01A1", "00 00", "01 02"}, {"Байты без назначения 01A3..01A3", "00", "AB"}}},
      {"split by the marker", {{398, 1}, {399, 1}, {402, 0xFF}},
       {{"Байты без назначения 018E..018F", "00 00", "01 01"}, {"Байты без назначения 0192..0192", "00", "FF"}}},
      {"the last byte", {{511, 0x10}}, {{"Байты без назначения 01FF..01FF", "00", "10"}}},
  };
  for (const auto& c : cases) {
    ConfigImage a, b;
    for (const Change& ch : c.changes) b[ch.byte] = ch.value;
    const auto rows = ImageDifferences(a, b);
    ASSERT_EQ(rows.size(), c.rows.size()) << c.what;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i].name, c.rows[i][0]) << c.what;
      EXPECT_EQ(rows[i].valueA, c.rows[i][1]) << c.what;
      EXPECT_EQ(rows[i].valueB, c.rows[i][2]) << c.what;
    }
  }
}

// Whatever differs is in some row, and every row holds a byte that differs.
TEST(ImageDifferences, RowsAccountForEveryDifferingByte) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    const ConfigImage a = RandomImage(rng);
    ConfigImage b = a;
    const int changes = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < changes; ++i) b[rng() % kImageSize] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
    const auto rows = ImageDifferences(a, b);
    EXPECT_EQ(rows.empty(), a.bytes == b.bytes);
    std::array<bool, kImageSize> reported{};
    for (const auto& r : rows) {
      bool any = false;
      for (std::size_t i = r.bytes.first; i <= r.bytes.last; ++i) {
        reported[i] = true;
        any = any || a[i] != b[i];
      }
      EXPECT_TRUE(any) << r.name;
    }
    for (std::size_t i = 0; i < kImageSize; ++i)
      if (a[i] != b[i]) {
        EXPECT_TRUE(reported[i]) << "byte " << i << " trial " << trial;
      }
  }
}

// The numbers the window and the logs show keep their width: padded, and cut
// to the low digits when a value (a damaged reply's address) is wider.
TEST(HexText, FixedWidthUpperCase) {
  EXPECT_EQ(Hex4(0x1F0), "01F0");
  EXPECT_EQ(Hex4(0x1ABCD), "ABCD");
  EXPECT_EQ(Hex2(0x0A), "0A");
  EXPECT_EQ(HexDigits(0xFFFFFFFFu, 8), "FFFFFFFF");
  const std::uint8_t run[] = {0x41, 0x00, 0xFF};
  EXPECT_EQ(HexBytes(run, 3), "41 00 FF");
  EXPECT_EQ(HexBytes(run, 0), "");
}
