#include <gtest/gtest.h>

#include "app/DebugSwitch.h"

using namespace tesra;

TEST(DebugSwitch, WindowsCommandLineText) {
  struct Case { const char* commandLine; bool debug; };
  const Case cases[] = {
      {"tesraconfig.exe -debug", true},
      {"tesraconfig.exe\t -debug", true},
      {"\"C:\\Program Files\\Tesra\\tesraconfig.exe\"  -debug", true},  // quoted path, two blanks
      {"\"C:\\Program Files\\Tesra\\tesraconfig.exe\" -debug", true},
      {"tesraconfig.exe", false},
      {"tesraconfig.exe -Debug", false},
      {"tesraconfig.exe -DEBUG", false},
      {"tesraconfig.exe -debug ", false},  // trailing blank
      {"tesraconfig.exe x -debug", false},
      {"tesraconfig.exe /debug", false},
      {"tesraconfig.exe --debug", false},
      {"\"C:\\Program Files\\Tesra\\tesraconfig.exe\"", false},
      {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsDebugSwitch(ArgumentTextFromCommandLine(c.commandLine)), c.debug) << c.commandLine;
}

TEST(DebugSwitch, LinuxArgumentsJoinedByBlanks) {
  struct Case { std::vector<const char*> argv; bool debug; };
  const Case cases[] = {
      {{"tesraconfig", "-debug"}, true},
      {{"tesraconfig"}, false},
      {{"tesraconfig", "-debug", ""}, false},  // joins to "-debug "
      {{"tesraconfig", " -debug"}, false},
      {{"tesraconfig", "-debug", "x"}, false},
      {{"tesraconfig", "-Debug"}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsDebugSwitch(ArgumentTextFromArgs(static_cast<int>(c.argv.size()), c.argv.data())), c.debug)
        << c.argv.size();
  const char* argv[] = {"p", "a", "b c"};
  EXPECT_EQ(ArgumentTextFromArgs(3, argv), "a b c");
}
