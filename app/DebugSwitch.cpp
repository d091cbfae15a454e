#include "app/DebugSwitch.h"

namespace tesra {

std::string ArgumentTextFromCommandLine(const std::string& commandLine) {
  std::size_t i = 0;
  const std::size_t n = commandLine.size();
  if (i < n && commandLine[i] == '"') {
    ++i;
    while (i < n && commandLine[i] != '"') ++i;
    if (i < n) ++i;  // the closing quote
  }
  while (i < n && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
  while (i < n && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
  return commandLine.substr(i);
}

std::string ArgumentTextFromArgs(int argc, const char* const* argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

bool IsDebugSwitch(const std::string& argumentText) { return argumentText == "-debug"; }

}  // namespace tesra
