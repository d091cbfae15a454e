// New, Open and Save through the tool bar of a real main window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <cstring>
#include <random>

#include "tests/support/MainWindowFixture.h"
#include "tests/project/TempDir.h"

using tesra::ConfigImage;
using tesra::test::ReadBytes;
using tesra::test::TempDir;
using tesra::test::WriteBytes;

namespace {

const QString kQuestion = QStringLiteral("Хотите сохранить текущий проект конфигурации ?");
const QString kCaptionPrefix = QStringLiteral("Конфигурация - ");

ConfigImage RandomImage(std::mt19937& rng) {
  ConfigImage img;
  for (std::size_t i = 0; i < tesra::kImageSize; ++i) img[i] = static_cast<std::uint8_t>(rng());
  return img;
}

std::string Bytes(const ConfigImage& img) { return std::string(reinterpret_cast<const char*>(img.data()), 512); }

std::vector<QString> NumberedTimes(int seed) {
  std::vector<QString> t;
  for (int i = 1; i <= 72; ++i) t.push_back(QString::number((i * 7 + seed) % 300 + 1));
  return t;
}

// The bytes that showing input 1 and the system section may rewrite.
bool RefreshMayTouch(std::size_t i) { return i < 56 || (i >= 400 && i < 416); }

std::function<int(QDialog&)> NameDialogAnswer(const QString& name, int result = 1) {
  return [name, result](QDialog& d) {
    static_cast<TFormProjectName&>(d).ProjectName->setText(name);
    return result;
  };
}

}  // namespace

TEST(ProjectCommands, SaveThenOpenRestoresImageAndTimes) {
  std::mt19937 rng(5);
  for (int round = 0; round < 4; ++round) {
    TempDir dir;
    const auto file = dir / "project.usr";
    const ConfigImage img = RandomImage(rng);
    std::vector<QString> times = NumberedTimes(round);
    times[3] = QStringLiteral("12a");  // a cell may hold any text
    times[70] = QStringLiteral("Тест");

    {
      MainWindowFixture w;
      w.ctx.Image = img;
      w.SetTimes(times);
      w.ctx.SavedFlag = 0;
      w.prompter.saveNames = {Q(file)};
      w.c.TBSave->click();
      EXPECT_EQ(w.ctx.SavedFlag, 1);
      EXPECT_TRUE(w.prompter.shown.empty());
    }
    EXPECT_EQ(ReadBytes(file), Bytes(img));
    EXPECT_TRUE(std::filesystem::exists(dir / "project.ini"));

    MainWindowFixture w;
    w.prompter.openNames = {Q(file)};
    w.c.TBOpen->click();
    EXPECT_TRUE(w.prompter.shown.empty());
    EXPECT_EQ(w.Times(), times);
    EXPECT_EQ(w.ctx.CurrentProject, Q(dir / "project"));
    EXPECT_EQ(w.main.windowTitle(), kCaptionPrefix + Q(dir / "project"));
    EXPECT_EQ(w.ctx.RefreshGuard, 0);
    EXPECT_EQ(w.ctx.SelectedInput, 0);
    EXPECT_TRUE(w.c.InputButtons[0]->isChecked());
    for (std::size_t i = 0; i < 512; ++i)
      if (!RefreshMayTouch(i)) {
        ASSERT_EQ(w.ctx.Image[i], img[i]) << "byte " << i;
      }
    EXPECT_EQ(Bytes(w.ctx.Image), Bytes(RefreshedInFreshWindow(img)));
  }
}

// The system section is shown under RefreshGuard, so its check boxes write
// nothing back: amplifier bits 3 stay 3 instead of becoming 2.
TEST(ProjectCommands, OpenShowsTheSystemSectionUnderTheGuard) {
  TempDir dir;
  ConfigImage img;
  img[0] = 0xC0;
  WriteBytes(dir / "a.usr", Bytes(img));
  MainWindowFixture w;
  w.prompter.openNames = {Q(dir / "a.usr")};
  w.c.TBOpen->click();
  EXPECT_TRUE(w.c.CheckBox5->isChecked());
  EXPECT_EQ(w.ctx.Image[0] & 0xC0, 0xC0);
  EXPECT_EQ(w.ctx.RefreshGuard, 0);
}

TEST(ProjectCommands, CompanionFileKeepsOtherSectionsAndKeys) {
  TempDir dir;
  WriteBytes(dir / "p.ini", "; note\r\n[Other]\r\nA=1\r\n[messagelength]\r\n5=99\r\nX=y\r\n[Tail]\r\nB=2\r\n");
  MainWindowFixture w;
  w.SetTimes(NumberedTimes(0));
  w.prompter.saveNames = {Q(dir / "p.usr")};
  w.c.TBSave->click();
  const std::string ini = ReadBytes(dir / "p.ini");
  for (const char* kept : {"; note\r\n", "[Other]\r\nA=1\r\n", "X=y\r\n", "[Tail]\r\nB=2\r\n"})
    EXPECT_NE(ini.find(kept), std::string::npos) << kept;
  EXPECT_EQ(ini.find("5=99"), std::string::npos);
  EXPECT_NE(ini.find("5=" + NumberedTimes(0)[4].toStdString() + "\r\n"), std::string::npos);
}

TEST(ProjectCommands, CompanionFileFromScratch) {
  TempDir dir;
  MainWindowFixture w;
  w.SetTimes(NumberedTimes(1));
  w.prompter.saveNames = {Q(dir / "p.usr")};
  w.c.TBSave->click();
  std::string expected = "[MessageLength]\r\n";
  for (int i = 1; i <= 72; ++i) expected += std::to_string(i) + "=" + NumberedTimes(1)[i - 1].toStdString() + "\r\n";
  EXPECT_EQ(ReadBytes(dir / "p.ini"), expected);
}

TEST(ProjectCommands, DottedNamesUseTheSameCompanion) {
  struct Case {
    const char* image;
    const char* companion;
    const char* project;
  };
  for (const Case& k : {Case{"my.proj.v2.usr", "my.proj.v2.ini", "my.proj.v2"}, Case{"d.x/plain.usr", "d.x/plain.ini", "d.x/plain"}}) {
    TempDir dir;
    std::filesystem::create_directories(dir / "d.x");
    MainWindowFixture saver;
    saver.SetTimes(NumberedTimes(2));
    saver.prompter.saveNames = {Q(dir / k.image)};
    saver.c.TBSave->click();
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / k.companion)) << k.image;

    MainWindowFixture w;
    w.prompter.openNames = {Q(dir / k.image)};
    w.c.TBOpen->click();
    EXPECT_EQ(w.Times(), NumberedTimes(2)) << k.image;
    EXPECT_EQ(w.ctx.CurrentProject, Q(dir / k.project));
  }
}

TEST(ProjectCommands, MissingCompanionGivesZeroTimes) {
  TempDir dir;
  WriteBytes(dir / "p.usr", std::string(512, '\0'));
  MainWindowFixture w;
  w.SetTimes(NumberedTimes(3));
  w.prompter.openNames = {Q(dir / "p.usr")};
  w.c.TBOpen->click();
  EXPECT_EQ(w.Times(), std::vector<QString>(72, QStringLiteral("0")));
  EXPECT_TRUE(w.prompter.shown.empty());
}

// Stage times follow the times read, as if each cell had been typed.
TEST(ProjectCommands, OpenRecomputesStageTimes) {
  TempDir dir;
  ConfigImage img;
  img[8] = 0x80;      // input 1, stage 1 on, pause index 0
  img[8 + 1] = 2;     // two repeats
  img[8 + 5] = 3;     // message 3
  WriteBytes(dir / "p.usr", Bytes(img));
  WriteBytes(dir / "p.ini", "[MessageLength]\r\n3=10\r\n");
  MainWindowFixture w;
  w.prompter.openNames = {Q(dir / "p.usr")};
  w.c.TBOpen->click();
  ASSERT_TRUE(w.c.StageButtons[0]->isChecked());
  const int pause = w.c.PauseCombos[0]->currentText().toInt();
  EXPECT_EQ(w.c.StageTimeTexts[0]->text(), QString::number(10 * 2 + pause));
}

TEST(ProjectCommands, OpenOfAnUnreadableFileChangesNothing) {
  TempDir dir;
  std::filesystem::create_directories(dir / "folder.usr");
  WriteBytes(dir / "locked.usr", std::string(512, '\x55'));
  tesra::test::ReadBarrier barrier(dir / "locked.usr");
  std::vector<std::filesystem::path> bad = {dir / "missing.usr", dir / "folder.usr"};
  if (barrier.Effective()) bad.push_back(dir / "locked.usr");
  WriteBytes(dir / "missing.ini", "[MessageLength]\r\n1=77\r\n");

  for (const auto& path : bad) {
    MainWindowFixture w;
    ConfigImage img;
    img[0] = 0x80;
    img[8] = 0x80;
    w.Open(img);
    const ConfigImage before = w.ctx.Image;
    w.ctx.CurrentProject = QStringLiteral("old");
    w.ctx.ShowProjectCaption();
    w.SetTimes(NumberedTimes(4));
    w.ctx.SavedFlag = 1;
    w.prompter.openNames = {Q(path)};
    w.c.TBOpen->click();

    ASSERT_EQ(w.prompter.shown.size(), 1u) << path;
    EXPECT_EQ(w.prompter.shown[0].kind, BoxKind::Error);
    EXPECT_EQ(w.prompter.shown[0].text, QStringLiteral("Ошибка открытия файла ") + Q(path) + QStringLiteral(" !"));
    EXPECT_EQ(w.ctx.CurrentProject, QStringLiteral("old"));
    EXPECT_EQ(w.main.windowTitle(), kCaptionPrefix + QStringLiteral("old"));
    EXPECT_EQ(w.Times(), NumberedTimes(4));
    EXPECT_EQ(Bytes(w.ctx.Image), Bytes(before));
    EXPECT_TRUE(w.c.CheckBox5->isChecked());
    EXPECT_TRUE(w.c.StageButtons[0]->isChecked());
    EXPECT_EQ(w.ctx.SavedFlag, 1);
    EXPECT_EQ(w.ctx.RefreshGuard, 0);
  }
}

TEST(ProjectCommands, FailedSaveReportsThePathAndKeepsTheWorkUnsaved) {
  TempDir dir;
  std::filesystem::create_directories(dir / "c.ini");  // the companion cannot be a file
  // The pair is replaced as a unit: a companion that fails leaves the old image too.
  WriteBytes(dir / "c.usr", "the old image");
  struct Case {
    std::filesystem::path image;
    std::filesystem::path failing;
  };
  for (const Case& k : {Case{dir / "no" / "such" / "p.usr", dir / "no" / "such" / "p.usr"},
                        Case{dir / "c.usr", dir / "c.ini"}}) {
    MainWindowFixture w;
    w.ctx.SavedFlag = 0;
    w.prompter.saveNames = {Q(k.image)};
    w.c.TBSave->click();
    ASSERT_EQ(w.prompter.shown.size(), 1u);
    EXPECT_EQ(w.prompter.shown[0].kind, BoxKind::Error);
    EXPECT_EQ(w.prompter.shown[0].text, QStringLiteral("Ошибка записи файла ") + Q(k.failing) + QStringLiteral(" !"));
    EXPECT_EQ(w.ctx.SavedFlag, 0);
  }
  EXPECT_EQ(ReadBytes(dir / "c.usr"), "the old image");
  EXPECT_EQ(dir.EntryCount(), 2u) << "no temporary file is left";
}

TEST(ProjectCommands, CancelledSaveWritesNothingAndKeepsTheWorkUnsaved) {
  TempDir dir;
  MainWindowFixture w;
  w.ctx.SavedFlag = 0;
  w.ctx.CurrentProject = Q(dir / "proposed");
  w.c.TBSave->click();
  EXPECT_EQ(w.ctx.SavedFlag, 0);
  EXPECT_EQ(dir.EntryCount(), 0u);
  EXPECT_EQ(w.prompter.saveInitialNames, std::vector<QString>{Q(dir / "proposed.usr")});
  EXPECT_EQ(w.prompter.fileFilters, std::vector<QString>{w.c.SaveDialog1.Filter});
  // The work is still only in the window: the close asks, and No lets it go.
  w.prompter.answers = {BoxAnswer::No};
  EXPECT_TRUE(w.main.close());
  EXPECT_EQ(w.prompter.Texts(), std::vector<QString>{kQuestion});
}

// Whatever name the dialog returns, the image goes to a ".usr" file and the
// companion beside it, so an opened pair is the pair that gets saved.
TEST(ProjectCommands, SaveWritesTheUsrFileAndItsCompanion) {
  struct Case {
    const char* project;  // CurrentProject
    const char* offered;  // what the save dialog proposes
    const char* chosen;   // what it returns; nullptr: the offer
    const char* image;
    const char* companion;
  };
  const Case cases[] = {
      {"site.2024", "site.2024.usr", nullptr, "site.2024.usr", "site.2024.ini"},
      {"site.2024", "site.2024.usr", "site.2024", "site.2024.usr", "site.2024.ini"},
      {"Объект.1", "Объект.1.usr", "Объект.1", "Объект.1.usr", "Объект.1.ini"},
      {"plain", "plain.usr", "other", "other.usr", "other.ini"},
      {"plain", "plain.usr", "UPPER.USR", "UPPER.USR", "UPPER.ini"},
      {"a.usr", "a.usr", "b.usr.bak", "b.usr.bak.usr", "b.usr.bak.ini"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.chosen ? k.chosen : k.offered);
    TempDir dir;
    MainWindowFixture w;
    w.SetTimes(NumberedTimes(4));
    w.ctx.Image[100] = 0x5A;
    w.ctx.CurrentProject = Q(dir / k.project);
    w.prompter.saveNames = {Q(dir / (k.chosen ? k.chosen : k.offered))};
    EXPECT_EQ(w.main.TBSaveClick(), SaveResult::Saved);
    EXPECT_EQ(w.prompter.saveInitialNames, std::vector<QString>{Q(dir / k.offered)});
    EXPECT_EQ(dir.EntryCount(), 2u);
    EXPECT_EQ(ReadBytes(dir / k.image), Bytes(w.ctx.Image));

    MainWindowFixture reopened;
    reopened.prompter.openNames = {Q(dir / k.image)};
    reopened.c.TBOpen->click();
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / k.companion));
    EXPECT_EQ(reopened.Times(), NumberedTimes(4));
    EXPECT_EQ(reopened.ctx.Image[100], 0x5A);
  }
}

// The pair that was opened is the pair that a Save with the offered name
// updates, also when the name holds dots; no other file appears.
TEST(ProjectCommands, OpenThenSaveUpdatesTheOpenedPair) {
  TempDir dir;
  ConfigImage stored;
  stored[200] = 1;
  WriteBytes(dir / "site.2024.usr", Bytes(stored));
  WriteBytes(dir / "site.ini", "[MessageLength]\r\n1=99\r\n");  // another project's
  MainWindowFixture w;
  w.prompter.openNames = {Q(dir / "site.2024.usr")};
  w.c.TBOpen->click();
  w.ctx.Image[200] = 2;
  w.c.SetLenMesValue(1, QStringLiteral("17"));
  w.prompter.saveNames = {Q(dir / "site.2024.usr")};
  w.c.TBSave->click();
  EXPECT_EQ(w.prompter.saveInitialNames, std::vector<QString>{Q(dir / "site.2024.usr")});
  EXPECT_EQ(ReadBytes(dir / "site.2024.usr")[200], 2);
  EXPECT_EQ(ReadBytes(dir / "site.ini"), "[MessageLength]\r\n1=99\r\n");
  EXPECT_NE(ReadBytes(dir / "site.2024.ini").find("1=17\r\n"), std::string::npos);
  EXPECT_EQ(dir.EntryCount(), 3u);
}

TEST(ProjectCommands, CloseQuestionYesClosesOnlyWhenSaved) {
  TempDir dir;
  struct Case {
    QString saveName;  // empty: the save dialog is cancelled
    bool closes;
  };
  // Only work that is on disk lets the window go.
  for (const Case& k : {Case{Q(dir / "ok.usr"), true}, Case{Q(dir / "missing" / "x.usr"), false}, Case{QString(), false}}) {
    MainWindowFixture w;
    w.ctx.SavedFlag = 0;
    w.prompter.answers = {BoxAnswer::Yes};
    w.prompter.saveNames = {k.saveName};
    EXPECT_EQ(w.main.close(), k.closes) << k.saveName.toStdString();
    EXPECT_EQ(w.prompter.shown[0].text, kQuestion);
    EXPECT_EQ(w.ctx.SavedFlag, k.closes ? 1 : 0);
  }
  EXPECT_EQ(ReadBytes(dir / "ok.usr").size(), 512u);
}

// One command with each answer, from a window that has a project shown,
// with nothing unsaved and both buttons released to see which get enabled.
TEST(ProjectCommands, StateTable) {
  TempDir dir;
  ConfigImage stored;
  stored[3] = 0x0F;
  stored[100] = 0x42;
  WriteBytes(dir / "file.usr", Bytes(stored));
  std::filesystem::create_directories(dir / "dir.usr");

  enum class Cmd { New, Open, Save };
  struct Case {
    const char* name;
    Cmd cmd;
    std::function<void(ScriptedPrompter&)> script;
    QString project;  // expected CurrentProject; "old" = unchanged
    bool imageZero, imageFromFile, buttonsEnabled;
    std::uint8_t savedFlag;  // 2 = as the refresh leaves it
    std::vector<QString> messages;
  };
  const QString blanks = QStringLiteral("   ");
  const std::vector<Case> cases = {
      {"new named", Cmd::New, [](ScriptedPrompter& p) { p.dialogs.push_back(NameDialogAnswer("Объект 1")); },
       QStringLiteral("Объект 1"), true, false, true, 2, {}},
      {"new blanks", Cmd::New, [&](ScriptedPrompter& p) { p.dialogs.push_back(NameDialogAnswer(blanks)); }, blanks,
       true, false, true, 2, {}},
      {"new cancelled", Cmd::New, [](ScriptedPrompter& p) { p.dialogs.push_back(NameDialogAnswer("x", 2)); },
       "old", false, false, false, 1, {}},
      {"new closed", Cmd::New, [](ScriptedPrompter& p) { p.dialogs.push_back(NameDialogAnswer("x", 0)); }, "old",
       false, false, false, 1, {}},
      {"new empty", Cmd::New, [](ScriptedPrompter& p) { p.dialogs.push_back(NameDialogAnswer("")); }, "old", false,
       false, false, 1, {QStringLiteral("Неверное имя проекта !")}},
      {"open read", Cmd::Open, [&](ScriptedPrompter& p) { p.openNames = {Q(dir / "file.usr")}; },
       Q(dir / "file"), false, true, false, 2, {}},
      {"open cancelled", Cmd::Open, [](ScriptedPrompter&) {}, "old", false, false, false, 1, {}},
      {"open directory", Cmd::Open, [&](ScriptedPrompter& p) { p.openNames = {Q(dir / "dir.usr")}; }, "old", false,
       false, false, 1, {QStringLiteral("Ошибка открытия файла ") + Q(dir / "dir.usr") + QStringLiteral(" !")}},
      {"save confirmed", Cmd::Save, [&](ScriptedPrompter& p) { p.saveNames = {Q(dir / "other.usr")}; }, "old",
       false, false, false, 1, {}},
      {"save cancelled", Cmd::Save, [](ScriptedPrompter&) {}, "old", false, false, false, 1, {}},
  };

  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    MainWindowFixture w;
    ConfigImage shown;
    shown[0] = 0x40;
    shown[3] = 0xF0;
    w.Open(shown);
    const ConfigImage before = w.ctx.Image;
    w.ctx.CurrentProject = QStringLiteral("old");
    w.ctx.ShowProjectCaption();
    w.ctx.SavedFlag = 1;
    w.c.TBSave->setEnabled(false);
    w.c.TBReport->setEnabled(false);
    k.script(w.prompter);

    switch (k.cmd) {
      case Cmd::New: w.main.TBNewClick(); break;
      case Cmd::Open: w.main.TBOpenClick(); break;
      case Cmd::Save: w.main.TBSaveClick(); break;
    }

    EXPECT_EQ(w.prompter.Texts(), k.messages);
    EXPECT_EQ(w.ctx.CurrentProject, k.project);
    EXPECT_EQ(w.main.windowTitle(), kCaptionPrefix + k.project);
    if (k.imageZero) {
      EXPECT_EQ(Bytes(w.ctx.Image), Bytes(RefreshedInFreshWindow(ConfigImage{})));
      EXPECT_FALSE(w.c.CBMuz5->isChecked());  // the screen shows the cleared image
    } else if (k.imageFromFile) {
      EXPECT_EQ(w.ctx.Image[100], 0x42);
      EXPECT_EQ(w.ctx.Image[3], 0x0F);
    } else {
      EXPECT_EQ(Bytes(w.ctx.Image), Bytes(before));
    }
    if (k.buttonsEnabled) {
      EXPECT_TRUE(w.c.TBSave->isEnabled());
      EXPECT_TRUE(w.c.TBReport->isEnabled());
    } else if (k.savedFlag != 2) {
      EXPECT_FALSE(w.c.TBSave->isEnabled());
      EXPECT_FALSE(w.c.TBReport->isEnabled());
    }
    if (k.savedFlag != 2) {
      EXPECT_EQ(w.ctx.SavedFlag, k.savedFlag);
    }
    EXPECT_EQ(w.ctx.RefreshGuard, 0);
    EXPECT_EQ(w.prompter.saveInitialNames.size(), k.cmd == Cmd::Save ? 1u : 0u);
  }
}

// Cancel goes on without saving; OK goes on only once the work is saved, so
// neither command replaces work that a cancelled or failed save left unsaved.
TEST(ProjectCommands, UnsavedChangesQuestion) {
  TempDir dir;
  WriteBytes(dir / "file.usr", std::string(512, '\0'));
  struct Case {
    BoxAnswer answer;
    QString saveName;  // empty: the save dialog is cancelled
    bool goesOn;
  };
  const Case cases[] = {
      {BoxAnswer::Ok, Q(dir / "saved.usr"), true},
      {BoxAnswer::Cancel, Q(dir / "saved.usr"), true},
      {BoxAnswer::Ok, QString(), false},
      {BoxAnswer::Ok, Q(dir / "missing" / "saved.usr"), false},
  };
  for (const Case& k : cases) {
    const BoxAnswer answer = k.answer;
    // New, Open through its dialog, and a named file (a drop, the recent list).
    for (const char* how : {"new", "open", "named"}) {
      SCOPED_TRACE(k.saveName.toStdString() + " " + how);
      const bool named = std::strcmp(how, "named") == 0;
      const bool open = named || std::strcmp(how, "open") == 0;
      MainWindowFixture w;
      w.ctx.CurrentProject = QStringLiteral("old");
      w.ctx.Image[300] = 0x33;
      w.ctx.SavedFlag = 0;
      w.prompter.answers = {answer};
      w.prompter.saveNames = {k.saveName};
      if (named) {
        EXPECT_EQ(w.main.ProjectPart().OpenProjectFile(Q(dir / "file.usr")), k.goesOn);
      } else if (open) {
        w.prompter.openNames = {Q(dir / "file.usr")};
        w.c.TBOpen->click();
      } else {
        w.prompter.dialogs.push_back(NameDialogAnswer("n"));
        w.c.TBNew->click();
      }
      ASSERT_FALSE(w.prompter.shown.empty());
      EXPECT_EQ(w.prompter.shown[0].text, kQuestion);
      EXPECT_EQ(w.prompter.shown[0].kind, BoxKind::Information);
      EXPECT_EQ(w.prompter.shown[0].buttons, BoxButtons::OkCancel);
      EXPECT_EQ(w.prompter.saveInitialNames.size(), answer == BoxAnswer::Ok ? 1u : 0u);
      EXPECT_EQ(std::filesystem::exists(dir / "saved.usr"), k.goesOn && answer == BoxAnswer::Ok);
      if (k.goesOn) {
        EXPECT_EQ(w.ctx.CurrentProject, open ? Q(dir / "file") : QStringLiteral("n"));
      } else {
        EXPECT_EQ(w.ctx.CurrentProject, QStringLiteral("old"));
        EXPECT_EQ(w.ctx.Image[300], 0x33);
        EXPECT_EQ(w.ctx.SavedFlag, 0);
        EXPECT_EQ(w.prompter.openNames.size(), open && !named ? 1u : 0u);
        EXPECT_EQ(w.prompter.dialogs.size(), open ? 0u : 1u);
      }
      std::filesystem::remove(dir / "saved.usr");
      std::filesystem::remove(dir / "saved.ini");
    }
  }
}

TEST(ProjectCommands, NewKeepsMessageTimesAndTheTypedName) {
  MainWindowFixture w;
  ConfigImage img;
  img[8] = 0x80;
  img[3] = 0xFF;
  w.Open(img);
  w.SetTimes(NumberedTimes(6));
  w.ctx.SavedFlag = 1;  // nothing to ask about
  QString seen;
  w.prompter.dialogs.push_back(NameDialogAnswer("first"));
  w.prompter.dialogs.push_back([&](QDialog& d) {
    seen = static_cast<TFormProjectName&>(d).ProjectName->text();
    return 2;
  });
  w.c.TBNew->click();
  EXPECT_FALSE(w.c.StageButtons[0]->isChecked());
  EXPECT_FALSE(w.c.CBMuz1->isChecked());
  EXPECT_EQ(w.Times(), NumberedTimes(6));
  w.ctx.SavedFlag = 1;
  w.c.TBNew->click();
  EXPECT_EQ(seen, QStringLiteral("first"));
  EXPECT_EQ(w.ctx.CurrentProject, QStringLiteral("first"));
}

TEST(ProjectCommands, SaveUnderAnotherNameKeepsTheProject) {
  TempDir dir;
  MainWindowFixture w;
  w.ctx.CurrentProject = Q(dir / "main");
  w.ctx.ShowProjectCaption();
  w.prompter.saveNames = {Q(dir / "copy.usr"), QString()};
  w.c.TBSave->click();
  w.c.TBSave->click();
  EXPECT_EQ(w.prompter.saveInitialNames, (std::vector<QString>{Q(dir / "main.usr"), Q(dir / "main.usr")}));
  EXPECT_EQ(w.main.windowTitle(), kCaptionPrefix + Q(dir / "main"));
  EXPECT_TRUE(std::filesystem::exists(dir / "copy.usr"));
}

// Every byte an identity field can hold comes back unchanged from the screen,
// after an Open and after the write-back that a refresh outside the guard
// (a completed read) runs; only a character the code page lacks that the user
// types becomes '?'.
TEST(ProjectCommands, IdentityBytesSurviveTheScreen) {
  const std::size_t fieldBytes[] = {403, 404, 405, 406, 408, 409, 411, 412, 414, 415};
  for (int first = 1; first <= 255; first += 10) {
    SCOPED_TRACE(first);
    ConfigImage img;
    for (std::size_t i = 0; i < std::size(fieldBytes); ++i)
      img[fieldBytes[i]] = static_cast<std::uint8_t>(std::min<int>(first + static_cast<int>(i), 255));
    img[400] = 'S', img[401] = 'N';

    TempDir dir;
    WriteBytes(dir / "id.usr", Bytes(img));
    MainWindowFixture opened;
    opened.prompter.openNames = {Q(dir / "id.usr")};
    opened.c.TBOpen->click();
    for (QLineEdit* e : {opened.c.Edit1, opened.c.Edit2, opened.c.Edit3, opened.c.Edit4}) opened.ed.ComboBox58Change(e);
    opened.prompter.saveNames = {Q(dir / "copy.usr")};
    opened.c.TBSave->click();
    const std::string saved = ReadBytes(dir / "copy.usr");
    ASSERT_EQ(saved.size(), 512u);
    for (std::size_t i : fieldBytes) EXPECT_EQ(static_cast<std::uint8_t>(saved[i]), img[i]) << "byte " << i;

    MainWindowFixture read;
    read.FinishRead(img);  // unguarded: the fields write their texts back
    for (std::size_t i : fieldBytes) EXPECT_EQ(read.ctx.Image[i], img[i]) << "byte " << i;
  }

  MainWindowFixture typed;
  typed.main.EnterDebugMode();
  typed.c.Edit1->setText(QStringLiteral("Ж中€\uFFFD"));
  EXPECT_EQ(Bytes(typed.ctx.Image).substr(403, 4), "\xC6?\x88?");
}

TEST(ProjectCommands, ImageFilesOfAnyLength) {
  std::mt19937 rng(9);
  for (std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{511}, std::size_t{512}, std::size_t{100000}}) {
    TempDir dir;
    std::string bytes(size, '\0');
    for (char& b : bytes) b = static_cast<char>(rng());
    WriteBytes(dir / "p.usr", bytes);
    ConfigImage expected;
    std::memcpy(expected.data(), bytes.data(), std::min<std::size_t>(size, 512));

    MainWindowFixture w;
    w.prompter.openNames = {Q(dir / "p.usr")};
    w.c.TBOpen->click();
    EXPECT_TRUE(w.prompter.shown.empty()) << size;
    EXPECT_EQ(Bytes(w.ctx.Image), Bytes(RefreshedInFreshWindow(expected))) << size;
    for (std::size_t i = std::min<std::size_t>(size, 512); i < 512; ++i)
      if (!RefreshMayTouch(i)) {
        ASSERT_EQ(w.ctx.Image[i], 0) << size << " byte " << i;
      }
  }
}

TEST(ProjectCommands, DamagedCompanionFiles) {
  std::mt19937 rng(11);
  std::string garbage(4096, '\0');
  for (char& b : garbage) b = static_cast<char>(rng());
  std::vector<QString> zeros(72, QStringLiteral("0"));
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::pair<int, QString>> rows;  // rows other than these are "0"
  };
  const std::vector<Case> cases = {
      {"no section", "1=5\r\n2=6\r\n", {}},
      {"lines without =", "[MessageLength]\r\nnothing here\r\n1 5\r\n2=6\r\n", {{2, "6"}}},
      {"duplicate keys", "[MessageLength]\r\n3=5\r\n3=7\r\n", {{3, "5"}}},
      {"blanks", "[MessageLength]\r\n  4  =  8  \r\n", {{4, "8"}}},
      {"CR only", "[MessageLength]\r1=4\r2=6\r", {{1, "4"}, {2, "6"}}},
      {"LF only", "[MessageLength]\n1=4\n72=6\n", {{1, "4"}, {72, "6"}}},
      {"very long line", "[MessageLength]\r\n1=" + std::string(200000, '9') + "\r\n2=3\r\n",
       {{1, QString(200000, '9')}, {2, "3"}}},
      {"empty value", "[MessageLength]\r\n5=\r\n6=1\r\n", {{6, "1"}}},
      {"Windows-1251 text", "[MessageLength]\r\n7=\xD1\xE5\xEA\r\n", {{7, QStringLiteral("Сек")}}},
  };
  for (const Case& k : cases) {
    TempDir dir;
    WriteBytes(dir / "p.usr", std::string(512, '\0'));
    WriteBytes(dir / "p.ini", k.bytes);
    MainWindowFixture w;
    w.SetTimes(NumberedTimes(7));
    w.prompter.openNames = {Q(dir / "p.usr")};
    w.c.TBOpen->click();
    std::vector<QString> expected = zeros;
    for (const auto& [row, value] : k.rows) expected[row - 1] = value;
    EXPECT_EQ(w.Times(), expected) << k.name;
  }
  // Random bytes give some texts; the rows are all there and the open completes.
  TempDir dir;
  WriteBytes(dir / "p.usr", std::string(512, '\0'));
  WriteBytes(dir / "p.ini", "[MessageLength]\r\n" + garbage);
  MainWindowFixture w;
  w.prompter.openNames = {Q(dir / "p.usr")};
  w.c.TBOpen->click();
  EXPECT_EQ(w.Times().size(), 72u);
  EXPECT_EQ(w.ctx.CurrentProject, Q(dir / "p"));
}
