#include "config/Editor.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

#include "app/ControlProps.h"
#include "app/MainContext.h"
#include "app/MainControls.h"
#include "config/ComboIndex.h"
#include "config/IdentityText.h"
#include "config/PlayingTime.h"

using namespace tesra;

namespace {

// Restores RefreshGuard on every path out of a refresh.
class GuardRaised {
 public:
  explicit GuardRaised(std::uint8_t& guard) : guard_(guard) { guard_ = 1; }
  ~GuardRaised() { guard_ = 0; }
  GuardRaised(const GuardRaised&) = delete;
  GuardRaised& operator=(const GuardRaised&) = delete;

 private:
  std::uint8_t& guard_;
};

// Bit n (0 = value 0x01) of a byte as a bit index from the byte's start.
constexpr unsigned BitOf(unsigned n) { return 7 - n; }

// Seconds of a time text; no value for anything that is not a time.
bool ReadTime(const QString& text, long long& value) {
  const std::optional<long long> seconds = tesra::ReadSeconds(text.toStdString());
  value = seconds.value_or(0);
  return seconds.has_value();
}

}  // namespace

Editor::Editor(MainContext& ctx) : ctx_(ctx) {}

MainControls& Editor::c() const { return *ctx_.Controls; }

void Editor::ComboBox58Change(QObject* sender) {
  if (ctx_.RefreshGuard != 0) return;
  MainControls& k = c();
  std::uint8_t* img = ctx_.Image.data();
  auto checked = [sender] {
    auto* box = qobject_cast<QCheckBox*>(sender);
    return box && box->isChecked() ? 1 : 0;
  };
  auto index = [sender] { return ItemIndex(qobject_cast<QComboBox*>(sender)); };
  auto low = [](int v, unsigned bits) { return static_cast<std::uint8_t>(v & ((1 << bits) - 1)); };

  if (sender == k.CheckBox5) {
    PutBits(2, static_cast<std::uint8_t>(checked() + 1), 8, 2, img + offs::Equipment);
  } else if (sender == k.ComboBox57) {
    PutBits(2, low(index(), 2), 6, 2, img + offs::Equipment);
    UpdateControlStates(QStringLiteral("RU"));
  } else if (sender == k.ComboBox56) {
    PutBits(4, low(index(), 4), 4, 4, img + offs::Options);
    UpdateControlStates(QStringLiteral("Modul"));
  } else if (sender == k.ComboBox55) {
    PutBits(2, low(index(), 2), 2, 2, img + offs::Equipment);
    UpdateControlStates(QStringLiteral("PultFire"));
  } else if (sender == k.ComboBox54) {
    PutBits(2, low(index(), 2), 4, 2, img + offs::Equipment);
    UpdateControlStates(QStringLiteral("PultDiktor"));
  } else if (sender == k.CheckBox316) {
    PutBit(img + offs::Options, BitOf(7), checked());
  } else if (sender == k.CheckBox325) {
    PutBit(img + offs::Options, BitOf(6), checked());
  } else if (sender == k.CheckBox42) {
    PutBit(img + offs::Options, BitOf(5), checked());
  } else if (sender == k.CheckBox4) {
    PutBit(img + offs::Options, BitOf(4), checked());
  } else if (sender == k.CheckBox41) {
    PutBit(img + offs::AlmOutMic, BitOf(0), checked());
  } else if (sender == k.Edit1 || sender == k.Edit2 || sender == k.Edit3 || sender == k.Edit4) {
    struct Field { QLineEdit* edit; std::size_t offset; std::size_t length; };
    const Field fields[] = {{k.Edit1, offs::SerialNumber, 4},
                            {k.Edit2, offs::Date1, 2},
                            {k.Edit3, offs::Date2, 2},
                            {k.Edit4, offs::Date3, 2}};
    for (const Field& f : fields)
      if (sender == f.edit) StoreIdentityText(f.edit->text(), img + f.offset, f.length);
  } else {
    // Music and input zone boxes: zone n is bit n-1 of its byte; anything
    // else (the version field) stores nothing.
    for (int z = 0; z < 8; ++z) {
      const struct { QCheckBox* box; std::size_t byte; } zones[] = {
          {k.MusicZoneBoxes[z], offs::MusicPreset1}, {k.MusicZoneBoxes[8 + z], offs::MusicPreset2},
          {k.InputZoneBoxes[0][z], offs::AuxZones},  {k.InputZoneBoxes[1][z], offs::RingZones},
          {k.InputZoneBoxes[2][z], offs::TelZones},
      };
      for (const auto& zone : zones)
        if (sender == zone.box) PutBit(img + zone.byte, BitOf(static_cast<unsigned>(z)), checked());
    }
  }
  ctx_.ImageChanged();
}

void Editor::UncheckLaterStages(int t) {
  for (int u = t + 1; u < 8; ++u) {
    c().StageButtons[u]->setChecked(false);
    c().StageButtons[u]->setEnabled(false);
  }
}

void Editor::CheckBox180Click(QObject* sender) {
  MainControls& k = c();
  const int hc = HelpContext(sender);
  const int t = Tag(sender);
  if (t < 0 || t > 7) return;
  if (hc == 0) UpdateControlStates(QStringLiteral("PHASE"));

  std::uint8_t* rec = ctx_.Image.data() + StageRecordOffset(ctx_.SelectedInput, t);
  auto* box = qobject_cast<QCheckBox*>(sender);
  const int checked = box && box->isChecked() ? 1 : 0;

  if (hc == 0) {
    PutBit(rec + offs::StageFlags, 0, checked);
    if (checked && ItemIndex(k.RepeatCombos[t]) != 0) {
      if (t < 7) k.StageButtons[t + 1]->setEnabled(true);
    } else {
      UncheckLaterStages(t);
    }
    UpdateControlStates(QStringLiteral("PHASE"));
  } else if (hc == 1) {
    rec[offs::StageMessage] = static_cast<std::uint8_t>(ItemIndex(k.MessageCombos[t]) & 0xFF);
  } else if (hc == 2) {
    const int idx = ItemIndex(k.RepeatCombos[t]);
    rec[offs::StageRepeats] = static_cast<std::uint8_t>(idx & 0xFF);
    if (idx != 0) {
      if (t < 7) k.StageButtons[t + 1]->setEnabled(true);
    } else {
      UncheckLaterStages(t);
      UpdateControlStates(QStringLiteral("PHASE"));
    }
  } else if (hc == 3) {
    PutBits(3, static_cast<std::uint8_t>(ItemIndex(k.PauseCombos[t]) & 7), 6, 3, rec + offs::StageFlags);
  } else if (hc >= 4 && hc <= 11) {
    const int z = hc - 3;
    auto* button = qobject_cast<QToolButton*>(sender);
    const bool down = button && button->isChecked();
    PutBit(rec + offs::StageZones, BitOf(static_cast<unsigned>(z - 1)), down ? 1 : 0);
    if (button) k.SetZoneButtonImage(button, down ? 1 : 0);
  } else if (hc >= 12 && hc <= 19) {
    const int m = hc - 11;
    bool ok = false;
    int r = box ? box->text().toInt(&ok) : 0;
    if (!ok) r = 0;
    // A caption other than K1/K2 would address a bit outside this module's pair.
    if (r == 0 || r == 1) PutBit(rec + offs::StageRelays, static_cast<unsigned>(2 * (m - 1) + r), checked);
  } else if (hc == 20) {
    PutBit(rec + offs::StageFlags, 1, checked);
  }
  ctx_.ImageChanged();
  if (hc < 4) Edit6Change();
}

void Editor::UpdateControlStates(const QString& scope) {
  MainControls& k = c();
  const bool all = scope == QLatin1String("ALL");
  const bool fire = scope == QLatin1String("PultFire");
  const bool diktor = scope == QLatin1String("PultDiktor");
  const bool ru = scope == QLatin1String("RU");
  const bool phase = scope == QLatin1String("PHASE");
  const bool modul = scope == QLatin1String("Modul");

  // Fire consoles plus announcer consoles never exceed two.
  auto rebuildConsoleList = [](QComboBox* list, int otherIndex) {
    const int kept = ItemIndex(list);
    list->clear();
    list->addItem(QStringLiteral("0"));
    if (otherIndex == 1) list->addItem(QStringLiteral("1"));
    if (otherIndex == 0) list->addItems({QStringLiteral("1"), QStringLiteral("2")});
    SelectIndex(list, kept);
  };
  if (all || fire) rebuildConsoleList(k.ComboBox54, ItemIndex(k.ComboBox55));
  if (all || diktor) rebuildConsoleList(k.ComboBox55, ItemIndex(k.ComboBox54));

  // The gong needs an announcer console.
  if (ItemIndex(k.ComboBox54) == 0) {
    k.CheckBox316->setChecked(false);
    k.CheckBox316->setEnabled(false);
  } else {
    k.CheckBox316->setEnabled(true);
  }

  if (all || ru || phase) {
    const int splitters = ItemIndex(k.ComboBox57);
    for (int s = 0; s < 8; ++s) {
      if (s > 0) k.StageButtons[s]->setEnabled(ItemIndex(k.RepeatCombos[s - 1]) > 0);
      if (!k.PauseCombos[s]->isEnabled()) SelectIndex(k.MessageCombos[s], 0);
      const bool on = k.StageButtons[s]->isChecked();
      k.MessageCombos[s]->setEnabled(on);
      k.RepeatCombos[s]->setEnabled(on);
      k.PauseCombos[s]->setEnabled(on);
      k.AlmOutBoxes[s]->setEnabled(on);
      if (!k.AlmOutBoxes[s]->isEnabled()) k.AlmOutBoxes[s]->setChecked(false);
      for (int z = 0; z < 8; ++z) {
        QToolButton* zone = k.ZoneButtons[s][z];
        QCheckBox* related[] = {k.MusicZoneBoxes[z], k.MusicZoneBoxes[8 + z], k.InputZoneBoxes[0][z],
                                k.InputZoneBoxes[1][z], k.InputZoneBoxes[2][z]};
        const bool offered = splitters == 2 || (splitters == 1 && z < 4);
        if (splitters == 0 || (splitters == 1 && z >= 4)) {
          zone->setChecked(false);
          zone->setEnabled(false);
          for (QCheckBox* b : related) {
            b->setChecked(false);
            b->setEnabled(false);
          }
        } else if (offered) {
          zone->setEnabled(on);
          for (QCheckBox* b : related) b->setEnabled(true);
        }
        k.SetZoneButtonImage(zone, zone->isChecked() ? 1 : 0);
      }
    }
  }

  if (all || phase || modul) {
    const int modules = ItemIndex(k.ComboBox56);
    for (int s = 0; s < 8; ++s) {
      for (int j = 0; j < 16; ++j) {
        QCheckBox* relay = k.RelayBoxes[s][j];
        if (j < 2 * modules) {
          relay->setEnabled(k.StageButtons[s]->isChecked());
        } else {
          relay->setEnabled(false);
          relay->setChecked(false);
        }
      }
    }
  }
}

void Editor::Edit6Change() {
  MainControls& k = c();
  for (int row = 1; row <= 72; ++row)
    if (k.LenMesValue(row).isEmpty()) k.SetLenMesValue(row, QStringLiteral("0"));

  for (int s = 0; s < 8; ++s) {
    QLabel* text = k.StageTimeTexts[s];
    if (!k.StageButtons[s]->isChecked()) {
      text->setText(QStringLiteral("0"));
      continue;
    }
    // Row 0 is the title row "сек.", so "Не выбр" (index 0) gives no length.
    const int message = ItemIndex(k.MessageCombos[s]);
    long long length = -1;
    if (message < 0 || message > 72 || !ReadTime(k.LenMesValue(message), length)) length = -1;
    long long repeats = -1;
    if (!ReadTime(k.RepeatCombos[s]->currentText(), repeats)) repeats = -1;
    long long pause = 0;
    if (!ReadTime(k.PauseCombos[s]->currentText(), pause)) pause = 0;

    if (repeats == -1) {
      text->setText(ItemIndex(k.RepeatCombos[s]) == 0 && length > 0 ? QStringLiteral("Без огр")
                                                                     : QStringLiteral("0"));
    } else if (length != -1) {
      // A stage too long to count plays on as one without a limit would.
      const long long seconds = tesra::StageSeconds(length, repeats, pause);
      text->setText(tesra::IsTooLong(seconds) ? QStringLiteral("Без огр") : QString::number(seconds));
    }
  }

  long long total = 0;
  for (int s = 0; s < 8; ++s) {
    long long v = 0;
    if (!ReadTime(k.StageTimeTexts[s]->text(), v)) {
      k.StaticText23->setText(QStringLiteral("Без ограничения"));
      return;
    }
    total = tesra::AddSeconds(total, v);
  }
  k.StaticText23->setText(tesra::IsTooLong(total) ? QStringLiteral("Без ограничения") : QString::number(total));
}

void Editor::ShowSystemSection() {
  MainControls& k = c();
  std::uint8_t* img = ctx_.Image.data();
  const std::uint8_t b0 = img[offs::Equipment];
  k.CheckBox5->setChecked(((b0 >> 6) & 3) >= 2);
  SelectIndex(k.ComboBox57, (b0 >> 4) & 3);
  SelectIndex(k.ComboBox54, (b0 >> 2) & 3);
  SelectIndex(k.ComboBox55, b0 & 3);

  // Each box is set in turn: a write-back from one may change a later byte.
  k.CheckBox316->setChecked(img[offs::Options] & 0x80);
  k.CheckBox325->setChecked(img[offs::Options] & 0x40);
  k.CheckBox42->setChecked(img[offs::Options] & 0x20);
  k.CheckBox4->setChecked(img[offs::Options] & 0x10);
  SelectIndex(k.ComboBox56, img[offs::Options] & 0x0F);
  k.CheckBox41->setChecked(img[offs::AlmOutMic] & 0x01);

  for (int z = 0; z < 8; ++z) k.MusicZoneBoxes[z]->setChecked((img[offs::MusicPreset1] >> z) & 1);
  for (int z = 0; z < 8; ++z) k.MusicZoneBoxes[8 + z]->setChecked((img[offs::MusicPreset2] >> z) & 1);
  const std::size_t inputBytes[3] = {offs::AuxZones, offs::RingZones, offs::TelZones};
  for (int i = 0; i < 3; ++i)
    for (int z = 0; z < 8; ++z) k.InputZoneBoxes[i][z]->setChecked((img[inputBytes[i]] >> z) & 1);

  img[offs::Marker] = 'S';
  img[offs::Marker + 1] = 'N';

  const struct { QLineEdit* edit; std::size_t offset; std::size_t length; } fields[] = {
      {k.Edit1, offs::SerialNumber, 4}, {k.Edit2, offs::Date1, 2}, {k.Edit3, offs::Date2, 2}, {k.Edit4, offs::Date3, 2}};
  for (const auto& f : fields) {
    const QString full = IdentityFieldText(img + f.offset, f.length);
    if (full == f.edit->text()) continue;
    const QString shown = ShownIdentityText(full);
    // The field counts as changed whenever its whole text differs; the
    // toolkit stays silent when only the part after a byte 0 differs.
    if (shown != f.edit->text())
      f.edit->setText(shown);
    else
      ComboBox58Change(f.edit);
  }
}

void Editor::ShowInputAlgorithm() {
  MainControls& k = c();
  for (int s = 0; s < 8; ++s) {
    const std::size_t r = StageRecordOffset(ctx_.SelectedInput, s);
    const std::uint8_t b0 = ctx_.Image[r + offs::StageFlags];
    k.StageButtons[s]->setChecked(b0 & 0x80);
    k.AlmOutBoxes[s]->setChecked(b0 & 0x40);
    SelectIndex(k.MessageCombos[s], ctx_.Image[r + offs::StageMessage]);
    SelectIndex(k.RepeatCombos[s], ctx_.Image[r + offs::StageRepeats]);
    SelectIndex(k.PauseCombos[s], (b0 >> 3) & 7);
    const std::uint8_t zones = ctx_.Image[r + offs::StageZones];
    for (int z = 0; z < 8; ++z) k.ZoneButtons[s][z]->setChecked((zones >> z) & 1);
    for (int j = 0; j < 16; ++j)
      k.RelayBoxes[s][j]->setChecked(GetBit(ctx_.Image.data() + r + offs::StageRelays, static_cast<unsigned>(j)));
  }
}

void Editor::SpeedButton1Click(QObject* sender) {
  auto* button = qobject_cast<QAbstractButton*>(sender);
  const int input = Tag(sender);
  if (!button || input < 0 || input > 7) return;
  button->setChecked(true);
  ctx_.SelectedInput = input;
  GuardRaised guard(ctx_.RefreshGuard);
  ShowInputAlgorithm();
  UpdateControlStates(QStringLiteral("ALL"));
  Edit6Change();
}
