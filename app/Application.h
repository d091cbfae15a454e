// Program start-up: the five windows in their order, the message loop, and
// the standard error box for an exception that escapes a handler.
#pragma once

#include <functional>
#include <string>

#include <QApplication>
#include <QStringList>

class Prompter;
class TMain;
class WidgetPrompter;

// The program's argument text, read from the process's arguments as they
// were given (on Windows from the command line itself).
std::string ProgramArgumentText(int argc, char** argv);

// "tesraconfig [-debug] [FILE.usr]": the project file named by the arguments
// after the program name and a first "-debug", as the toolkit gives them
// (Explorer's quoted "%1" is one argument). An unquoted path with blanks
// comes as several and is joined again. Empty when none is named.
QString ProjectFileArgument(const QStringList& arguments);
// Opens the project file named on the command line, if any, as Открыть opens
// it (a relative path from the current folder): a file that cannot be read
// gets Open's error box, and the program goes on with its empty project.
void OpenProjectArgument(TMain& main, const QStringList& arguments);

namespace detail {
// A base constructed before the toolkit's application object, which takes
// its own options ("-style Fusion") out of argv.
struct GivenArguments {
  std::string argumentText;
};
}  // namespace detail

class TesraApplication : private detail::GivenArguments, public QApplication {
 public:
  TesraApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
  void SetErrorPrompter(Prompter* p) { errorPrompter_ = p; }
  // The argument text as given, toolkit options included: "-debug" must be
  // the whole of it.
  const std::string& ArgumentText() const { return argumentText; }

 private:
  Prompter* errorPrompter_ = nullptr;
};

// Makes a window the owner of the message boxes while the guard lives.
// Declared right after the window, it ends before the window does, so a box
// shown for an error that destroyed the window is never built from it.
class BoxOwner {
 public:
  BoxOwner(WidgetPrompter& prompter, QWidget* owner);
  ~BoxOwner();
  BoxOwner(const BoxOwner&) = delete;
  BoxOwner& operator=(const BoxOwner&) = delete;

 private:
  WidgetPrompter& prompter_;
};

// Runs a delivery; an error that escapes it is shown in an error box with its
// text (an unknown error with an empty text) and the result is false.
bool DeliverShowingErrors(const std::function<bool()>& deliver, Prompter* prompter);

// Runs the whole program; returns 0 in every case.
namespace tesra {
class GuiQueue;
}
// While the queue's GUI thread waits for a port's workers (a close waiting
// seconds for a slow line), the visible windows are repainted ten times a
// second; no other event is handled meanwhile.
void KeepWindowsDrawnWhileWaiting(tesra::GuiQueue& queue);

class TMain;
// `windowsBuilt`, for tests: runs once every window is built, before the main
// window shows; what it throws goes the way of a window constructor's error.
int RunProgram(int argc, char** argv, const std::function<void(TMain&)>& windowsBuilt = {});
