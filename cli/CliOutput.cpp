#include "cli/CliOutput.h"

#include <cstdio>
#include <string>

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace cli {

void Fail(int code, const std::string& line) { throw Failure{code, line}; }
void BadUse(const std::string& line) { Fail(kBadUse, line); }

void SetUpConsole() {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
  // The report's bytes carry their own CRLF; text mode would double the CR.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
}

std::string Utf8(const QString& text) { return text.toStdString(); }

void OutBytes(const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

void OutLine(const std::string& utf8) { OutBytes(utf8 + "\n"); }

void ErrLine(const std::string& utf8) {
  const std::string line = utf8 + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void OutJson(const QJsonObject& object) {
  OutLine(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString());
}

static bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return ::isatty(STDERR_FILENO) != 0;
#endif
}

Progress::Progress() : enabled_(StderrIsTerminal()) {}

Progress::~Progress() { Clear(); }

void Progress::Show(const std::string& step, unsigned done, unsigned total) {
  if (!enabled_) return;
  const std::string line = "\r" + step + " " + std::to_string(done) + "/" + std::to_string(total) + "   ";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  shown_ = true;
}

void Progress::Clear() {
  if (!shown_) return;
  // Blanks over the line: no terminal escape is needed, so any console clears it.
  std::fputs(("\r" + std::string(60, ' ') + "\r").c_str(), stderr);
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace cli
