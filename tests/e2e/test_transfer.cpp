// Reading and writing the whole configuration through the real window against
// the controller emulator on a pty.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableWidget>

#include "config/ConfigImage.h"
#include "config/ImageFields.h"
#include "link/TFormCompare.h"
#include "tests/link/LinkHarness.h"

using linktest::ControllerMemory;
using linktest::LinkHarness;
using linktest::PumpFor;
using linktest::PumpUntil;

namespace {

const QString kReadQuestion = QStringLiteral("Текущий проект конфигурации будет изменен!\n\tПродолжить?");
const QString kWriteQuestion =
    QStringLiteral("Текущие настройки конфигурации контроллера будут изменены!\n\tПродолжить?");

QByteArray ImageBytes(LinkHarness& h) {
  const auto& img = h.main->Context().Image;
  return QByteArray(reinterpret_cast<const char*>(img.data()), static_cast<int>(tesra::kImageSize));
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString WriteMemory(LinkHarness& h, const QByteArray& bytes) {
  const QString path = h.dir.filePath("memory.usr");
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  return path;
}

void FillImage(LinkHarness& h) {
  auto& img = h.main->Context().Image;
  for (std::size_t i = 0; i < tesra::kImageSize; ++i) img[i] = static_cast<std::uint8_t>(i * 13 + 1);
  // Every stage off: the check before a write then has no error to ask about.
  for (int input = 0; input < 8; ++input)
    for (int stage = 0; stage < 8; ++stage) img[tesra::StageRecordOffset(input, stage)] &= 0x7F;
}

std::string Hex(unsigned v) { return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper().toStdString(); }

int CountLines(const QStringList& lines, const QString& prefix) {
  int n = 0;
  for (const auto& l : lines) n += l.startsWith(prefix);
  return n;
}

}  // namespace

TEST(Transfer, FullReadShowsTheControllersMemory) {
  LinkHarness h;
  const QByteArray memory = ControllerMemory();
  h.StartEmulator(1, {"--memory", WriteMemory(h, memory).toStdString()});
  ASSERT_TRUE(h.Connect(1));
  h.main->Context().CurrentProject = "old";
  h.c().SpeedButton3->click();
  ASSERT_EQ(h.main->Context().SavedFlag, 1);

  h.c().TBRead->click();
  EXPECT_EQ(h.link().LinkState, Link::Reading);
  EXPECT_FALSE(h.c().PanelScan->isHidden());
  EXPECT_EQ(h.c().PanelScanCaption(), QStringLiteral("Чтение данных ..."));
  ASSERT_TRUE(h.WaitIdle());

  EXPECT_EQ(ImageBytes(h), memory);
  EXPECT_TRUE(h.prompter.shown.empty());
  EXPECT_EQ(h.main->windowTitle(), QStringLiteral("Конфигурация - "));
  EXPECT_EQ(h.main->Context().CurrentProject, QString());
  EXPECT_EQ(h.c().ProgressBar->value(), 512);
  EXPECT_EQ(h.c().ProgressBar->maximum(), 512);
  EXPECT_TRUE(h.c().PanelScan->isHidden());
  EXPECT_EQ(h.main->Context().SavedFlag, 0);
  EXPECT_TRUE(h.c().TBSave->isEnabled());
  EXPECT_TRUE(h.c().TBReport->isEnabled());
  // The controls show it, with IN 1 chosen again.
  EXPECT_TRUE(h.c().SpeedButton1->isChecked());
  EXPECT_EQ(h.main->Context().SelectedInput, 0);
  EXPECT_TRUE(h.c().CheckBox180->isChecked());
  EXPECT_EQ(h.c().ComboBox43->currentText(), QStringLiteral("5"));
  EXPECT_TRUE(h.c().CheckBox181->isEnabled());
  EXPECT_EQ(h.c().Edit1->text(), QStringLiteral("1234"));
}

namespace {

tesra::ConfigImage ImageOf(const QByteArray& bytes) {
  tesra::ConfigImage img;
  std::memcpy(img.data(), bytes.constData(), std::min<std::size_t>(bytes.size(), tesra::kImageSize));
  return img;
}

// The differences window's rows: name, project, controller.
std::vector<std::array<QString, 3>> CompareRows(LinkHarness& h) {
  std::vector<std::array<QString, 3>> rows;
  TFormCompare* w = h.link().CompareWindow();
  if (!w || !w->isVisible()) return rows;
  for (int r = 0; r < w->Grid->rowCount(); ++r)
    rows.push_back({w->Grid->item(r, 0)->text(), w->Grid->item(r, 1)->text(), w->Grid->item(r, 2)->text()});
  return rows;
}

QStringList Backups() {
  return QDir(Link::BackupFolder()).entryList({QStringLiteral("*.usr")}, QDir::Files, QDir::Name);
}

}  // namespace

// A write reads the controller for its backup, writes, and reads back; the
// read-back alone decides whether the write is confirmed.
TEST(Transfer, FullWriteIsVerifiedByReadingBack) {
  using Row = std::array<QString, 3>;
  struct Case {
    const char* name;
    std::vector<std::string> fault;
    std::vector<QString> texts;
    bool confirmed;
    std::vector<Row> rows;  // of the comparison window when not confirmed
  };
  const Case cases[] = {
      {"echoed unchanged", {}, {kWriteQuestion}, true, {}},
      // A damaged echo of a block stored right: the read-back shows it stored.
      {"one echo changed", {"--corrupt-echo-block", "0x40"}, {kWriteQuestion, QStringLiteral("Compare Erorr !!!")}, true, {}},
      // Echoed as sent but stored otherwise: only the read-back sees it. Byte
      // 0040 (IN 2, stage 2, zones) was sent as 0x41 and is stored as 0xBE.
      {"one block stored differently", {"--store-differently", "0x40"}, {kWriteQuestion}, false,
       {{QStringLiteral("IN 2, 2 этап, Зоны"), QStringLiteral("1, 7"), QStringLiteral("2, 3, 4, 5, 6, 8")}}},
  };
  const QByteArray memory = ControllerMemory();
  for (const auto& k : cases) {
    LinkHarness h;
    const QString saved = h.dir.filePath("saved.usr");
    std::vector<std::string> args = {"--memory", WriteMemory(h, memory).toStdString(), "--save", saved.toStdString()};
    args.insert(args.end(), k.fault.begin(), k.fault.end());
    h.StartEmulator(1, args);
    ASSERT_TRUE(h.Connect(1)) << k.name;
    FillImage(h);
    h.c().SetLenMesValue(5, QStringLiteral("17"));
    h.c().TBWrite->click();
    EXPECT_EQ(h.link().LinkState, Link::Writing) << k.name;
    EXPECT_EQ(h.c().PanelScanCaption(), QStringLiteral("Чтение резервной копии ...")) << k.name;
    ASSERT_TRUE(PumpUntil([&] { return h.c().PanelScanCaption() == QStringLiteral("Запись данных ..."); })) << k.name;
    ASSERT_TRUE(PumpUntil([&] { return h.c().PanelScanCaption() == QStringLiteral("Проверка записи ..."); })) << k.name;
    ASSERT_TRUE(h.WaitIdle()) << k.name;
    EXPECT_EQ(h.prompter.Texts(), k.texts) << k.name;
    if (k.texts.size() > 1) {
      EXPECT_EQ(h.prompter.shown[1].kind, BoxKind::Plain) << k.name;
    }
    const QByteArray controller = ReadFile(saved);
    if (k.confirmed) {
      EXPECT_EQ(controller, ImageBytes(h)) << k.name;
    }
    EXPECT_EQ(h.c().ProgressBar->value(), 512) << k.name;
    EXPECT_TRUE(h.c().PanelScan->isHidden()) << k.name;
    EXPECT_TRUE(h.c().TBSave->isEnabled()) << k.name;
    EXPECT_EQ(h.main->windowTitle(), QStringLiteral("Конфигурация")) << k.name;
    EXPECT_EQ(h.c().StatusPanelText(1),
              k.confirmed ? QStringLiteral("Запись проверена: 16 блоков") : QStringLiteral("Запись не подтверждена"))
        << k.name;
    EXPECT_EQ(CompareRows(h), k.rows) << k.name;
    if (!k.confirmed) {
      EXPECT_EQ(h.link().CompareWindow()->windowTitle(), QStringLiteral("Запись не подтверждена")) << k.name;
      EXPECT_EQ(h.link().CompareWindow()->LabelCount->text(), QStringLiteral("Различий: 1"));
    }
    // The controller's configuration before the write, as a project pair.
    const QStringList backups = Backups();
    ASSERT_EQ(backups.size(), 1) << k.name;
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d_COM1\\.usr$"))
                    .match(backups[0]).hasMatch()) << backups[0].toStdString();
    const QString usr = QDir(Link::BackupFolder()).filePath(backups[0]);
    EXPECT_EQ(ReadFile(usr), memory) << k.name;
    const QByteArray ini = ReadFile(usr.left(usr.size() - 4) + QStringLiteral(".ini"));
    EXPECT_TRUE(ini.contains("[MessageLength]")) << k.name;
    EXPECT_TRUE(ini.contains("5=17")) << k.name;
  }
}

TEST(Transfer, WriteDoesNotStartWhenTheBackupCannotBeSaved) {
  LinkHarness h;
  // The backups' folder would lie under a regular file: it cannot be made,
  // not even by root.
  QFile blocker(h.dir.filePath("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("XDG_DATA_HOME", h.dir.filePath("blocker/data").toLocal8Bit());
  const QString saved = h.dir.filePath("saved.usr");
  const QByteArray memory = ControllerMemory();
  h.StartEmulator(1, {"--memory", WriteMemory(h, memory).toStdString(), "--save", saved.toStdString()});
  ASSERT_TRUE(h.Connect(1));
  h.formPort->show();
  FillImage(h);
  h.c().TBWrite->click();
  ASSERT_TRUE(h.WaitIdle());
  const std::vector<QString> want = {
      kWriteQuestion,
      QStringLiteral("Ошибка записи резервной копии ") + QDir::toNativeSeparators(Link::BackupFolder()) +
          QStringLiteral(" !")};
  EXPECT_EQ(h.prompter.Texts(), want);
  EXPECT_EQ(h.prompter.shown.back().kind, BoxKind::Error);
  EXPECT_TRUE(h.c().PanelScan->isHidden());
  EXPECT_EQ(h.c().StatusPanelText(1), QString());
  // Only read requests went out, and the controller was never saved to.
  EXPECT_EQ(CountLines(h.MemoLines(), QStringLiteral("COM1 Write : 0x00 0x01 0x06 0x33")), 16);
  EXPECT_EQ(CountLines(h.MemoLines(), QStringLiteral("COM1 Write : ")), 16);
  linktest::PumpFor(300);
  EXPECT_FALSE(QFile::exists(saved));
}

// Сравнить reads into a copy of its own: the project, its saved state and the
// caption stay as they are, whatever the controller holds.
TEST(Transfer, CompareShowsTheDifferencesWithoutTouchingTheProject) {
  using tesra::FieldId;
  using tesra::StageField;
  struct Case {
    const char* name;
    std::function<void(tesra::ConfigImage&)> change;  // of the project against the controller
    std::vector<std::array<QString, 3>> rows;
  };
  const Case cases[] = {
      {"equal", [](tesra::ConfigImage&) {}, {}},
      {"two fields changed",
       [](tesra::ConfigImage& img) {
         tesra::PutField(img.data(), StageField(0, 0, FieldId::Repeats), 3);
         tesra::PutField(img.data(), StageField(0, 0, FieldId::Zones), 0x13);
       },
       {{QStringLiteral("IN 1, 1 этап, Количество повторов"), QStringLiteral("3"), QStringLiteral("1")},
        {QStringLiteral("IN 1, 1 этап, Зоны"), QStringLiteral("1, 2, 5"), QStringLiteral("1")}}},
  };
  const QByteArray memory = ControllerMemory();
  for (const auto& k : cases) {
    LinkHarness h;
    h.StartEmulator(1, {"--memory", WriteMemory(h, memory).toStdString()});
    ASSERT_TRUE(h.Connect(1)) << k.name;
    auto& ctx = h.main->Context();
    ctx.Image = ImageOf(memory);
    k.change(ctx.Image);
    ctx.CurrentProject = "site";
    ctx.ShowProjectCaption();
    ctx.SavedFlag = 0;
    const QByteArray before = ImageBytes(h);
    EXPECT_TRUE(h.c().TBCompare->isEnabled()) << k.name;
    h.c().TBCompare->click();
    EXPECT_EQ(h.link().LinkState, Link::Reading) << k.name;
    EXPECT_FALSE(h.c().PanelScan->isHidden()) << k.name;
    ASSERT_TRUE(h.WaitIdle()) << k.name;
    EXPECT_TRUE(h.c().PanelScan->isHidden()) << k.name;
    EXPECT_EQ(ImageBytes(h), before) << k.name;
    EXPECT_EQ(ctx.SavedFlag, 0) << k.name;
    EXPECT_EQ(h.main->windowTitle(), QStringLiteral("Конфигурация - site")) << k.name;
    EXPECT_EQ(CompareRows(h), k.rows) << k.name;
    if (k.rows.empty()) {
      EXPECT_EQ(h.prompter.Texts(), std::vector<QString>{QStringLiteral("Конфигурация контроллера совпадает с проектом")});
      EXPECT_EQ(h.prompter.shown[0].kind, BoxKind::Information);
    } else {
      EXPECT_TRUE(h.prompter.shown.empty()) << k.name;
      TFormCompare* w = h.link().CompareWindow();
      EXPECT_EQ(w->windowTitle(), QStringLiteral("Сравнение с контроллером"));
      EXPECT_EQ(w->LabelCount->text(), QStringLiteral("Различий: 2"));
      EXPECT_EQ(w->Grid->horizontalHeaderItem(0)->text(), QStringLiteral("Параметр"));
      EXPECT_EQ(w->Grid->horizontalHeaderItem(1)->text(), QStringLiteral("Проект"));
      EXPECT_EQ(w->Grid->horizontalHeaderItem(2)->text(), QStringLiteral("Контроллер"));
    }
    EXPECT_TRUE(Backups().isEmpty()) << "a comparison writes nothing";
  }
}

TEST(Transfer, CompareFollowsTheReadButtonsEnabledState) {
  LinkHarness h;
  EXPECT_FALSE(h.c().TBCompare->isEnabled());
  h.StartEmulator(1);
  ASSERT_TRUE(h.Connect(1));
  EXPECT_TRUE(h.c().TBCompare->isEnabled());
  h.c().TBFind->click();
  EXPECT_FALSE(h.c().TBRead->isEnabled());
  EXPECT_FALSE(h.c().TBCompare->isEnabled());
}

TEST(Transfer, ChunkedRepliesAreGatheredAndLogged) {
  LinkHarness h;
  const QByteArray memory = ControllerMemory();
  h.StartEmulator(1, {"--memory", WriteMemory(h, memory).toStdString(), "--chunks", "20,19"});
  ASSERT_TRUE(h.Connect(1));
  h.formPort->show();
  h.c().TBRead->click();
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_EQ(ImageBytes(h), memory);

  const QStringList memo = h.MemoLines();
  ASSERT_GE(memo.size(), 8);
  EXPECT_EQ(memo[0], QStringLiteral("COM1 Write : 0x00 0x01 0x06 0x33 0x00 0x00 0xFE"));
  EXPECT_TRUE(memo[1].startsWith(QStringLiteral("COM1 Read  : 0x00 0x01 0x26 0x33 0x00 0x00")));
  EXPECT_EQ(memo[1].count(" 0x"), 20);
  EXPECT_EQ(memo[2], QStringLiteral("byte=0014"));
  EXPECT_EQ(memo[3].count(" 0x"), 19);
  EXPECT_EQ(memo[4], QStringLiteral("byte=0013"));
  EXPECT_EQ(memo[5], QStringLiteral("------------"));
  EXPECT_EQ(memo[6], QStringLiteral("copy to0000"));
  EXPECT_EQ(memo[7], QStringLiteral("COM1 Write : 0x00 0x01 0x06 0x33 0x00 0x20 0xDD"));
  EXPECT_EQ(memo.count(QStringLiteral("------------")), 16);
  EXPECT_EQ(memo.last(), QStringLiteral("copy to01E0"));

  // The file holds the frames only, each after the time of day.
  const QStringList file = QString::fromLocal8Bit(ReadFile(h.formPort->LogFilePath())).split("\r\n", Qt::SkipEmptyParts);
  EXPECT_EQ(file.size(), 16 * 3);
  EXPECT_EQ(CountLines(file, QStringLiteral("12:34:56 COM1 Write : ")), 16);
  EXPECT_EQ(CountLines(file, QStringLiteral("12:34:56 COM1 Read  : ")), 32);
}

TEST(Transfer, NothingIsLoggedToTheFileWhileTheLogWindowIsHidden) {
  LinkHarness h;
  h.StartEmulator(1);
  ASSERT_TRUE(h.Connect(1));
  h.c().TBRead->click();
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_FALSE(QFile::exists(h.formPort->LogFilePath()));
  // The exchange lines still gather in the window for when it is shown.
  const QStringList memo = h.MemoLines();
  EXPECT_EQ(memo.count(QStringLiteral("------------")), 16);
  EXPECT_EQ(CountLines(memo, QStringLiteral("COM1")), 0);
  EXPECT_EQ(CountLines(memo, QStringLiteral("byte=")), 16);
}

// Each fault of the controller's replies, once (the resend recovers: the same
// result as a clean transfer) and for good (the exchange stops and says
// where; a read leaves the project as it was).
TEST(Transfer, ReplyFaultsOnceRecoverAndForGoodStop) {
  struct Case {
    const char* option;
    bool read;
    bool checkCrc;
    unsigned block;
    const char* reason;  // the error box's reason when the fault persists; null: completes
  };
  const Case cases[] = {
      {"--reply-wrong-address", true, true, 0x40, "неверный адрес ответа 0140"},
      {"--reply-wrong-address", true, true, 0x1E0, "неверный адрес ответа 02E0"},
      {"--reply-bad-crc", true, true, 0x40, "неверная контрольная сумма ответа"},
      // With the CRC-8 checked the reply is found behind the stray bytes.
      {"--reply-stray", true, true, 0x40, nullptr},
      {"--reply-stray", true, false, 0x40, "неверный адрес ответа 0001"},
      {"--reply-withheld", true, true, 0x40, "нет ответа"},
      {"--reply-bad-crc", true, false, 0x40, nullptr},
      {"--reply-wrong-address", false, true, 0x40, "неверный адрес ответа 0140"},
      {"--reply-bad-crc", false, true, 0x40, "неверная контрольная сумма ответа"},
      {"--reply-stray", false, true, 0x40, nullptr},
      {"--reply-withheld", false, true, 0x40, "нет ответа"},
      {"--corrupt-echo-block", false, true, 0x40, nullptr},
  };
  const QByteArray memory = ControllerMemory();
  for (const auto& k : cases) {
    for (bool persistent : {false, true}) {
      const std::string name = std::string(k.option) + (k.read ? " read " : " write ") + Hex(k.block) +
                                (k.checkCrc ? "" : " unchecked") + (persistent ? " for good" : " once");
      LinkHarness h;
      const QString saved = h.dir.filePath("saved.usr");
      const std::string fault = "0x" + Hex(k.block) + (persistent ? "" : ":1");
      std::vector<std::string> args = {"--memory", WriteMemory(h, memory).toStdString(), "--save",
                                       saved.toStdString(), k.option, fault};
      // A write's backup read and read-back stay clean: the fault is the write's.
      if (!k.read) args.push_back("--faults-on-writes-only");
      h.StartEmulator(1, args);
      h.ScriptDialog([&](TSetComPort& s) {
        LinkHarness::Manual(s, 1);
        s.CheckBoxReplyCrc->setChecked(k.checkCrc);
      });
      h.c().TBFind->click();
      ASSERT_TRUE(PumpUntil([&] { return h.Status() == QStringLiteral("Подключено на COM 1"); })) << name;
      h.prompter.Clear();
      h.main->Context().CurrentProject = "old";
      h.main->Context().ShowProjectCaption();
      h.main->Context().SavedFlag = 1;
      if (!k.read) FillImage(h);
      const QByteArray before = ImageBytes(h);
      const QString caption = h.main->windowTitle();
      h.prompter.answers = {BoxAnswer::Ok};
      (k.read ? h.c().TBRead : h.c().TBWrite)->click();
      ASSERT_TRUE(PumpUntil([&] { return h.link().LinkState == Link::Idle; }, 20000)) << name;
      EXPECT_TRUE(h.c().PanelScan->isHidden()) << name;
      EXPECT_TRUE(h.link().CommPort.GetOpen()) << name;
      EXPECT_TRUE(h.c().TBRead->isEnabled()) << name;
      std::vector<QString> texts;
      if (!k.read) texts.push_back(kWriteQuestion);
      const bool stops = persistent && k.reason;
      if (stops)
        texts.push_back(QString::fromUtf8(k.read ? "Ошибка чтения блока " : "Ошибка записи блока ") +
                        QString::fromStdString(Hex(k.block)) + QStringLiteral(": ") + QString::fromUtf8(k.reason) +
                        QStringLiteral(" !"));
      // A write stopped halfway says what the controller now holds and where the backup is.
      if (stops && !k.read)
        texts.push_back(QStringLiteral("Запись прервана после блока ") + QString::fromStdString(Hex(k.block)) +
                        QStringLiteral(": конфигурация контроллера неполная !\nРезервная копия: ") +
                        QDir::toNativeSeparators(QDir(Link::BackupFolder()).filePath(Backups().value(0))));
      const bool changedEcho = std::string(k.option) == "--corrupt-echo-block" && persistent;
      if (changedEcho) texts.push_back(QStringLiteral("Compare Erorr !!!"));
      EXPECT_EQ(h.prompter.Texts(), texts) << name;
      if (stops) {
        EXPECT_EQ(h.prompter.shown.back().kind, BoxKind::Error) << name;
      }
      EXPECT_EQ(h.c().ProgressBar->value(), stops ? static_cast<int>(k.block / 32 * 32) : 512) << name;
      EXPECT_EQ(h.c().StatusPanelText(1), k.read    ? QString()
                                          : stops ? QStringLiteral("Запись не подтверждена")
                                                  : QStringLiteral("Запись проверена: 16 блоков"))
          << name;
      h.emulators.back()->Stop();
      const QByteArray controller = ReadFile(saved);
      if (k.read) {
        QByteArray want = stops ? before : memory;
        if (!k.checkCrc && !k.reason) want[k.block] = static_cast<char>(want[k.block] ^ 0x01);  // taken as it came
        EXPECT_EQ(ImageBytes(h), want) << name;
        EXPECT_EQ(h.main->windowTitle(), stops ? caption : QStringLiteral("Конфигурация - ")) << name;
        EXPECT_EQ(h.main->Context().SavedFlag, stops ? 1 : 0) << name;
        EXPECT_EQ(controller, memory) << name;
      } else {
        EXPECT_EQ(ImageBytes(h), before) << name;
        // A stopped write got as far as the failing block, which the controller stored.
        const int written = stops ? static_cast<int>(k.block) + 32 : 512;
        EXPECT_EQ(controller, before.left(written) + memory.mid(written)) << name;
      }
    }
  }
}

TEST(Transfer, ConfirmationsFollowTheSavedFlag) {
  struct Case {
    const char* name;
    bool read;
    bool unsaved;
    BoxAnswer answer;
    bool asks;
    bool starts;
  };
  const Case cases[] = {
      {"read, saved", true, false, BoxAnswer::Cancel, false, true},
      {"read, unsaved, Cancel", true, true, BoxAnswer::Cancel, true, false},
      {"read, unsaved, OK", true, true, BoxAnswer::Ok, true, true},
      {"write, saved, Cancel", false, false, BoxAnswer::Cancel, true, false},
      {"write, unsaved, OK", false, true, BoxAnswer::Ok, true, true},
  };
  for (const auto& k : cases) {
    LinkHarness h;
    h.StartEmulator(1);
    ASSERT_TRUE(h.Connect(1)) << k.name;
    h.formPort->show();
    if (k.unsaved) h.main->Context().ImageChanged();
    h.prompter.answers = {k.answer};
    (k.read ? h.c().TBRead : h.c().TBWrite)->click();
    if (k.asks) {
      ASSERT_EQ(h.prompter.Texts(), std::vector<QString>{k.read ? kReadQuestion : kWriteQuestion}) << k.name;
      EXPECT_EQ(h.prompter.shown[0].buttons, BoxButtons::OkCancel) << k.name;
      EXPECT_EQ(h.prompter.shown[0].kind, BoxKind::Information) << k.name;
    } else {
      EXPECT_TRUE(h.prompter.shown.empty()) << k.name;
    }
    EXPECT_EQ(h.link().LinkState, k.starts ? (k.read ? Link::Reading : Link::Writing) : Link::Idle) << k.name;
    EXPECT_EQ(h.c().PanelScan->isHidden(), !k.starts) << k.name;
    EXPECT_EQ(h.MemoLines().isEmpty(), !k.starts) << k.name;
    ASSERT_TRUE(h.WaitIdle()) << k.name;
    EXPECT_EQ(h.main->Context().SavedFlag, k.unsaved || (k.starts && k.read) ? 0 : 1) << k.name;
  }
}

TEST(Transfer, PressingReadAgainStartsOverAtTheFirstBlock) {
  LinkHarness h;
  const QByteArray memory = ControllerMemory();
  h.StartEmulator(1, {"--memory", WriteMemory(h, memory).toStdString(), "--delay", "50"});
  ASSERT_TRUE(h.Connect(1));
  h.formPort->show();
  h.c().TBRead->click();
  ASSERT_TRUE(PumpUntil([&] { return h.MemoLines().contains(QStringLiteral("copy to0040")); }));
  const int before = static_cast<int>(h.MemoLines().size());
  h.c().TBRead->click();
  EXPECT_TRUE(h.prompter.shown.empty()) << "the project is unchanged until the read completes";
  EXPECT_EQ(h.link().Transfer.RxCount, 0u);
  const QStringList memo = h.MemoLines();
  ASSERT_GT(memo.size(), before);
  EXPECT_EQ(memo.last(), QStringLiteral("COM1 Write : 0x00 0x01 0x06 0x33 0x00 0x00 0xFE"));
  ASSERT_TRUE(h.WaitIdle());
  EXPECT_EQ(ImageBytes(h), memory);
}
