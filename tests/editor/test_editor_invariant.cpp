// Random images and random user gestures through the real widgets: bytes and
// bits the program does not interpret never change, and every write lands in
// the field of the control that was used or in the documented cascades.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "editor/ComboIndex.h"
#include "tests/support/MainWindowFixture.h"

using namespace tesra;

namespace {

using Mask = std::array<std::uint8_t, kImageSize>;

Mask Uninterpreted() {
  Mask m{};
  m[2] = 0xFE;
  for (std::size_t i = 392; i < 400; ++i) m[i] = 0xFF;
  for (std::size_t i : {402u, 407u, 410u, 413u}) m[i] = 0xFF;
  for (std::size_t i = 416; i < kImageSize; ++i) m[i] = 0xFF;
  for (int input = 0; input < 8; ++input)
    for (int s = 0; s < 8; ++s) m[StageRecordOffset(input, s)] = 0x07;
  return m;
}

void AllowShownBlock(Mask& m, int input) {
  for (int s = 0; s < 8; ++s) {
    const std::size_t r = StageRecordOffset(input, s);
    m[r] |= 0xF8;
    for (std::size_t k = 1; k < 6; ++k) m[r + k] = 0xFF;
  }
}

// What the stage chaining and the equipment rules may clear besides a field.
void AllowControlStateCascades(Mask& m, int input) {
  m[1] |= 0x80;                                // gong
  for (std::size_t i = 3; i <= 7; ++i) m[i] = 0xFF;  // music and input zones
  AllowShownBlock(m, input);
}

struct Step {
  std::string what;
  Mask allowed{};
  bool onlyClears = false;
  std::function<void()> act;
  std::function<std::string()> check;  // empty when the field holds what the control shows
};

class Monkey {
 public:
  Monkey(MainWindowFixture& f, std::uint32_t seed) : f_(f), rng_(seed) {}

  Step Next() {
    for (;;) {
      switch (Pick(12)) {
        case 0: if (auto s = SystemBox()) return *s; break;
        case 1: if (auto s = SystemCombo()) return *s; break;
        case 2: if (auto s = StageBox()) return *s; break;
        case 3: case 4: if (auto s = StageCombo()) return *s; break;
        case 5: if (auto s = ZoneButton()) return *s; break;
        case 6: if (auto s = RelayBox()) return *s; break;
        case 7: if (auto s = AlmOut()) return *s; break;
        case 8: return InputSwitch();
        case 9: return MessageLength();
        case 10: return Identity();
        case 11: if (auto s = TypedText()) return *s; break;
      }
    }
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  MainControls& c() { return f_.c; }
  std::uint8_t* img() { return f_.ctx.Image.data(); }
  int input() const { return f_.ctx.SelectedInput; }
  std::size_t Rec(int s) const { return StageRecordOffset(f_.ctx.SelectedInput, s); }

  template <class T>
  static std::string Name(T* w) { return w->objectName().toStdString(); }

  std::optional<Step> SystemBox() {
    struct Bit { QCheckBox* box; std::size_t byte; std::uint8_t mask; };
    std::vector<Bit> bits = {{c().CheckBox316, 1, 0x80}, {c().CheckBox325, 1, 0x40}, {c().CheckBox42, 1, 0x20},
                             {c().CheckBox4, 1, 0x10},   {c().CheckBox41, 2, 0x01}};
    for (int z = 0; z < 8; ++z) {
      const auto m = static_cast<std::uint8_t>(1 << z);
      bits.push_back({c().MusicZoneBoxes[z], 3, m});
      bits.push_back({c().MusicZoneBoxes[8 + z], 4, m});
      bits.push_back({c().InputZoneBoxes[0][z], 7, m});
      bits.push_back({c().InputZoneBoxes[1][z], 6, m});
      bits.push_back({c().InputZoneBoxes[2][z], 5, m});
    }
    if (Pick(8) == 0) {  // the amplifier writes two bits
      Step s{"click CheckBox5", {}, false, [this] { c().CheckBox5->click(); }, {}};
      s.allowed[0] = 0xC0;
      s.check = [this] {
        const int want = c().CheckBox5->isChecked() ? 2 : 1;
        return (img()[0] >> 6) == want ? std::string() : std::string("amplifier bits");
      };
      return s;
    }
    const Bit b = bits[static_cast<std::size_t>(Pick(static_cast<int>(bits.size())))];
    if (!b.box->isEnabled()) return std::nullopt;
    Step s{"click " + Name(b.box), {}, false, [b] { b.box->click(); }, {}};
    s.allowed[b.byte] = b.mask;
    s.check = [this, b] {
      return ((img()[b.byte] & b.mask) != 0) == b.box->isChecked() ? std::string() : "bit of " + Name(b.box);
    };
    return s;
  }

  std::optional<Step> SystemCombo() {
    struct Field { QComboBox* combo; std::size_t byte; std::uint8_t mask; int shift; };
    const Field fields[] = {{c().ComboBox57, 0, 0x30, 4}, {c().ComboBox56, 1, 0x0F, 0},
                            {c().ComboBox55, 0, 0x03, 0}, {c().ComboBox54, 0, 0x0C, 2}};
    const Field fd = fields[Pick(4)];
    if (fd.combo->count() == 0) return std::nullopt;
    const int index = Pick(fd.combo->count());
    Step s{"choose " + Name(fd.combo) + " " + std::to_string(index), {}, false,
           [this, fd, index] { f_.Choose(fd.combo, index); }, {}};
    s.allowed[fd.byte] = fd.mask;
    s.allowed[1] |= 0x80;  // the gong follows the announcer consoles
    if (fd.combo == c().ComboBox57) {
      for (std::size_t i = 3; i <= 7; ++i) s.allowed[i] = 0xFF;
      for (int st = 0; st < 8; ++st) s.allowed[Rec(st)] |= 0x40;  // ALM OUT of stages switched off
    }
    if (fd.combo == c().ComboBox56)
      for (int st = 0; st < 8; ++st) s.allowed[Rec(st) + 3] = s.allowed[Rec(st) + 4] = 0xFF;
    s.check = [this, fd] {
      const int want = (ItemIndex(fd.combo) << fd.shift) & fd.mask;
      return (img()[fd.byte] & fd.mask) == want ? std::string() : "field of " + Name(fd.combo);
    };
    return s;
  }

  std::optional<Step> StageBox() {
    const int st = Pick(8);
    QCheckBox* box = c().StageButtons[st];
    if (!box->isEnabled()) return std::nullopt;
    Step s{"click " + Name(box), {}, false, [box] { box->click(); }, {}};
    AllowControlStateCascades(s.allowed, input());
    s.check = [this, st, box] {
      return ((img()[Rec(st)] & 0x80) != 0) == box->isChecked() ? std::string() : "stage bit";
    };
    return s;
  }

  std::optional<Step> StageCombo() {
    const int st = Pick(8);
    const int which = Pick(3);
    QComboBox* combo = which == 0 ? c().MessageCombos[st] : which == 1 ? c().RepeatCombos[st] : c().PauseCombos[st];
    if (!combo->isEnabled()) return std::nullopt;
    const int index = Pick(combo->count());
    Step s{"choose " + Name(combo) + " " + std::to_string(index), {}, false,
           [this, combo, index] { f_.Choose(combo, index); }, {}};
    FieldOfStageCombo(s, st, which, combo);
    return s;
  }

  std::optional<Step> TypedText() {
    const int st = Pick(8);
    const int which = Pick(3);
    QComboBox* combo = which == 0 ? c().MessageCombos[st] : which == 1 ? c().RepeatCombos[st] : c().PauseCombos[st];
    if (!combo->isEnabled()) return std::nullopt;
    static const char* texts[] = {"x", "7", "99", "Без", "300", "-1", " 5", "35"};
    const QString text = QString::fromUtf8(texts[Pick(8)]);
    const bool finish = Pick(2) == 0;  // Enter, or the typing goes on later
    auto before = std::make_shared<ConfigImage>();
    Step s{"type '" + text.toStdString() + "' into " + Name(combo) + (finish ? " + Enter" : ""), {}, false,
           [this, combo, text, finish, before] {
             *before = f_.ctx.Image;
             combo->lineEdit()->selectAll();
             combo->lineEdit()->insert(text);  // raises textEdited like typing
             if (finish) QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
           },
           {}};
    FieldOfStageCombo(s, st, which, combo);
    // Text that names no item writes nothing; once the typing ends the box
    // shows the item the image holds (none for a number beyond the list).
    s.check = [this, combo, finish, before, fieldHoldsItem = s.check] {
      if (ItemIndex(combo) >= 0) return fieldHoldsItem();
      if (f_.ctx.Image.bytes != before->bytes) return std::string("refused text wrote");
      return finish && !combo->currentText().isEmpty() ? std::string("refused text stays") : std::string();
    };
    return s;
  }

  void FieldOfStageCombo(Step& s, int st, int which, QComboBox* combo) {
    const std::size_t r = Rec(st);
    if (which == 0) {
      s.allowed[r + 5] = 0xFF;
      s.check = [this, r, combo] {
        return img()[r + 5] == (ItemIndex(combo) & 0xFF) ? std::string() : std::string("message byte");
      };
    } else if (which == 1) {
      AllowControlStateCascades(s.allowed, input());
      s.check = [this, r, combo] {
        return img()[r + 1] == (ItemIndex(combo) & 0xFF) ? std::string() : std::string("repeat byte");
      };
    } else {
      s.allowed[r] = 0x38;
      s.check = [this, r, combo] {
        return ((img()[r] >> 3) & 7) == (ItemIndex(combo) & 7) ? std::string() : std::string("pause bits");
      };
    }
  }

  std::optional<Step> ZoneButton() {
    const int st = Pick(8), z = Pick(8);
    QToolButton* b = c().ZoneButtons[st][z];
    if (!b->isEnabled()) return std::nullopt;
    const std::size_t r = Rec(st) + 2;
    Step s{"click " + Name(b), {}, false, [b] { b->click(); }, {}};
    s.allowed[r] = static_cast<std::uint8_t>(1 << z);
    s.check = [this, r, z, b] {
      if (((img()[r] >> z) & 1) != (b->isChecked() ? 1 : 0)) return std::string("zone bit");
      return f_.c.ZoneButtonImage(b) == (b->isChecked() ? 1 : 0) ? std::string() : std::string("zone image");
    };
    return s;
  }

  std::optional<Step> RelayBox() {
    const int st = Pick(8), j = Pick(16);
    QCheckBox* b = c().RelayBoxes[st][j];
    if (!b->isEnabled()) return std::nullopt;
    const std::size_t r = Rec(st) + 3;
    Step s{"click " + Name(b), {}, false, [b] { b->click(); }, {}};
    s.allowed[r + static_cast<std::size_t>(j / 8)] = static_cast<std::uint8_t>(0x80 >> (j % 8));
    s.check = [this, r, j, b] {
      return GetBit(img() + r, static_cast<unsigned>(j)) == (b->isChecked() ? 1 : 0) ? std::string()
                                                                                      : std::string("relay bit");
    };
    return s;
  }

  std::optional<Step> AlmOut() {
    const int st = Pick(8);
    QCheckBox* b = c().AlmOutBoxes[st];
    if (!b->isEnabled()) return std::nullopt;
    const std::size_t r = Rec(st);
    Step s{"click " + Name(b), {}, false, [b] { b->click(); }, {}};
    s.allowed[r] = 0x40;
    s.check = [this, r, b] {
      return ((img()[r] & 0x40) != 0) == b->isChecked() ? std::string() : std::string("ALM OUT bit");
    };
    return s;
  }

  Step InputSwitch() {
    const int target = Pick(8);
    Step s{"show input " + std::to_string(target + 1), {}, true,
           [this, target] { c().InputButtons[target]->click(); }, {}};
    // Showing an input may only clear what the screen cannot hold.
    AllowShownBlock(s.allowed, target);
    s.check = [this, target] {
      if (f_.ctx.SelectedInput != target || f_.ctx.RefreshGuard != 0) return std::string("selected input");
      for (int st = 0; st < 8; ++st)
        if (((img()[StageRecordOffset(target, st)] & 0x80) != 0) != c().StageButtons[st]->isChecked())
          return std::string("shown stage box");
      return std::string();
    };
    return s;
  }

  Step MessageLength() {
    const int row = 1 + Pick(72);
    static const char* values[] = {"", "0", "12", "abc", "99999", "-3"};
    const QString v = QString::fromUtf8(values[Pick(6)]);
    return Step{"message time " + std::to_string(row) + " = '" + v.toStdString() + "'", {}, false,
                [this, row, v] { c().SetLenMesValue(row, v); }, {}};
  }

  Step Identity() {
    QLineEdit* edits[] = {c().Edit1, c().Edit2, c().Edit3, c().Edit4};
    const std::size_t offsets[] = {403, 408, 411, 414};
    const std::size_t lengths[] = {4, 2, 2, 2};
    const int k = Pick(4);
    static const char* texts[] = {"", "1", "AB", "Ж9", "12345"};
    const QString text = QString::fromUtf8(texts[Pick(5)]);
    QLineEdit* e = edits[k];
    Step s{"type '" + text.toStdString() + "' into " + Name(e), {}, false, [e, text] {
             e->selectAll();
             e->insert(text);
           }, {}};
    for (std::size_t i = 0; i < lengths[k]; ++i) s.allowed[offsets[k] + i] = 0xFF;
    return s;
  }

  MainWindowFixture& f_;
  std::mt19937 rng_;
};

std::string Describe(const Mask& changed) {
  std::ostringstream os;
  for (std::size_t i = 0; i < kImageSize; ++i)
    if (changed[i]) os << " [" << i << "]^0x" << std::hex << int(changed[i]) << std::dec;
  return os.str();
}

}  // namespace

TEST(EditorInvariant, RandomGesturesTouchOnlyTheirFieldsAndCascades) {
  const Mask uninterpreted = Uninterpreted();
  for (std::uint32_t seed = 1; seed <= 24; ++seed) {
    MainWindowFixture f(true);  // debug mode: the identity fields take typing
    std::mt19937 rng(seed * 7919u);
    ConfigImage start;
    for (auto& b : start.bytes) b = static_cast<std::uint8_t>(rng());
    // Friendlier equipment in most runs, so more controls are offered.
    if (seed % 3 != 0) {
      start[0] = static_cast<std::uint8_t>((start[0] & 0xC0) | 0x20 | (rng() % 2));
      start[1] = static_cast<std::uint8_t>((start[1] & 0xF0) | (rng() % 9));
    }
    f.Open(start);
    {
      Mask changed{};
      for (std::size_t i = 0; i < kImageSize; ++i) changed[i] = (start[i] ^ f.ctx.Image[i]) & uninterpreted[i];
      ASSERT_EQ(Describe(changed), "") << "opening seed " << seed;
    }
    Monkey monkey(f, seed);
    for (int n = 0; n < 80; ++n) {
      Step step = monkey.Next();
      const ConfigImage before = f.ctx.Image;
      step.act();
      Mask stray{};
      for (std::size_t i = 0; i < kImageSize; ++i) {
        const std::uint8_t diff = before[i] ^ f.ctx.Image[i];
        stray[i] = static_cast<std::uint8_t>((diff & uninterpreted[i]) | (diff & ~step.allowed[i]));
        if (step.onlyClears) stray[i] |= static_cast<std::uint8_t>(f.ctx.Image[i] & ~before[i]);
      }
      ASSERT_EQ(Describe(stray), "") << "seed " << seed << " step " << n << ": " << step.what;
      if (step.check) {
        ASSERT_EQ(step.check(), "") << "seed " << seed << " step " << n << ": " << step.what;
      }
    }
  }
}
