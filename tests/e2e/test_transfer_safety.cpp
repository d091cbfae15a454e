// What the user can do while the controller is busy, the line settings the
// exchange's time-out follows, and replies that come late: the whole window
// against the controller emulator.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>

#include "link/TFormCompare.h"
#include "report/TextEditorLauncher.h"
#include "tests/link/LinkHarness.h"

using linktest::ControllerMemory;
using linktest::LinkHarness;
using linktest::PumpUntil;

namespace {

const QString kWriteQuestion =
    QStringLiteral("Текущие настройки конфигурации контроллера будут изменены!\n\tПродолжить?");
const QString kStopQuestion = QStringLiteral("Запись в контроллер не закончена. Прервать запись?");

QByteArray Bytes(const tesra::ConfigImage& img) {
  return QByteArray(reinterpret_cast<const char*>(img.data()), static_cast<int>(tesra::kImageSize));
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
  return path;
}

// A project unlike the controller's memory, with every stage off so the check
// before a write has nothing to ask.
void FillProject(LinkHarness& h) {
  auto& img = h.main->Context().Image;
  for (std::size_t i = 0; i < tesra::kImageSize; ++i) img[i] = static_cast<std::uint8_t>(i * 13 + 1);
  for (int input = 0; input < 8; ++input)
    for (int stage = 0; stage < 8; ++stage) img[tesra::StageRecordOffset(input, stage)] &= 0x7F;
  h.main->Context().SavedFlag = 1;
}

// Connects with the dialog's line settings and the CRC-8 check as given.
bool ConnectWith(LinkHarness& h, int baud, int parity, int data, int stop, bool checkCrc = true) {
  h.ScriptDialog([=](TSetComPort& s) {
    LinkHarness::Manual(s, 1);
    s.ComboBoxSpeed->setCurrentText(QString::number(baud));
    s.RadioGroupParity->SetItemIndex(parity);
    s.RadioGroupData->SetItemIndex(data);
    s.RadioGroupStop->SetItemIndex(stop);
    s.CheckBoxReplyCrc->setChecked(checkCrc);
  });
  h.c().TBFind->click();
  const bool ok = PumpUntil([&] { return h.Status() == QStringLiteral("Подключено на COM 1"); }, 20000);
  h.prompter.Clear();
  return ok;
}

struct QuietLauncher : TextEditorLauncher {
  int Open(const QString&) override { return 42; }
};

}  // namespace

// The time-out of every request follows the rate and the character size set
// in the dialog (start, data, parity and stop bits), and the transfer ends right.
TEST(TransferSafety, TheTimeOutFollowsTheDialogsLineSettings) {
  struct Case { const char* name; int baud, parity, data, stop; unsigned bits; };
  const Case cases[] = {
      {"1200 8N1", 1200, 0, 3, 0, 10},
      {"1200 7E2", 1200, 2, 2, 2, 11},
      {"9600 8E1", 9600, 2, 3, 0, 11},
      {"115200 7O2", 115200, 1, 2, 2, 11},
  };
  for (const auto& k : cases) {
    LinkHarness h;
    const QByteArray memory = ControllerMemory();
    h.StartEmulator(1, {"--baud", std::to_string(k.baud), "--memory",
                        WriteFile(h.dir.filePath("memory.usr"), memory).toStdString()});
    ASSERT_TRUE(ConnectWith(h, k.baud, k.parity, k.data, k.stop)) << k.name;
    h.c().TBCompare->click();
    EXPECT_EQ(h.link().Transfer.ReplyTimeout(),
              tesra::Exchange::ReplyTimeoutMs(static_cast<unsigned>(k.baud), k.bits, tesra::kReadQuerySize,
                                              tesra::kReplySize))
        << k.name;
    ASSERT_TRUE(PumpUntil([&] { return h.link().LinkState == Link::Idle; }, 30000)) << k.name;
    EXPECT_EQ(Bytes(h.link().Transfer.Staged()), memory) << k.name;
    ASSERT_TRUE(h.link().CompareWindow()) << k.name;
    EXPECT_TRUE(h.link().CompareWindow()->isVisible()) << k.name;
  }
}

// Each thing the user can do while a read, a comparison or a write runs:
// what is refused (disabled), what is asked, how the transfer ends, what the
// project and the controller hold afterwards; and the window is as before.
TEST(TransferSafety, WhatTheUserDoesDuringATransfer) {
  enum Job { Read, Compare, Write };
  enum Action { Edit, New, Open, Report, PressRead, PressCompare, PressWrite, Release, Close };
  enum class End { Read, Compared, Verified, CutShort, Stopped };
  struct Case {
    Job job;
    Action action;
    BoxAnswer answer;     // to the question the action asks, if it asks one
    const char* asked;    // that question, or null
    End end;
  };
  const QByteArray write = kWriteQuestion.toUtf8();
  const QByteArray stop = kStopQuestion.toUtf8();
  const Case cases[] = {
      {Read, Edit, BoxAnswer::Ok, nullptr, End::Read},
      {Read, New, BoxAnswer::Ok, nullptr, End::Read},
      {Read, Open, BoxAnswer::Ok, nullptr, End::Read},
      {Read, Report, BoxAnswer::Ok, nullptr, End::Read},
      {Read, PressRead, BoxAnswer::Ok, nullptr, End::Read},
      {Read, PressCompare, BoxAnswer::Ok, nullptr, End::Compared},
      {Read, PressWrite, BoxAnswer::Cancel, write.constData(), End::Read},
      {Read, Release, BoxAnswer::Ok, nullptr, End::Stopped},
      {Read, Close, BoxAnswer::Ok, nullptr, End::Stopped},
      {Compare, Edit, BoxAnswer::Ok, nullptr, End::Compared},
      {Compare, New, BoxAnswer::Ok, nullptr, End::Compared},
      {Compare, Open, BoxAnswer::Ok, nullptr, End::Compared},
      {Compare, PressRead, BoxAnswer::Ok, nullptr, End::Read},
      {Compare, PressCompare, BoxAnswer::Ok, nullptr, End::Compared},
      {Compare, PressWrite, BoxAnswer::Cancel, write.constData(), End::Compared},
      {Compare, Release, BoxAnswer::Ok, nullptr, End::Stopped},
      {Compare, Close, BoxAnswer::Ok, nullptr, End::Stopped},
      {Write, Edit, BoxAnswer::Ok, nullptr, End::Verified},
      {Write, New, BoxAnswer::Ok, nullptr, End::Verified},
      {Write, Open, BoxAnswer::Ok, nullptr, End::Verified},
      {Write, Report, BoxAnswer::Ok, nullptr, End::Verified},
      {Write, PressRead, BoxAnswer::Ok, nullptr, End::Verified},
      {Write, PressCompare, BoxAnswer::Ok, nullptr, End::Verified},
      {Write, PressWrite, BoxAnswer::Ok, nullptr, End::Verified},
      {Write, Release, BoxAnswer::Ok, stop.constData(), End::CutShort},
      {Write, Release, BoxAnswer::Cancel, stop.constData(), End::Verified},
      {Write, Close, BoxAnswer::Ok, stop.constData(), End::CutShort},
      {Write, Close, BoxAnswer::Cancel, stop.constData(), End::Verified},
  };
  const char* jobs[] = {"read", "compare", "write"};
  const char* actions[] = {"edit", "Создать", "Открыть", "Отчет", "Чтение", "Сравнить", "Запись", "Подключить up", "close"};
  const QByteArray memory = ControllerMemory();
  for (const auto& k : cases) {
    const std::string name = std::string(jobs[k.job]) + ", " + actions[k.action] +
                             (k.answer == BoxAnswer::Cancel ? ", Cancel" : "");
    LinkHarness h;
    QuietLauncher launcher;
    h.main->SetTextEditorLauncher(&launcher);
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(h.dir.path());  // where the report is written
    QByteArray reportDuring;
    const QString saved = h.dir.filePath("controller.usr");
    // Slow replies leave time to act while the transfer runs.
    h.StartEmulator(1, {"--memory", WriteFile(h.dir.filePath("memory.usr"), memory).toStdString(), "--save",
                        saved.toStdString(), "--delay", "40"});
    ASSERT_TRUE(h.Connect(1)) << name;
    FillProject(h);
    // Shown once through every input, so the window holds the project as it shows it.
    h.c().TBReport->click();
    h.main->Context().SavedFlag = 1;
    h.main->Context().CurrentProject = QStringLiteral("site");
    h.main->Context().ShowProjectCaption();
    const QByteArray project = Bytes(h.main->Context().Image);
    const bool box180 = h.c().CheckBox180->isEnabled();
    const bool lenMes = h.c().LenMes->isEnabled();

    if (k.job == Write) h.prompter.answers = {BoxAnswer::Ok};
    (k.job == Read ? h.c().TBRead : k.job == Compare ? h.c().TBCompare : h.c().TBWrite)->click();
    const QString busy = k.job == Write ? QStringLiteral("Запись данных ...") : QString();
    ASSERT_TRUE(PumpUntil([&] {
      return h.c().ProgressBar->value() >= 64 && (busy.isEmpty() || h.c().PanelScanCaption() == busy);
    })) << name;
    // The project holds still; Сохранить and Отчет stay.
    for (QWidget* w : std::initializer_list<QWidget*>{h.c().CheckBox180, h.c().LenMes, h.c().Edit1, h.c().TBNew,
                                                      h.c().TBOpen})
      EXPECT_FALSE(w->isEnabled()) << name << " " << w->objectName().toStdString();
    EXPECT_TRUE(h.c().TBReport->isEnabled()) << name;
    for (QToolButton* b : {h.c().TBRead, h.c().TBWrite, h.c().TBCompare})
      EXPECT_EQ(b->isEnabled(), k.job != Write) << name << " " << b->objectName().toStdString();
    h.prompter.Clear();
    h.prompter.answers = {k.answer};
    switch (k.action) {
      case Edit: h.c().CheckBox180->click(); break;
      case New: h.c().TBNew->click(); break;
      case Open: h.c().TBOpen->click(); break;
      case Report:
        // The report walks the eight inputs through the editor's refresh; the hold stays.
        h.c().TBReport->click();
        reportDuring = ReadFile(h.dir.filePath("TesraConfig.txt"));
        EXPECT_FALSE(reportDuring.isEmpty()) << name;
        for (QWidget* w : std::initializer_list<QWidget*>{h.c().CheckBox180, h.c().LenMes, h.c().TBNew})
          EXPECT_FALSE(w->isEnabled()) << name << " " << w->objectName().toStdString();
        break;
      case PressRead: h.c().TBRead->click(); break;
      case PressCompare: h.c().TBCompare->click(); break;
      case PressWrite: h.c().TBWrite->click(); break;
      case Release: h.c().TBFind->click(); break;
      case Close: h.main->close(); break;
    }
    ASSERT_TRUE(PumpUntil([&] { return !h.link().Sequence.Busy(); }, 30000)) << name;
    const std::vector<QString> texts = h.prompter.Texts();
    if (k.asked) {
      ASSERT_FALSE(texts.empty()) << name;
      EXPECT_EQ(texts.front(), QString::fromUtf8(k.asked)) << name;
    }
    const bool closed = k.action == Close && k.answer == BoxAnswer::Ok;
    EXPECT_EQ(h.main->isVisible(), !closed) << name;
    const QByteArray image = Bytes(h.main->Context().Image);
    const QString panel1 = h.c().StatusPanelText(1);
    if (k.action == Release && k.answer == BoxAnswer::Ok) {
      EXPECT_FALSE(h.link().CommPort.GetOpen()) << name;
      // What the controller still sent for the transfer waits in the line; connecting again drops it.
      linktest::PumpFor(300);
      EXPECT_TRUE(h.Connect(1)) << name << ": connecting again";
    }
    h.emulators.back()->Stop();
    const QByteArray controller = ReadFile(saved).isEmpty() ? memory : ReadFile(saved);
    switch (k.end) {
      case End::Read:
        EXPECT_EQ(image, memory) << name;
        EXPECT_EQ(h.main->windowTitle(), QStringLiteral("Конфигурация - ")) << name;
        EXPECT_EQ(controller, memory) << name;
        break;
      case End::Compared:
        EXPECT_EQ(image, project) << name;
        ASSERT_TRUE(h.link().CompareWindow()) << name;
        EXPECT_TRUE(h.link().CompareWindow()->isVisible()) << name;
        EXPECT_EQ(controller, memory) << name;
        break;
      case End::Verified:
        EXPECT_EQ(image, project) << name;
        EXPECT_EQ(panel1, QStringLiteral("Запись проверена: 16 блоков")) << name;
        EXPECT_EQ(controller, project) << name;
        break;
      case End::CutShort: {
        EXPECT_EQ(image, project) << name;
        EXPECT_EQ(panel1, QStringLiteral("Запись не подтверждена")) << name;
        ASSERT_FALSE(texts.empty()) << name;
        const QString box = texts.back();
        const QString head = QStringLiteral("Запись прервана после блока ");
        ASSERT_TRUE(box.startsWith(head)) << name;
        EXPECT_TRUE(box.contains(QStringLiteral(": конфигурация контроллера неполная !\nРезервная копия: ")))
            << name;
        // The controller holds the new blocks before the one named, the old after
        // it, and the named one as sent or as it was.
        const int last = box.mid(head.size(), 4).toInt(nullptr, 16);
        EXPECT_EQ(controller.left(last), project.left(last)) << name;
        EXPECT_EQ(controller.mid(last + 32), memory.mid(last + 32)) << name;
        EXPECT_TRUE(controller.mid(last, 32) == project.mid(last, 32) || controller.mid(last, 32) == memory.mid(last, 32))
            << name;
        const QString backup = box.mid(box.indexOf(QStringLiteral("Резервная копия: ")) + 17);
        EXPECT_EQ(ReadFile(QDir::fromNativeSeparators(backup)), memory) << name;
        break;
      }
      case End::Stopped:
        EXPECT_EQ(image, project) << name;
        EXPECT_TRUE(texts.empty()) << name;
        EXPECT_EQ(controller, memory) << name;
        break;
    }
    if (closed) {
      QDir::setCurrent(oldDir);
      continue;
    }
    if (k.action == Report && k.end == End::Verified) {
      // The same project gives the same report, during the transfer or after it.
      h.c().TBReport->click();
      EXPECT_EQ(ReadFile(h.dir.filePath("TesraConfig.txt")), reportDuring) << name;
    }
    QDir::setCurrent(oldDir);
    // Everything is enabled as before (a read may change what the editor's rules say).
    EXPECT_TRUE(h.c().Panel17->isEnabled() && h.c().Panel12->isEnabled()) << name;
    if (k.end != End::Read) {
      EXPECT_EQ(h.c().CheckBox180->isEnabled(), box180) << name;
    }
    EXPECT_EQ(h.c().LenMes->isEnabled(), lenMes) << name;
    EXPECT_TRUE(h.c().TBNew->isEnabled()) << name;
    EXPECT_TRUE(h.c().TBOpen->isEnabled()) << name;
    const bool connected = h.link().CommPort.GetOpen();
    EXPECT_TRUE(connected) << name;
    EXPECT_EQ(h.c().TBFind->isChecked(), connected) << name;
    for (QToolButton* b : {h.c().TBRead, h.c().TBWrite, h.c().TBCompare}) EXPECT_EQ(b->isEnabled(), connected) << name;
  }
}

// The reply to block 0040 comes in two halves, the second after the request's
// time-out: with the CRC-8 checked the late reply is still recognised (or the
// resend's answer found behind it), unchecked its rest is waited out on a quiet
// line; either way the read holds the controller's bytes and a write is verified.
TEST(TransferSafety, ALateReplyNeverJoinsTheNext) {
  struct Case { const char* name; bool read; bool checkCrc; const char* lateMs; };
  const Case cases[] = {
      {"read, checked, late beyond the quiet wait", true, true, "1600"},
      {"read, checked, late within the quiet wait", true, true, "1100"},
      {"read, unchecked, late within the quiet wait", true, false, "1100"},
      {"write, checked, late beyond the quiet wait", false, true, "1600"},
  };
  const QByteArray memory = ControllerMemory();
  for (const auto& k : cases) {
    LinkHarness h;
    const QString saved = h.dir.filePath("controller.usr");
    std::vector<std::string> args = {"--memory", WriteFile(h.dir.filePath("memory.usr"), memory).toStdString(),
                                     "--save", saved.toStdString(), "--reply-late", "0x40:1", k.lateMs};
    if (!k.read) args.push_back("--faults-on-writes-only");
    h.StartEmulator(1, args);
    ASSERT_TRUE(ConnectWith(h, 9600, 0, 3, 0, k.checkCrc)) << k.name;
    FillProject(h);
    const QByteArray project = Bytes(h.main->Context().Image);
    h.prompter.answers = {BoxAnswer::Ok};
    (k.read ? h.c().TBRead : h.c().TBWrite)->click();
    ASSERT_TRUE(PumpUntil([&] { return h.link().LinkState == Link::Idle; }, 30000)) << k.name;
    EXPECT_EQ(h.prompter.Texts(), k.read ? std::vector<QString>{} : std::vector<QString>{kWriteQuestion}) << k.name;
    h.emulators.back()->Stop();
    if (k.read) {
      EXPECT_EQ(Bytes(h.main->Context().Image), memory) << k.name;
    } else {
      EXPECT_EQ(h.c().StatusPanelText(1), QStringLiteral("Запись проверена: 16 блоков")) << k.name;
      EXPECT_EQ(ReadFile(saved), project) << k.name;
    }
  }
}
