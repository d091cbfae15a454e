#include "editor/Editor.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

#include "config/ImageFields.h"
#include "config/PlayingTime.h"
#include "controls/ControlProps.h"
#include "controls/MainContext.h"
#include "controls/MainControls.h"
#include "editor/ComboIndex.h"
#include "editor/IdentityText.h"

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


// Seconds of a time text; no value for anything that is not a time.
bool ReadTime(const QString& text, long long& value) {
  const std::optional<long long> seconds = tesra::ReadSeconds(text.toStdString());
  value = seconds.value_or(0);
  return seconds.has_value();
}

// The field of a stage's message (1), repeat (2) or pause (3) box.
FieldId StageComboField(int helpContext) {
  return helpContext == help_context::kMessage   ? FieldId::Message
         : helpContext == help_context::kRepeats ? FieldId::Repeats
                                                 : FieldId::Pause;
}

}  // namespace

Editor::Editor(MainContext& ctx) : ctx_(ctx) {}

MainControls& Editor::c() const { return *ctx_.Controls; }

void Editor::ComboBox58Change(QObject* sender) {
  if (ctx_.RefreshGuard != 0) return;
  MainControls& k = c();
  std::uint8_t* img = ctx_.Image.data();
  auto checked = [sender]() -> unsigned {
    auto* box = qobject_cast<QCheckBox*>(sender);
    return box && box->isChecked() ? 1 : 0;
  };
  // The field keeps the low bits of the index; no selection (-1) sets them all.
  auto index = [sender] { return static_cast<unsigned>(ItemIndex(qobject_cast<QComboBox*>(sender))); };
  auto put = [img](FieldId id, unsigned value) { PutField(img, SystemField(id), value); };

  const struct { QCheckBox* box; FieldId id; } options[] = {
      {k.CheckBox316, FieldId::Gong},          {k.CheckBox325, FieldId::AuxPriority},
      {k.CheckBox42, FieldId::AlmOutByAux},    {k.CheckBox4, FieldId::EqualPriority},
      {k.CheckBox41, FieldId::AlmOutByMic},
  };
  const struct { QLineEdit* edit; FieldId id; } texts[] = {
      {k.Edit1, FieldId::SerialNumber}, {k.Edit2, FieldId::Date1}, {k.Edit3, FieldId::Date2}, {k.Edit4, FieldId::Date3}};

  if (sender == k.CheckBox5) {
    put(FieldId::Amplifier, checked() + 1);
  } else if (sender == k.ComboBox57) {
    put(FieldId::Splitters, index());
    UpdateControlStates(QStringLiteral("RU"));
  } else if (sender == k.ComboBox56) {
    put(FieldId::Modules, index());
    UpdateControlStates(QStringLiteral("Modul"));
  } else if (sender == k.ComboBox55) {
    put(FieldId::FireConsoles, index());
    UpdateControlStates(QStringLiteral("PultFire"));
  } else if (sender == k.ComboBox54) {
    put(FieldId::AnnouncerConsoles, index());
    UpdateControlStates(QStringLiteral("PultDiktor"));
  } else {
    for (const auto& o : options)
      if (sender == o.box) put(o.id, checked());
    for (const auto& t : texts) {
      const ImageField& f = SystemField(t.id);
      if (sender == t.edit) StoreIdentityText(t.edit->text(), img + f.offset, f.length);
    }
    // Music and input zone boxes: zone n is bit n-1 of its field; anything
    // else (the version field) stores nothing.
    for (unsigned z = 0; z < 8; ++z) {
      const struct { QCheckBox* box; FieldId id; } zones[] = {
          {k.MusicZoneBoxes[z], FieldId::MusicPreset1}, {k.MusicZoneBoxes[8 + z], FieldId::MusicPreset2},
          {k.InputZoneBoxes[0][z], FieldId::AuxZones},  {k.InputZoneBoxes[1][z], FieldId::RingZones},
          {k.InputZoneBoxes[2][z], FieldId::TelZones},
      };
      for (const auto& zone : zones)
        if (sender == zone.box) PutFieldBit(img, SystemField(zone.id), z, static_cast<int>(checked()));
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
  using namespace help_context;
  MainControls& k = c();
  const int hc = HelpContext(sender);
  const int t = Tag(sender);
  if (t < 0 || t > 7) return;
  if (hc == kStage) UpdateControlStates(QStringLiteral("PHASE"));

  std::uint8_t* img = ctx_.Image.data();
  const int input = ctx_.SelectedInput;
  auto field = [input, t](FieldId id) -> const ImageField& { return StageField(input, t, id); };
  auto* box = qobject_cast<QCheckBox*>(sender);
  const int checked = box && box->isChecked() ? 1 : 0;

  if (hc == kStage) {
    PutField(img, field(FieldId::StageOn), static_cast<unsigned>(checked));
    // The box of a stage that was off shows no message, whatever its byte
    // holds; switched on by the user, the stage plays none on the controller
    // either. A refresh sets the boxes before their messages, so it is left out.
    if (checked && ctx_.RefreshGuard == 0 && ItemIndex(k.MessageCombos[t]) == 0)
      PutField(img, field(FieldId::Message), 0);
    if (checked && ItemIndex(k.RepeatCombos[t]) != 0) {
      if (t < 7) k.StageButtons[t + 1]->setEnabled(true);
    } else {
      UncheckLaterStages(t);
    }
    UpdateControlStates(QStringLiteral("PHASE"));
  } else if (IsStageCombo(hc) && ItemIndex(qobject_cast<QComboBox*>(sender)) < 0) {
    // Typed text that names no item writes nothing; ComboBox43Exit shows the
    // stored item again once the typing ends.
    return;
  } else if (hc == kMessage) {
    PutField(img, field(FieldId::Message), static_cast<unsigned>(ItemIndex(k.MessageCombos[t])));
  } else if (hc == kRepeats) {
    const int idx = ItemIndex(k.RepeatCombos[t]);
    PutField(img, field(FieldId::Repeats), static_cast<unsigned>(idx));
    if (idx != 0) {
      if (t < 7) k.StageButtons[t + 1]->setEnabled(true);
    } else {
      UncheckLaterStages(t);
      UpdateControlStates(QStringLiteral("PHASE"));
    }
  } else if (hc == kPause) {
    PutField(img, field(FieldId::Pause), static_cast<unsigned>(ItemIndex(k.PauseCombos[t])));
  } else if (const int z = ZoneOf(hc)) {
    auto* button = qobject_cast<QToolButton*>(sender);
    const bool down = button && button->isChecked();
    PutFieldBit(img, field(FieldId::Zones), static_cast<unsigned>(z - 1), down ? 1 : 0);
    if (button) k.SetZoneButtonImage(button, down ? 1 : 0);
  } else if (const int m = ModuleOf(hc)) {
    bool ok = false;
    int r = box ? box->text().toInt(&ok) : 0;
    if (!ok) r = 0;
    // A caption other than K1/K2 would address a bit outside this module's pair.
    if (r == 0 || r == 1) PutFieldBit(img, RelayField(input, t, m - 1), RelayBit(r), checked);
  } else if (hc == kAlmOut) {
    PutField(img, field(FieldId::AlmOut), static_cast<unsigned>(checked));
  }
  ctx_.ImageChanged();
  // The stage boxes and combo boxes change the stage times.
  if (hc < kZone1) Edit6Change();
}

// The typing in a stage's message, repeat or pause box has ended: text that
// names no item was refused, so the box shows the item the image holds again.
// It waits for the end, since "1" may be on its way to "15", and typing on
// after the box had changed under the cursor would name an item nobody meant.
void Editor::ComboBox43Exit(QObject* sender) {
  auto* combo = qobject_cast<QComboBox*>(sender);
  const int hc = HelpContext(sender);
  const int t = Tag(sender);
  if (!combo || !help_context::IsStageCombo(hc) || t < 0 || t > 7 || ItemIndex(combo) >= 0) return;
  SelectIndex(combo, static_cast<int>(FieldValue(ctx_.Image, StageField(ctx_.SelectedInput, t, StageComboField(hc)))));
  const int shown = combo->currentIndex();
  combo->setEditText(shown >= 0 ? combo->itemText(shown) : QString());
  Edit6Change();
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
      if (!EnabledByRules(k.PauseCombos[s])) SelectIndex(k.MessageCombos[s], 0);
      const bool on = k.StageButtons[s]->isChecked();
      k.MessageCombos[s]->setEnabled(on);
      k.RepeatCombos[s]->setEnabled(on);
      k.PauseCombos[s]->setEnabled(on);
      k.AlmOutBoxes[s]->setEnabled(on);
      if (!EnabledByRules(k.AlmOutBoxes[s])) k.AlmOutBoxes[s]->setChecked(false);
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
      ctx_.EditorChanged();
      return;
    }
    total = tesra::AddSeconds(total, v);
  }
  k.StaticText23->setText(tesra::IsTooLong(total) ? QStringLiteral("Без ограничения") : QString::number(total));
  ctx_.EditorChanged();
}

void Editor::ShowSystemSection() {
  MainControls& k = c();
  std::uint8_t* img = ctx_.Image.data();
  // Each control is set in turn and read live: a write-back from one may
  // change a later field.
  auto value = [img](FieldId id) { return FieldValue(img, SystemField(id)); };
  k.CheckBox5->setChecked(value(FieldId::Amplifier) >= 2);
  SelectIndex(k.ComboBox57, static_cast<int>(value(FieldId::Splitters)));
  SelectIndex(k.ComboBox54, static_cast<int>(value(FieldId::AnnouncerConsoles)));
  SelectIndex(k.ComboBox55, static_cast<int>(value(FieldId::FireConsoles)));

  k.CheckBox316->setChecked(value(FieldId::Gong));
  k.CheckBox325->setChecked(value(FieldId::AuxPriority));
  k.CheckBox42->setChecked(value(FieldId::AlmOutByAux));
  k.CheckBox4->setChecked(value(FieldId::EqualPriority));
  SelectIndex(k.ComboBox56, static_cast<int>(value(FieldId::Modules)));
  k.CheckBox41->setChecked(value(FieldId::AlmOutByMic));

  for (int z = 0; z < 8; ++z) k.MusicZoneBoxes[z]->setChecked((value(FieldId::MusicPreset1) >> z) & 1);
  for (int z = 0; z < 8; ++z) k.MusicZoneBoxes[8 + z]->setChecked((value(FieldId::MusicPreset2) >> z) & 1);
  const FieldId inputZones[3] = {FieldId::AuxZones, FieldId::RingZones, FieldId::TelZones};
  for (int i = 0; i < 3; ++i)
    for (int z = 0; z < 8; ++z) k.InputZoneBoxes[i][z]->setChecked((value(inputZones[i]) >> z) & 1);

  const ImageField& marker = SystemField(FieldId::Marker);
  img[marker.offset] = 'S';
  img[marker.offset + 1] = 'N';

  const struct { QLineEdit* edit; FieldId id; } fields[] = {
      {k.Edit1, FieldId::SerialNumber}, {k.Edit2, FieldId::Date1}, {k.Edit3, FieldId::Date2}, {k.Edit4, FieldId::Date3}};
  for (const auto& field : fields) {
    const ImageField& f = SystemField(field.id);
    const QString full = IdentityFieldText(img + f.offset, f.length);
    if (full == field.edit->text()) continue;
    const QString shown = ShownIdentityText(full);
    // The field counts as changed whenever its whole text differs; the
    // toolkit stays silent when only the part after a byte 0 differs.
    if (shown != field.edit->text())
      field.edit->setText(shown);
    else
      ComboBox58Change(field.edit);
  }
}

void Editor::ShowInputAlgorithm() {
  MainControls& k = c();
  const std::uint8_t* img = ctx_.Image.data();
  for (int s = 0; s < 8; ++s) {
    auto field = [input = ctx_.SelectedInput, s](FieldId id) -> const ImageField& { return StageField(input, s, id); };
    // The flags byte is read once, before the boxes' own clicks write into it.
    const unsigned on = FieldValue(img, field(FieldId::StageOn));
    const unsigned almOut = FieldValue(img, field(FieldId::AlmOut));
    const unsigned pause = FieldValue(img, field(FieldId::Pause));
    k.StageButtons[s]->setChecked(on);
    k.AlmOutBoxes[s]->setChecked(almOut);
    SelectIndex(k.MessageCombos[s], static_cast<int>(FieldValue(img, field(FieldId::Message))));
    SelectIndex(k.RepeatCombos[s], static_cast<int>(FieldValue(img, field(FieldId::Repeats))));
    SelectIndex(k.PauseCombos[s], static_cast<int>(pause));
    const unsigned zones = FieldValue(img, field(FieldId::Zones));
    for (int z = 0; z < 8; ++z) k.ZoneButtons[s][z]->setChecked((zones >> z) & 1);
    for (int m = 0; m < 8; ++m)
      for (int r = 0; r < 2; ++r)
        k.RelayBoxes[s][2 * m + r]->setChecked((FieldValue(img, RelayField(ctx_.SelectedInput, s, m)) >> RelayBit(r)) & 1);
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
