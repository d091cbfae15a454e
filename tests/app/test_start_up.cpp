// Start-up reads the argument text before the toolkit's application object
// takes its own options out of argv. Each case builds its own application
// object, so this test has no shared one.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include <QMessageBox>
#include <QTimer>

#include "app/Application.h"
#include "app/DebugSwitch.h"

TEST(StartUp, ArgumentTextIsReadAsGivenBeforeTheToolkitTakesItsOptions) {
#ifdef _WIN32
  GTEST_SKIP() << "on Windows the argument text is the process's own command line, not argv; "
                  "Win32CommandLine checks it with a probe program started with chosen lines";
#endif
  qputenv("QT_QPA_PLATFORM", "offscreen");
  struct Case {
    std::vector<std::string> args;
    const char* text;
    bool debug;
    bool toolkitTakesSome;  // argv shrinks: the case shows what the order decides
  };
  const Case cases[] = {
      {{"tesraconfig", "-style", "Fusion", "-debug"}, "-style Fusion -debug", false, true},
      {{"tesraconfig", "-debug", "-style", "Fusion"}, "-debug -style Fusion", false, true},
      {{"tesraconfig", "-stylesheet", "x.qss", "-debug"}, "-stylesheet x.qss -debug", false, true},
      {{"tesraconfig", "-debug"}, "-debug", true, false},
      {{"tesraconfig"}, "", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<std::string> storage = c.args;
    std::vector<char*> argv;
    for (std::string& a : storage) argv.push_back(a.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(c.args.size());
    TesraApplication app(argc, argv.data());
    EXPECT_EQ(app.ArgumentText(), c.text);
    EXPECT_EQ(tesra::IsDebugSwitch(app.ArgumentText()), c.debug);
    EXPECT_EQ(argc < static_cast<int>(c.args.size()), c.toolkitTakesSome) << argc;
  }
}

// A window constructor that throws once the main window owns the message
// boxes: the program's own start-up shows the error in a box built without
// the destroyed window, and ends.
TEST(Shell, AnErrorWhileBuildingTheWindowsIsShownWithoutTheMainWindow) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  char name[] = "tesraconfig";
  char* argv[] = {name, nullptr};
  int boxes = 0;
  bool parentless = false;
  QString boxText;
  const int result = RunProgram(1, argv, [&](TMain&) {
    auto* closer = new QTimer(qApp);
    QObject::connect(closer, &QTimer::timeout, [&] {
      for (QWidget* w : QApplication::allWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible()) continue;
        ++boxes;
        parentless = box->parentWidget() == nullptr;
        boxText = box->text();
        box->done(QMessageBox::Ok);
      }
    });
    closer->start(5);
    throw std::runtime_error("Out of system resources");
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(boxes, 1);
  EXPECT_TRUE(parentless);
  EXPECT_EQ(boxText, QStringLiteral("Out of system resources"));
}
