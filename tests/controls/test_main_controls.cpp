// The catalogue of the main window's controls, built on a plain panel with a
// recording stand-in for the editor.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <vector>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "controls/ControlProps.h"
#include "controls/EditorHandlers.h"
#include "controls/MainControls.h"

namespace {

struct Call {
  QString handler;
  QObject* sender;
  bool operator==(const Call& o) const { return handler == o.handler && sender == o.sender; }
};

void PrintTo(const Call& c, std::ostream* os) {
  *os << c.handler.toStdString() << "(" << (c.sender ? c.sender->objectName().toStdString() : "-") << ")";
}

class RecordingHandlers : public EditorHandlers {
 public:
  std::vector<Call> calls;
  void ComboBox58Change(QObject* s) override { calls.push_back({"ComboBox58Change", s}); }
  void CheckBox180Click(QObject* s) override { calls.push_back({"CheckBox180Click", s}); }
  void SpeedButton1Click(QObject* s) override { calls.push_back({"SpeedButton1Click", s}); }
  void Edit6Change() override { calls.push_back({"Edit6Change", nullptr}); }
};

QStringList Names(const char* prefix, std::initializer_list<int> numbers) {
  QStringList out;
  for (int n : numbers) out << QStringLiteral("%1%2").arg(prefix).arg(n);
  return out;
}

QStringList Range(const char* prefix, int from, int to) {
  QStringList out;
  for (int n = from; n <= to; ++n) out << QStringLiteral("%1%2").arg(prefix).arg(n);
  return out;
}

template <class Array>
QStringList ObjectNames(const Array& a) {
  QStringList out;
  for (const auto* w : a) out << (w ? w->objectName() : QStringLiteral("<null>"));
  return out;
}

QStringList Items(const QComboBox* c) {
  QStringList out;
  for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
  return out;
}

void ClickCheckBox(QCheckBox* box) {
  QStyleOptionButton opt;
  opt.initFrom(box);
  opt.text = box->text();
  const QRect hit = box->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &opt, box);
  QTest::mouseClick(box, Qt::LeftButton, {}, hit.center());
}

class MainControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel9.setFixedSize(1147, 770 - 56 - 22);
    c.Build(&panel9, handlers);
    panel9.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel9));
  }
  template <class W>
  W* Get(const QString& name) {
    auto* w = qobject_cast<W*>(c.Find(name));
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }

  // Declared first, so it outlives the panel: closing the panel ends a box's
  // typing, which still reaches a handler.
  RecordingHandlers handlers;
  QWidget panel9;
  MainControls c;
};

TEST_F(MainControlsTest, AlgorithmEditorControlsCarryStageAndKind) {
  struct Family {
    QStringList names;  // stages 1..8
    int helpContext;
  };
  const std::vector<Family> families = {
      {Range("CheckBox", 180, 187), 0},
      {Names("ComboBox", {43, 44, 45, 49, 50, 51, 52, 53}), 1},
      {Names("ComboBox", {32, 34, 36, 38, 39, 40, 41, 42}), 2},
      {Names("ComboBox", {46, 47, 48, 22, 24, 26, 28, 30}), 3},
      {Names("CheckBox", {43, 45, 47, 49, 51, 53, 55, 57}), 20},
  };
  for (const Family& f : families)
    for (int s = 0; s < 8; ++s) {
      QObject* o = c.Find(f.names[s]);
      ASSERT_NE(o, nullptr) << f.names[s].toStdString();
      EXPECT_EQ(Tag(o), s) << f.names[s].toStdString();
      EXPECT_EQ(HelpContext(o), f.helpContext) << f.names[s].toStdString();
    }
  for (int z = 1; z <= 8; ++z)
    for (int s = 1; s <= 8; ++s) {
      QToolButton* b = c.ZoneButtons[s - 1][z - 1];
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(Tag(b), s - 1);
      EXPECT_EQ(HelpContext(b), 3 + z);
    }
  for (int m = 1; m <= 8; ++m)
    for (int s = 1; s <= 8; ++s)
      for (int r = 0; r < 2; ++r) {
        QCheckBox* box = c.RelayBoxes[s - 1][2 * (m - 1) + r];
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(Tag(box), s - 1);
        EXPECT_EQ(HelpContext(box), 11 + m);
        EXPECT_EQ(box->text(), QString::number(r));  // the handler reads the relay from the caption
      }
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Tag(c.InputButtons[i]), i);
  // The system section's zone and ALM OUT boxes carry 12 too, though nothing reads it.
  for (const QString& name : Names("CheckBox", {1,  6,  11, 16, 21, 22, 23, 24, 2,  7,  12, 17, 28,
                                                27, 26, 25, 3,  8,  13, 18, 29, 30, 31, 32, 41, 42}))
    EXPECT_EQ(HelpContext(c.Find(name)), 12) << name.toStdString();
}

TEST_F(MainControlsTest, ZoneButtonsAndRelayBoxesAreNumberedAsTheFormNamesThem) {
  struct Slot {
    int stage, zone;
    const char* name;
  };
  for (const Slot& e : std::vector<Slot>{{1, 1, "ToolButton69"},
                                         {8, 1, "ToolButton76"},
                                         {1, 2, "ToolButton77"},
                                         {3, 5, "ToolButton103"},
                                         {8, 8, "ToolButton132"}})
    EXPECT_EQ(c.ZoneButtons[e.stage - 1][e.zone - 1]->objectName(), e.name);

  struct Relay {
    int stage, module, relay;
    const char* name;
  };
  for (const Relay& e : std::vector<Relay>{{1, 1, 0, "CheckBox190"},
                                           {1, 1, 1, "CheckBox191"},
                                           {2, 1, 0, "CheckBox188"},
                                           {2, 1, 1, "CheckBox189"},
                                           {3, 1, 0, "CheckBox192"},
                                           {8, 1, 1, "CheckBox203"},
                                           {1, 2, 0, "CheckBox204"},
                                           {2, 2, 0, "CheckBox206"},
                                           {5, 4, 1, "CheckBox245"},
                                           {8, 8, 1, "CheckBox315"}})
    EXPECT_EQ(c.RelayBoxes[e.stage - 1][2 * (e.module - 1) + e.relay]->objectName(), e.name)
        << "stage " << e.stage << " module " << e.module << " relay " << e.relay;

  // Every number of the two blocks is used exactly once.
  std::set<QString> zones, relays;
  for (const auto& row : c.ZoneButtons)
    for (auto* b : row) zones.insert(b->objectName());
  for (const auto& row : c.RelayBoxes)
    for (auto* b : row) relays.insert(b->objectName());
  const QStringList allZones = Range("ToolButton", 69, 132), allRelays = Range("CheckBox", 188, 315);
  EXPECT_EQ(zones, std::set<QString>(allZones.begin(), allZones.end()));
  EXPECT_EQ(relays, std::set<QString>(allRelays.begin(), allRelays.end()));
}

TEST_F(MainControlsTest, ArraysHoldTheirControlsInIndexOrder) {
  struct Expect {
    const char* array;
    QStringList actual, expected;
  };
  const std::vector<Expect> table = {
      {"InputButtons", ObjectNames(c.InputButtons), Names("SpeedButton", {1, 2, 3, 5, 6, 7, 8, 9})},
      {"StageButtons", ObjectNames(c.StageButtons), Range("CheckBox", 180, 187)},
      {"AlmOutBoxes", ObjectNames(c.AlmOutBoxes), Names("CheckBox", {43, 45, 47, 49, 51, 53, 55, 57})},
      {"MessageCombos", ObjectNames(c.MessageCombos), Names("ComboBox", {43, 44, 45, 49, 50, 51, 52, 53})},
      {"RepeatCombos", ObjectNames(c.RepeatCombos), Names("ComboBox", {32, 34, 36, 38, 39, 40, 41, 42})},
      {"PauseCombos", ObjectNames(c.PauseCombos), Names("ComboBox", {46, 47, 48, 22, 24, 26, 28, 30})},
      {"MusicZoneBoxes", ObjectNames(c.MusicZoneBoxes), Range("CBMuz", 1, 16)},
      {"InputZoneBoxes[AUX]", ObjectNames(c.InputZoneBoxes[MainControls::InputAux]),
       Names("CheckBox", {1, 6, 11, 16, 21, 22, 23, 24})},
      {"InputZoneBoxes[RING]", ObjectNames(c.InputZoneBoxes[MainControls::InputRing]),
       Names("CheckBox", {2, 7, 12, 17, 28, 27, 26, 25})},
      {"InputZoneBoxes[TEL]", ObjectNames(c.InputZoneBoxes[MainControls::InputTel]),
       Names("CheckBox", {3, 8, 13, 18, 29, 30, 31, 32})},
      {"StageTimeTexts", ObjectNames(c.StageTimeTexts), Range("StaticText", 8, 15)},
  };
  for (const Expect& e : table) EXPECT_EQ(e.actual, e.expected) << e.array;
  EXPECT_EQ(c.MessageCombos[3], c.ComboBox49);
  EXPECT_EQ(c.PauseCombos[3], c.ComboBox22);
  EXPECT_EQ(c.InputZoneBoxes[MainControls::InputRing][4], c.CheckBox28);
}

TEST_F(MainControlsTest, ItemListsAreFilledAtConstruction) {
  QStringList messages = {"Не выбр"}, repeats = {"Без огр"};
  for (int i = 1; i <= 72; ++i) messages << QString::number(i);
  for (int i = 1; i <= 255; ++i) repeats << QString::number(i);
  for (int s = 0; s < 8; ++s) {
    EXPECT_EQ(Items(c.MessageCombos[s]), messages) << s;
    EXPECT_EQ(c.MessageCombos[s]->currentText(), "Не выбр");
    EXPECT_EQ(Items(c.RepeatCombos[s]), repeats) << s;
    EXPECT_EQ(Items(c.PauseCombos[s]), QStringList({"0", "5", "10", "15", "20", "25", "30", "35"})) << s;
    EXPECT_EQ(c.PauseCombos[s]->currentIndex(), 0);
    for (QComboBox* combo : {c.MessageCombos[s], c.RepeatCombos[s], c.PauseCombos[s]})
      EXPECT_TRUE(combo->isEditable()) << combo->objectName().toStdString();
  }
  struct SystemList {
    QComboBox* combo;
    QStringList items;
  };
  for (const SystemList& e : std::vector<SystemList>{{c.ComboBox57, {"0", "1", "2"}},
                                                     {c.ComboBox56, {"0", "1", "2", "3", "4", "5", "6", "7", "8"}},
                                                     {c.ComboBox55, {"0", "1", "2"}},
                                                     {c.ComboBox54, {"0", "1", "2"}}}) {
    EXPECT_EQ(Items(e.combo), e.items) << e.combo->objectName().toStdString();
    EXPECT_FALSE(e.combo->isEditable());
  }

  ASSERT_EQ(c.LenMes->rowCount(), 72);
  ASSERT_EQ(c.LenMes->columnCount(), 2);
  EXPECT_EQ(c.LenMes->horizontalHeaderItem(0)->text(), "Номер");
  EXPECT_EQ(c.LenMesValue(0), "сек.");
  for (int row = 1; row <= 72; ++row) {
    const QTableWidgetItem* key = c.LenMes->item(row - 1, 0);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->text(), QString::number(row));
    EXPECT_FALSE(key->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(c.LenMes->item(row - 1, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(c.LenMesValue(row), QString()) << row;
  }
}

TEST_F(MainControlsTest, EveryComponentNameIsPresentAndUnique) {
  std::set<QString> seen;
  for (QObject* o : panel9.findChildren<QObject*>()) {
    const QString name = o->objectName();
    if (name.isEmpty() || name.startsWith("qt_")) continue;  // the toolkit names its own parts
    EXPECT_TRUE(seen.insert(name).second) << "duplicate " << name.toStdString();
    EXPECT_EQ(c.Find(name), o) << name.toStdString();
  }
  QStringList catalogue = {"Panel17",     "Panel12",     "Panel15",     "Panel16",    "ToolBar3",   "PanelScan",
                           "ProgressBar", "Timer",       "GroupBox1",   "GroupBox2",  "LenMes",     "Label20",
                           "Label21",     "ComboBox57",  "ComboBox56",  "ComboBox55", "ComboBox54", "CheckBox5",
                           "CheckBox4",   "CheckBox316", "CheckBox325", "CheckBox41", "CheckBox42", "StaticText23"};
  catalogue << Range("Edit", 1, 5) << Range("CBMuz", 1, 16) << Names("Panel", {2, 3, 4, 5, 6, 7, 8, 10})
            << Names("StaticText", {268, 270, 256, 255, 254, 240, 2,   3,   68,  283, 284, 269, 257, 258, 259, 264,
                                    266, 16,  267, 294, 4,   271, 274, 275, 241, 242, 243, 248, 249, 251, 252, 253})
            << Range("StaticText", 285, 292) << Range("StaticText", 8, 15);
  for (const QString& name : catalogue) EXPECT_TRUE(seen.count(name)) << "missing " << name.toStdString();
  // 64 zone buttons, 128 relay boxes, 24 input-zone boxes, 8 + 8 stage and ALM OUT boxes and so on:
  // nothing outside the catalogue carries a component name.
  EXPECT_EQ(seen.size(), catalogue.size() + 64 + 128 + 24 + 8 + 8 + 24 + 8);
  EXPECT_EQ(c.Find("NoSuchControl"), nullptr);
}

TEST_F(MainControlsTest, StartState) {
  for (int s = 0; s < 8; ++s) EXPECT_EQ(c.StageButtons[s]->isEnabled(), s == 0) << s;
  EXPECT_FALSE(c.CheckBox316->isEnabled());
  EXPECT_TRUE(c.SpeedButton1->isChecked());
  for (int i = 1; i < 8; ++i) EXPECT_FALSE(c.InputButtons[i]->isChecked());
  EXPECT_TRUE(c.InputButtonGroup->exclusive());

  struct EditState {
    QLineEdit* edit;
    int maxLength;
    bool shown;
  };
  for (const EditState& e : std::vector<EditState>{
           {c.Edit1, 4, true}, {c.Edit2, 2, true}, {c.Edit3, 2, true}, {c.Edit4, 2, true}, {c.Edit5, 2, false}}) {
    EXPECT_EQ(e.edit->maxLength(), e.maxLength) << e.edit->objectName().toStdString();
    EXPECT_TRUE(e.edit->isReadOnly());
    EXPECT_EQ(e.edit->isVisible(), e.shown);
  }
  EXPECT_FALSE(c.StaticText275->isVisible());
  EXPECT_TRUE(c.StaticText271->isVisible());

  EXPECT_FALSE(c.PanelScan->isVisible());
  EXPECT_EQ(c.ProgressBar->minimum(), 0);
  EXPECT_EQ(c.ProgressBar->maximum(), 512) << "sixteen blocks of 32 fill the bar";
  EXPECT_FALSE(c.Timer->isActive());
  EXPECT_EQ(c.Timer->interval(), 1000);
  EXPECT_EQ(c.OpenDialog1.Filter, c.SaveDialog1.Filter);
  EXPECT_TRUE(c.OpenDialog1.Filter.contains("*.usr"));
  EXPECT_EQ(c.OpenDialog1.DefaultExt, "");
  EXPECT_EQ(c.SaveDialog1.DefaultExt, "usr");

  for (const auto& row : c.ZoneButtons)
    for (QToolButton* b : row) {
      EXPECT_TRUE(b->isCheckable());
      EXPECT_FALSE(b->isChecked());
      EXPECT_TRUE(b->text().isEmpty());
      EXPECT_EQ(c.ZoneButtonImage(b), 0);
    }
  for (QLabel* t : c.StageTimeTexts) EXPECT_TRUE(t->text().isEmpty());
  // Building binds the controls without raising a single handler.
  EXPECT_TRUE(handlers.calls.empty()) << handlers.calls.size() << " calls, first ";
}

TEST_F(MainControlsTest, HandlersAreReachedWithTheirSender) {
  using Action = std::function<void()>;
  struct Case {
    const char* what;
    Action act;
    std::vector<Call> expected;
  };
  QComboBox* message3 = c.MessageCombos[2];
  QToolButton* zone = c.ZoneButtons[1][4];
  QCheckBox* relay = c.RelayBoxes[0][0];
  const std::vector<Case> cases = {
      {"user clicks a stage box", [&] { ClickCheckBox(c.CheckBox180); }, {{"CheckBox180Click", c.CheckBox180}}},
      {"user clicks a system box", [&] { ClickCheckBox(c.CheckBox5); }, {{"ComboBox58Change", c.CheckBox5}}},
      {"user clicks a relay box", [&] { ClickCheckBox(relay); }, {{"CheckBox180Click", relay}}},
      {"user clicks an ALM OUT box",
       [&] { QTest::mouseClick(c.CheckBox53, Qt::LeftButton); },
       {{"CheckBox180Click", c.CheckBox53}}},
      {"code checks a music box", [&] { c.CBMuz9->setChecked(true); }, {{"ComboBox58Change", c.CBMuz9}}},
      {"code checks an ALM OUT box", [&] { c.CheckBox47->setChecked(true); }, {{"CheckBox180Click", c.CheckBox47}}},
      {"code sets the state a box already has", [&] { c.CheckBox4->setChecked(false); }, {}},
      {"user picks a splitter count",
       [&] {
         c.ComboBox57->setFocus();
         QTest::keyClick(c.ComboBox57, Qt::Key_Down);
       },
       {{"ComboBox58Change", c.ComboBox57}}},
      {"user picks a message",
       [&] {
         message3->setFocus();
         QTest::keyClick(message3, Qt::Key_Down);
       },
       {{"CheckBox180Click", message3}}},
      {"user types a repeat count",
       [&] { QTest::keyClicks(c.RepeatCombos[5]->lineEdit(), "7"); },
       {{"CheckBox180Click", c.RepeatCombos[5]}}},
      {"code selects indexes",
       [&] {
         c.ComboBox56->setCurrentIndex(3);
         c.PauseCombos[4]->setCurrentIndex(2);
         SelectIndex(c.ComboBox55, 1);
         SelectIndex(c.RepeatCombos[1], 900);
         c.MessageCombos[6]->setEditText("12");
       },
       {}},
      {"user presses an input button",
       [&] { QTest::mouseClick(c.SpeedButton6, Qt::LeftButton); },
       {{"SpeedButton1Click", c.SpeedButton6}}},
      {"code puts an input button down", [&] { c.SpeedButton3->setChecked(true); }, {}},
      {"user presses a zone button", [&] { QTest::mouseClick(zone, Qt::LeftButton); }, {{"CheckBox180Click", zone}}},
      {"code puts a zone button down", [&] { c.ZoneButtons[7][7]->setChecked(true); }, {}},
      {"code sets an identity text", [&] { c.Edit3->setText("07"); }, {{"ComboBox58Change", c.Edit3}}},
      {"code sets a message length", [&] { c.SetLenMesValue(5, "10"); }, {{"Edit6Change", nullptr}}},
      {"code sets the same message length", [&] { c.SetLenMesValue(5, "10"); }, {}},
      {"a key cell changes", [&] { c.LenMes->item(0, 0)->setText("01"); }, {}},
  };
  for (const Case& k : cases) {
    handlers.calls.clear();
    k.act();
    EXPECT_EQ(handlers.calls, k.expected) << k.what;
  }
  EXPECT_TRUE(c.CheckBox180->isChecked());
  EXPECT_EQ(c.ComboBox57->currentIndex(), 1);
  EXPECT_TRUE(c.SpeedButton3->isChecked());
  EXPECT_FALSE(c.SpeedButton6->isChecked());  // the group keeps one button down
  EXPECT_TRUE(zone->isChecked());
  EXPECT_EQ(c.LenMesValue(5), "10");
  EXPECT_EQ(c.LenMes->item(4, 1)->text(), "10");
}

TEST_F(MainControlsTest, IndexBeyondTheListShowsNoSelection) {
  QTest::keyClicks(c.MessageCombos[0]->lineEdit(), "4");
  SelectIndex(c.MessageCombos[0], 73);
  EXPECT_EQ(c.MessageCombos[0]->currentIndex(), -1);
  EXPECT_EQ(c.MessageCombos[0]->currentText(), "");
  SelectIndex(c.MessageCombos[0], 72);
  EXPECT_EQ(c.MessageCombos[0]->currentText(), "72");

  SelectIndex(c.ComboBox54, 3);
  EXPECT_EQ(c.ComboBox54->currentIndex(), -1);
  EXPECT_EQ(c.ComboBox54->currentText(), "");
  SelectIndex(c.ComboBox54, 2);
  EXPECT_EQ(c.ComboBox54->currentText(), "2");
  SelectIndex(c.PauseCombos[0], -1);
  EXPECT_EQ(c.PauseCombos[0]->currentText(), "");
}

TEST_F(MainControlsTest, ZoneButtonImagesFollowTheEditorNotTheButton) {
  QToolButton* b = c.ZoneButtons[0][0];
  EXPECT_NE(c.ImageList4[0].pixmap(16).toImage(), c.ImageList4[1].pixmap(16).toImage());
  b->setChecked(true);
  EXPECT_EQ(c.ZoneButtonImage(b), 0);
  c.SetZoneButtonImage(b, 1);
  EXPECT_EQ(c.ZoneButtonImage(b), 1);
  EXPECT_EQ(b->icon().pixmap(16).toImage(), c.ImageList4[1].pixmap(16).toImage());
}

TEST_F(MainControlsTest, EverythingFitsAndNoTextIsCut) {
  // Qt's offscreen platform on Windows knows no fonts at all, so text has no
  // true width there; the Windows build runs this test once more on the
  // windows platform, with the system's own fonts.
  if (QFontDatabase::families().isEmpty())
    GTEST_SKIP() << "the " << qPrintable(QGuiApplication::platformName())
                 << " platform has no fonts here; text widths are measured on a platform with fonts";
  EXPECT_EQ(c.Panel17->width(), 352);
  for (int s = 1; s < 8; ++s) {
    EXPECT_EQ(c.StageButtons[s]->x() - c.StageButtons[s - 1]->x(), 74);
    EXPECT_EQ(c.ZoneButtons[s][0]->x() - c.ZoneButtons[s - 1][0]->x(), 74);
  }
  c.SetPanelScanCaption("Сканирование порта COM255");
  c.PanelScan->show();
  const QRect area = panel9.rect();
  for (QWidget* w : panel9.findChildren<QWidget*>()) {
    if (!w->isVisible() || w->isWindow() || !w->parentWidget()->isVisible()) continue;
    const QRect inPanel(w->mapTo(&panel9, QPoint(0, 0)), w->size());
    EXPECT_TRUE(area.contains(inPanel)) << w->metaObject()->className() << " " << w->objectName().toStdString();
    EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()))
        << w->metaObject()->className() << " " << w->objectName().toStdString() << " leaves its parent";
    if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap() && !l->text().isEmpty()) {
      EXPECT_LE(l->sizeHint().width(), l->width() + 1) << l->text().toStdString();
    }
    if (auto* b = qobject_cast<QCheckBox*>(w); b && !b->text().isEmpty()) {
      EXPECT_LE(b->sizeHint().width(), b->width()) << b->objectName().toStdString();
    }
  }
  const QRect scan(c.PanelScan->mapTo(&panel9, QPoint(0, 0)), c.PanelScan->size());
  EXPECT_LE(std::abs(scan.center().x() - area.center().x()), 2);
}

}  // namespace
