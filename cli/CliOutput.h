// What the command line prints: UTF-8 lines on stdout and stderr, one JSON
// object per answer, the progress line of a transfer, and the exit statuses
// scripts test.
#pragma once

#include <string>

class QJsonObject;
class QString;

namespace cli {

// 0 the answer is yes (read done, write verified, equal, no errors); 1 it is
// no; 2 the controller did not answer as it should; 3 bad use or a file.
enum Exit : int { kOk = 0, kNo = 1, kController = 2, kBadUse = 3 };

// Ends the command with `code` and `line` on stderr; thrown from anywhere in it.
struct Failure {
  int code;
  std::string line;
};
[[noreturn]] void Fail(int code, const std::string& line);
[[noreturn]] void BadUse(const std::string& line);

// On Windows the console shows UTF-8 (the program's texts are Russian).
void SetUpConsole();

std::string Utf8(const QString& text);
void OutLine(const std::string& utf8);
void ErrLine(const std::string& utf8);
// Bytes as they are (a report written to stdout).
void OutBytes(const std::string& bytes);
void OutJson(const QJsonObject& object);

// "Запись: 5/16" on stderr, rewritten in place; only on a terminal.
class Progress {
 public:
  Progress();
  ~Progress();
  void Show(const std::string& step, unsigned done, unsigned total);
  void Clear();

 private:
  bool enabled_;
  bool shown_ = false;
};

}  // namespace cli
