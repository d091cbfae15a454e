// The one table of the image's fields: where each lies (byte, bits), what the
// window calls it and how its value reads. The editor writes and shows the
// fields through it, and comparisons and checks name them by it, so a
// position is written down once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/ConfigImage.h"

namespace tesra {

// How a field's value reads.
enum class FieldKind : std::uint8_t {
  Count,      // a number of devices
  YesNo,      // "да" / "нет"
  Amplifier,  // written 1 (absent) or 2 (present); 0 reads as absent, 3 as present
  ZoneList,   // zone mask, zone n = bit n-1: "1, 2, 5"
  Relays,     // one module's pair: K1 = bit 1, K2 = bit 0 of the value
  Message,    // 0 = "Не выбр", else the message number
  Repeats,    // 0 = "Без огр", else the repeat count
  Pause,      // index p: 5·p seconds
  Text,       // Windows-1251 characters, padded with 0
};

// What a field is. With the input, stage and module it names one field.
enum class FieldId : std::uint8_t {
  // System section, in the window's order.
  Amplifier, Splitters, Modules, FireConsoles, AnnouncerConsoles, EqualPriority, Gong, AuxPriority,
  MusicPreset1, MusicPreset2, AuxZones, RingZones, TelZones, AlmOutByMic, AlmOutByAux,
  // A stage record, in the window's order.
  StageOn, Message, Repeats, Pause, AlmOut, Zones, Relays,
  // Identity section.
  Marker, SerialNumber, Date1, Date2, Date3,
};

struct ImageField {
  FieldId id;
  FieldKind kind;
  std::int8_t input;     // 0..7 for a field of a stage record, else -1
  std::int8_t stage;     // 0..7 for a field of a stage record, else -1
  std::int8_t module;    // 0..7 for a relay pair, else -1
  std::uint16_t offset;  // the (first) byte
  std::uint8_t shift;    // the field's lowest bit inside its byte (0 = value 0x01)
  std::uint8_t width;    // bits inside that byte, 1..8; 0 for a text
  std::uint8_t length;   // bytes: 1, or the characters of a text

  bool IsText() const { return kind == FieldKind::Text; }
  std::size_t LastByte() const { return offset + length - 1u; }
};

constexpr int kStageFieldCount = 14;  // on, message, repeats, pause, ALM OUT, zones, 8 relay pairs

// Every field, in the order a person reads them: the system section as the
// window lists it, then IN 1..IN 8 stage by stage, then the identity section.
std::span<const ImageField> ImageFields();

// A field of the system or identity section.
const ImageField& SystemField(FieldId id);
// A field of the record of input (0..7), stage (0..7); for Relays, module 0.
const ImageField& StageField(int input, int stage, FieldId id);
// The K1/K2 pair of module (0..7) in the record of input, stage.
const ImageField& RelayField(int input, int stage, int module);
// The kStageFieldCount fields of one stage record, in table order.
std::span<const ImageField> StageFields(int input, int stage);

// The bit of a relay pair's value that holds relay r (0 = K1, 1 = K2).
constexpr unsigned RelayBit(int relay) { return relay == 0 ? 1u : 0u; }

// The value of a field of one byte or less; 0 for a text.
unsigned FieldValue(const std::uint8_t* image, const ImageField& f);
inline unsigned FieldValue(const ConfigImage& image, const ImageField& f) { return FieldValue(image.data(), f); }
// Stores the low `width` bits of value; the other bits of the byte stay.
void PutField(std::uint8_t* image, const ImageField& f, unsigned value);
// Sets or clears bit n (0 = lowest) of the field's value: a zone, a relay.
void PutFieldBit(std::uint8_t* image, const ImageField& f, unsigned n, int on);

// Names in the window's words (UTF-8). Where: "IN 3, 2 этап", a group box of
// the system section, or the section itself. Caption: the row or box, empty
// for a stage's own box. Name: both, "IN 3, 2 этап, Зоны".
std::string FieldWhere(const ImageField& f);
std::string FieldCaption(const ImageField& f);
std::string FieldName(const ImageField& f);

// A value as the window would show it: "да", "1, 2, 5", "Без огр", "35", "K1, K2".
std::string ValueText(const ImageField& f, unsigned value);
// The field's value in an image, texts included.
std::string FieldText(const std::uint8_t* image, const ImageField& f);
inline std::string FieldText(const ConfigImage& image, const ImageField& f) { return FieldText(image.data(), f); }
// Zones of a mask, "1, 2, 5"; "нет" for none.
std::string ZoneListText(unsigned mask);

// Bits of each byte that no field covers: carried unchanged, never shown.
const std::array<std::uint8_t, kImageSize>& UncoveredBits();

struct ByteRange {
  std::size_t first;
  std::size_t last;
  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};
// Runs of bytes holding bits that no field covers (wholly or in part).
std::vector<ByteRange> UncoveredBytes();

}  // namespace tesra
