// The debug switch read from the process's own command line, as Windows hands
// it over: a probe program is started with each command line in turn.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

namespace {

// The probe lies beside this test program.
std::string ProbePath() {
  char self[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  return path.substr(0, path.find_last_of("\\/") + 1) + "argument-text-probe.exe";
}

// The probe's exit code: 1 debug mode, 0 not; -1 when it could not be run.
int RunProbe(const std::string& commandLine) {
  const std::string probe = ProbePath();
  std::string line = commandLine;  // CreateProcessA may write into it
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(probe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

}  // namespace

TEST(Win32CommandLine, OnlyAnArgumentTextOfExactlyDebugSwitchesDebugModeOn) {
  const struct {
    const char* commandLine;
    int debug;
  } cases[] = {
      {"tesraconfig.exe -debug", 1},
      {"\"C:\\Program Files\\Tesra Config\\tesraconfig.exe\" -debug", 1},
      {"\"C:\\Program Files\\Tesra Config\\tesraconfig.exe\"\t  -debug", 1},
      {"tesraconfig.exe", 0},
      {"tesraconfig.exe -debug ", 0},
      {"tesraconfig.exe -debug x", 0},
      {"tesraconfig.exe -Debug", 0},
      {"tesraconfig.exe /debug", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(RunProbe(c.commandLine), c.debug) << c.commandLine;
}
