// The one command-line switch: an argument text of exactly "-debug".
#pragma once

#include <string>

namespace tesra {

// The Windows command line with the program name (quoted or not) and the
// blanks and tabs after it removed.
std::string ArgumentTextFromCommandLine(const std::string& commandLine);
// On Linux: the arguments after the program name joined by single blanks.
std::string ArgumentTextFromArgs(int argc, const char* const* argv);
bool IsDebugSwitch(const std::string& argumentText);

}  // namespace tesra
