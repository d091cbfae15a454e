// Started by the command-line test with a command line of its choosing:
// prints the argument text it finds and exits 1 when that is the debug switch.
#include <cstdio>

#include <windows.h>

#include "app/DebugSwitch.h"

int main() {
  const std::string text = tesra::ArgumentTextFromCommandLine(::GetCommandLineA());
  std::printf("[%s]\n", text.c_str());
  return tesra::IsDebugSwitch(text) ? 1 : 0;
}
