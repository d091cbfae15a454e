// "tesraconfig [-debug] [FILE.usr]": the arguments as the toolkit hands them
// over, through start-up's two steps (the debug switch, the named project).
// Each case builds its own application object, so this test has no shared one.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <QAction>
#include <QCoreApplication>
#include <QDir>

#include "app/Application.h"
#include "app/DebugSwitch.h"
#include "app/TMain.h"
#include "project/ProjectFiles.h"
#include "tests/support/ScriptedPrompter.h"

namespace fs = std::filesystem;

TEST(ProjectArgument, OpensTheNamedProjectAsOpenDoes) {
#ifdef _WIN32
  GTEST_SKIP() << "on Windows the toolkit reads the process's own command line, not argv; "
                  "scripts/windows-setup-check.sh opens a project the way Explorer hands it over";
#endif
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const fs::path base = fs::temp_directory_path() / ("tesra-argument-" + std::to_string(QCoreApplication::applicationPid()));
  fs::remove_all(base);
  fs::create_directories(base / "my projects");
  // As the current folder reports it, for the relative argument.
  const fs::path dir = fs::canonical(base);
  const fs::path example = fs::path(TESRA_SOURCE_DIR) / "docs";
  fs::copy_file(example / "example.usr", dir / "site.usr");
  fs::copy_file(example / "example.usr", dir / "my projects" / "site one.usr");
  fs::copy_file(example / "example.ini", dir / "my projects" / "site one.ini");
  fs::create_directories(dir / "folder.usr");
  tesra::ConfigImage exampleImage;
  ASSERT_TRUE(tesra::ReadImageFile(example / "example.usr", exampleImage));
  const std::string site = (dir / "site.usr").string();
  const std::string spaced = (dir / "my projects" / "site one.usr").string();
  const std::string folder = (dir / "folder.usr").string();
  const std::string missing = (dir / "missing.usr").string();
  const QString openFailed = QStringLiteral("Ошибка открытия файла ");

  // The caption names the project by its whole path without the extension, as Открыть does.
  const QString siteName = QString::fromStdString((dir / "site").string());
  const QString spacedName = QString::fromStdString((dir / "my projects" / "site one").string());
  struct Case {
    std::vector<std::string> args;  // after the program name
    QString project;                // "" for a project that stays empty
    std::string failedFile;         // named in Open's error box, or none
    bool debug;
  };
  const Case cases[] = {
      {{}, "", "", false},
      {{"-debug"}, "", "", true},
      {{site}, siteName, "", false},
      {{"site.usr"}, siteName, "", false},     // from the current folder
      {{spaced}, spacedName, "", false},       // quoted, one argument
      {{(dir / "my").string(), "projects/site one.usr"}, spacedName, "", false},  // unquoted
      {{"-style", "Fusion", site}, siteName, "", false},  // the toolkit's own options are not the name
      {{"-debug", site}, siteName, "", false},            // the switch is the whole argument text only
      {{"-debug", folder}, "", folder, false},
      {{"-debug", missing}, "", missing, false},
  };
  const fs::path startFolder = fs::current_path();
  fs::current_path(dir);
  for (const Case& c : cases) {
    std::string trace;
    for (const auto& a : c.args) trace += a + " | ";
    SCOPED_TRACE(trace);
    std::vector<std::string> storage = {"tesraconfig"};
    storage.insert(storage.end(), c.args.begin(), c.args.end());
    std::vector<char*> argv;
    for (std::string& a : storage) argv.push_back(a.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());
    TesraApplication app(argc, argv.data());
    ScriptedPrompter prompter;
    TMain main(prompter);
    // As RunProgram starts.
    if (tesra::IsDebugSwitch(app.ArgumentText())) main.EnterDebugMode();
    OpenProjectArgument(main, app.arguments());

    EXPECT_EQ(main.Controls().TBDebugAction->isVisible(), c.debug);
    const bool opened = !c.project.isEmpty();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Конфигурация") + (opened ? " - " + c.project : ""));
    if (c.failedFile.empty()) {
      EXPECT_TRUE(prompter.shown.empty()) << prompter.shown.front().text.toStdString();
    } else {
      ASSERT_EQ(prompter.shown.size(), 1u);
      EXPECT_EQ(prompter.shown[0].kind, BoxKind::Error);
      EXPECT_EQ(prompter.shown[0].text,
                openFailed + QDir::toNativeSeparators(QString::fromStdString(c.failedFile)) + " !");
    }
    ScriptedPrompter quiet;
    TMain fresh(quiet);
    EXPECT_EQ(main.Context().Image.bytes, opened ? exampleImage.bytes : fresh.Context().Image.bytes);
    // The .ini beside "site one.usr" gives message 1 ten seconds; "site.usr" has none.
    if (opened) {
      EXPECT_EQ(main.Controls().LenMesValue(1), c.project == spacedName ? "10" : "0");
    }
  }
  fs::current_path(startFolder);
  fs::remove_all(dir);
}
