#include "config/ImageFields.h"

#include <stdexcept>

#include "config/Cp1251.h"
#include "config/HexText.h"

namespace tesra {

namespace {

struct SystemRow {
  FieldId id;
  FieldKind kind;
  std::uint16_t offset;
  std::uint8_t shift, width, length;
  const char* group;    // empty for a row of the section itself
  const char* caption;
};

constexpr const char* kSystemPanel = "Состав и конфигурация системы";
constexpr const char* kMusicGroup = "Зоны трансляции фоновой музыки";
constexpr const char* kInputZoneGroup = "Зоны в которые будет транслироваться аудио сигнал при активации входов";
constexpr const char* kAlmOutGroup = "Активация выхода \"ALM OUT\":";

// The system section as the window lists it, top to bottom.
constexpr SystemRow kSystemRows[] = {
    {FieldId::Amplifier, FieldKind::Amplifier, 0, 6, 2, 1, "", "Усилитель мощности KT-400AM"},
    {FieldId::Splitters, FieldKind::Count, 0, 4, 2, 1, "", "Разветвитель KT-SP"},
    {FieldId::Modules, FieldKind::Count, 1, 0, 4, 1, "", "Модуль контроля и управления KT-CM3"},
    {FieldId::FireConsoles, FieldKind::Count, 0, 0, 2, 1, "", "Пожарный пульт микрофонный KT-FP8"},
    {FieldId::AnnouncerConsoles, FieldKind::Count, 0, 2, 2, 1, "", "Пульт диктора микрофонный KT-AN"},
    {FieldId::EqualPriority, FieldKind::YesNo, 1, 4, 1, 1, "", "Равный приоритет для входов IN1- IN8"},
    {FieldId::Gong, FieldKind::YesNo, 1, 7, 1, 1, "", "Сигнал привлечения внимания (ГОНГ)"},
    {FieldId::AuxPriority, FieldKind::YesNo, 1, 6, 1, 1, "", "Приоритет входа AUX над авт. режимом"},
    {FieldId::MusicPreset1, FieldKind::ZoneList, 3, 0, 8, 1, kMusicGroup, "Пресет1"},
    {FieldId::MusicPreset2, FieldKind::ZoneList, 4, 0, 8, 1, kMusicGroup, "Пресет2"},
    {FieldId::AuxZones, FieldKind::ZoneList, 7, 0, 8, 1, kInputZoneGroup, "Вход AUX"},
    {FieldId::RingZones, FieldKind::ZoneList, 6, 0, 8, 1, kInputZoneGroup, "Вход RING"},
    {FieldId::TelZones, FieldKind::ZoneList, 5, 0, 8, 1, kInputZoneGroup, "Вход TEL"},
    {FieldId::AlmOutByMic, FieldKind::YesNo, 2, 0, 1, 1, kAlmOutGroup, "MIC+PULT1+PULT2"},
    {FieldId::AlmOutByAux, FieldKind::YesNo, 1, 5, 1, 1, kAlmOutGroup, "AUX"},
};

// The identity section: texts of one byte per character.
constexpr SystemRow kIdentityRows[] = {
    {FieldId::Marker, FieldKind::Text, 400, 0, 0, 2, "", "Метка \"SN\""},
    {FieldId::SerialNumber, FieldKind::Text, 403, 0, 0, 4, "", "Серийный номер"},
    {FieldId::Date1, FieldKind::Text, 408, 0, 0, 2, "", "Дата, поле 1"},
    {FieldId::Date2, FieldKind::Text, 411, 0, 0, 2, "", "Дата, поле 2"},
    {FieldId::Date3, FieldKind::Text, 414, 0, 0, 2, "", "Дата, поле 3"},
};

// One stage record, in the window's order; relays follow as eight pairs.
struct StageRow {
  FieldId id;
  FieldKind kind;
  std::uint8_t byte;  // inside the record
  std::uint8_t shift, width;
  const char* caption;
};
constexpr StageRow kStageRows[] = {
    {FieldId::StageOn, FieldKind::YesNo, offs::StageFlags, 7, 1, ""},
    {FieldId::Message, FieldKind::Message, offs::StageMessage, 0, 8, "Номер сообщения"},
    {FieldId::Repeats, FieldKind::Repeats, offs::StageRepeats, 0, 8, "Количество повторов"},
    {FieldId::Pause, FieldKind::Pause, offs::StageFlags, 3, 3, "Пауза между повторами (сек.)"},
    {FieldId::AlmOut, FieldKind::YesNo, offs::StageFlags, 6, 1, "ALM OUT"},
    {FieldId::Zones, FieldKind::ZoneList, offs::StageZones, 0, 8, "Зоны"},
};
constexpr int kModules = 8;
static_assert(std::size(kStageRows) + kModules == kStageFieldCount);

constexpr std::size_t kSystemCount = std::size(kSystemRows);
constexpr std::size_t kStageFieldsStart = kSystemCount;
constexpr std::size_t kIdentityStart = kStageFieldsStart + 8 * 8 * kStageFieldCount;

ImageField FromRow(const SystemRow& r) {
  return {r.id, r.kind, -1, -1, -1, r.offset, r.shift, r.width, r.length};
}

std::vector<ImageField> BuildTable() {
  std::vector<ImageField> t;
  for (const SystemRow& r : kSystemRows) t.push_back(FromRow(r));
  for (int input = 0; input < 8; ++input) {
    for (int stage = 0; stage < 8; ++stage) {
      const auto rec = static_cast<std::uint16_t>(StageRecordOffset(input, stage));
      const auto in = static_cast<std::int8_t>(input), st = static_cast<std::int8_t>(stage);
      for (const StageRow& r : kStageRows)
        t.push_back({r.id, r.kind, in, st, -1, static_cast<std::uint16_t>(rec + r.byte), r.shift, r.width, 1});
      // Module m's K1 and K2 are bit index 2m and 2m+1 of the 16 bits at +3.
      for (int m = 0; m < kModules; ++m)
        t.push_back({FieldId::Relays, FieldKind::Relays, in, st, static_cast<std::int8_t>(m),
                     static_cast<std::uint16_t>(rec + offs::StageRelays + m / 4),
                     static_cast<std::uint8_t>(6 - 2 * (m % 4)), 2, 1});
    }
  }
  for (const SystemRow& r : kIdentityRows) t.push_back(FromRow(r));
  return t;
}

const std::vector<ImageField>& Table() {
  static const std::vector<ImageField> table = BuildTable();
  return table;
}

const SystemRow* RowOf(FieldId id) {
  for (const SystemRow& r : kSystemRows)
    if (r.id == id) return &r;
  for (const SystemRow& r : kIdentityRows)
    if (r.id == id) return &r;
  return nullptr;
}

std::size_t StageIndex(int input, int stage) {
  if (input < 0 || input > 7 || stage < 0 || stage > 7) throw std::out_of_range("stage record");
  return kStageFieldsStart + static_cast<std::size_t>(input * 8 + stage) * kStageFieldCount;
}

std::string Number(unsigned v) { return std::to_string(v); }

// Control characters (0x98 reads as one) look like nothing on screen.
bool IsPrintable(char32_t c) { return c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && c != U'\uFFFD'; }

// A text as its edit field shows it (up to the first byte 0), with the bytes
// themselves whenever the shown text does not tell them apart.
std::string TextValue(const std::uint8_t* bytes, std::size_t length) {
  std::size_t shown = 0;
  while (shown < length && bytes[shown] != 0) ++shown;
  bool plain = true;
  for (std::size_t i = 0; i < length; ++i) {
    if (i >= shown && bytes[i] != 0) plain = false;
    if (i < shown && !IsPrintable(Cp1251ToUnicode(bytes[i]))) plain = false;
  }
  std::string text = "\"" + Cp1251ToUtf8(std::string(reinterpret_cast<const char*>(bytes), shown)) + "\"";
  if (plain) return text;
  return text + " (" + HexBytes(bytes, length) + ")";
}

}  // namespace

std::span<const ImageField> ImageFields() { return Table(); }

const ImageField& SystemField(FieldId id) {
  const auto& t = Table();
  for (std::size_t i = 0; i < kSystemCount; ++i)
    if (t[i].id == id) return t[i];
  for (std::size_t i = kIdentityStart; i < t.size(); ++i)
    if (t[i].id == id) return t[i];
  throw std::invalid_argument("not a field of the system or identity section");
}

const ImageField& StageField(int input, int stage, FieldId id) {
  const std::size_t base = StageIndex(input, stage);
  for (std::size_t i = 0; i < kStageFieldCount; ++i)
    if (Table()[base + i].id == id) return Table()[base + i];
  throw std::invalid_argument("not a field of a stage record");
}

const ImageField& RelayField(int input, int stage, int module) {
  if (module < 0 || module >= kModules) throw std::out_of_range("module");
  return Table()[StageIndex(input, stage) + std::size(kStageRows) + static_cast<std::size_t>(module)];
}

std::span<const ImageField> StageFields(int input, int stage) {
  return std::span<const ImageField>(Table()).subspan(StageIndex(input, stage), kStageFieldCount);
}

unsigned FieldValue(const std::uint8_t* image, const ImageField& f) {
  if (f.IsText()) return 0;
  return GetBits(f.width, f.shift + f.width, image + f.offset);
}

void PutField(std::uint8_t* image, const ImageField& f, unsigned value) {
  if (f.IsText()) return;
  PutBits(f.width, static_cast<std::uint8_t>(value), f.shift + f.width, f.width, image + f.offset);
}

void PutFieldBit(std::uint8_t* image, const ImageField& f, unsigned n, int on) {
  if (f.IsText() || n >= f.width) return;
  const unsigned mask = 1u << n;
  const unsigned v = FieldValue(image, f);
  PutField(image, f, on == 1 ? (v | mask) : (v & ~mask));
}

std::string FieldWhere(const ImageField& f) {
  if (f.input >= 0) return "IN " + Number(f.input + 1u) + ", " + Number(f.stage + 1u) + " этап";
  const SystemRow* r = RowOf(f.id);
  return r && *r->group ? r->group : kSystemPanel;
}

std::string FieldCaption(const ImageField& f) {
  if (f.id == FieldId::Relays) return "Модуль " + Number(f.module + 1u);
  if (f.input >= 0) {
    for (const StageRow& r : kStageRows)
      if (r.id == f.id) return r.caption;
    return {};
  }
  const SystemRow* r = RowOf(f.id);
  return r ? r->caption : "";
}

std::string FieldName(const ImageField& f) {
  const std::string caption = FieldCaption(f);
  if (f.input >= 0) return caption.empty() ? FieldWhere(f) : FieldWhere(f) + ", " + caption;
  const SystemRow* r = RowOf(f.id);
  if (!r || !*r->group) return caption;
  // A group caption that ends in a colon leads straight into its boxes.
  const std::string group = r->group;
  return group + (group.back() == ':' ? " " : ", ") + caption;
}

std::string ZoneListText(unsigned mask) {
  std::string text;
  for (unsigned z = 0; z < 8; ++z)
    if (mask & (1u << z)) text += (text.empty() ? "" : ", ") + Number(z + 1);
  return text.empty() ? "нет" : text;
}

std::string ValueText(const ImageField& f, unsigned value) {
  switch (f.kind) {
    case FieldKind::Count: return Number(value);
    case FieldKind::YesNo: return value ? "да" : "нет";
    case FieldKind::Amplifier:
      // The editor writes 1 or 2; the other two read as their nearest meaning.
      if (value == 1 || value == 2) return value == 2 ? "да" : "нет";
      return (value >= 2 ? "да (код " : "нет (код ") + Number(value) + ")";
    case FieldKind::ZoneList: return ZoneListText(value);
    case FieldKind::Relays: {
      const bool k1 = value & (1u << RelayBit(0)), k2 = value & (1u << RelayBit(1));
      if (k1 && k2) return "K1, K2";
      return k1 ? "K1" : k2 ? "K2" : "нет";
    }
    case FieldKind::Message: return value == 0 ? "Не выбр" : Number(value);
    case FieldKind::Repeats: return value == 0 ? "Без огр" : Number(value);
    case FieldKind::Pause: return Number(5 * value);
    case FieldKind::Text: break;
  }
  return Number(value);
}

std::string FieldText(const std::uint8_t* image, const ImageField& f) {
  if (f.IsText()) return TextValue(image + f.offset, f.length);
  return ValueText(f, FieldValue(image, f));
}

const std::array<std::uint8_t, kImageSize>& UncoveredBits() {
  static const std::array<std::uint8_t, kImageSize> bits = [] {
    std::array<std::uint8_t, kImageSize> b;
    b.fill(0xFF);
    for (const ImageField& f : Table()) {
      if (f.IsText()) {
        for (std::size_t i = f.offset; i <= f.LastByte(); ++i) b[i] = 0;
      } else {
        b[f.offset] &= static_cast<std::uint8_t>(~(((1u << f.width) - 1u) << f.shift));
      }
    }
    return b;
  }();
  return bits;
}

std::vector<ByteRange> UncoveredBytes() {
  std::vector<ByteRange> runs;
  const auto& bits = UncoveredBits();
  for (std::size_t i = 0; i < kImageSize; ++i) {
    if (!bits[i]) continue;
    if (!runs.empty() && runs.back().last + 1 == i)
      runs.back().last = i;
    else
      runs.push_back({i, i});
  }
  return runs;
}

}  // namespace tesra
