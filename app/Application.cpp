#include "app/Application.h"

#include <chrono>
#include <exception>

#include <QFileInfo>

#include "app/DebugSwitch.h"
#include "controls/Prompter.h"
#include "app/TMain.h"
#include "diag/TDbg.h"
#include "diag/TFormPort.h"
#include "link/EventLoopQueue.h"
#include "link/TSetComPort.h"
#include "project/TFormProjectName.h"
#include "serial/GuiQueue.h"

#ifdef _WIN32
#include <windows.h>
#endif

TesraApplication::TesraApplication(int& argc, char** argv)
    : GivenArguments{ProgramArgumentText(argc, argv)}, QApplication(argc, argv) {
  // The name is the program's, for its desktop entry and about data; no
  // display name, as Qt would append it to every window's caption.
  setApplicationName(QStringLiteral("TesraConfig"));
  setDesktopFileName(QStringLiteral("tesraconfig"));
}

bool DeliverShowingErrors(const std::function<bool()>& deliver, Prompter* prompter) {
  QString text;
  try {
    return deliver();
  } catch (const std::exception& e) {
    text = QString::fromLocal8Bit(e.what());
  } catch (...) {
  }
  if (prompter) prompter->Message(BoxKind::Error, {}, text, BoxButtons::Ok);
  return false;
}

bool TesraApplication::notify(QObject* receiver, QEvent* event) {
  return DeliverShowingErrors([&] { return QApplication::notify(receiver, event); }, errorPrompter_);
}

BoxOwner::BoxOwner(WidgetPrompter& prompter, QWidget* owner) : prompter_(prompter) { prompter_.SetOwner(owner); }

BoxOwner::~BoxOwner() { prompter_.SetOwner(nullptr); }

QString ProjectFileArgument(const QStringList& arguments) {
  QStringList rest = arguments.mid(1);
  if (!rest.isEmpty() && rest.first() == QStringLiteral("-debug")) rest.removeFirst();
  return rest.join(QLatin1Char(' '));
}

void OpenProjectArgument(TMain& main, const QStringList& arguments) {
  const QString file = ProjectFileArgument(arguments);
  // The whole path with the toolkit's separators, as Открыть's dialog gives
  // it: the project's name in the caption and the save dialog is the same
  // whichever way the file was opened.
  if (!file.isEmpty()) main.ProjectPart().OpenProjectFile(QFileInfo(file).absoluteFilePath());
}

std::string ProgramArgumentText(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  return tesra::ArgumentTextFromCommandLine(GetCommandLineA());
#else
  return tesra::ArgumentTextFromArgs(argc, argv);
#endif
}

void KeepWindowsDrawnWhileWaiting(tesra::GuiQueue& queue) {
  queue.SetWaitHook(
      [] {
        // Only repaints: a timer or a click handled here could start or end a
        // port in the middle of a close.
        for (QWidget* w : QApplication::topLevelWidgets())
          if (w->isVisible()) w->repaint();
      },
      std::chrono::milliseconds(100));
}

int RunProgram(int argc, char** argv, const std::function<void(TMain&)>& windowsBuilt) {
  try {
    TesraApplication app(argc, argv);
    // The port's workers hand their events to this thread through the queue;
    // each post queues a drain on the event loop.
    tesra::DrainOnEventLoop(tesra::GuiQueue::Main());
    KeepWindowsDrawnWhileWaiting(tesra::GuiQueue::Main());
    WidgetPrompter prompter(nullptr);
    app.SetErrorPrompter(&prompter);
    // An error from a window's constructor is shown once the windows are
    // gone, in a box of its own.
    DeliverShowingErrors(
        [&] {
          TMain main(prompter);
          BoxOwner owner(prompter, &main);
          if (tesra::IsDebugSwitch(app.ArgumentText())) main.EnterDebugMode();
          TSetComPort setComPort(&main);
          TFormProjectName formProjectName(&main);
          TDbg dbg(&main);
          TFormPort formPort(&main);
          main.AttachWindows({&setComPort, &formProjectName, &dbg, &formPort});
          if (windowsBuilt) windowsBuilt(main);
          main.show();
          OpenProjectArgument(main, app.arguments());
          app.exec();
          return true;
        },
        &prompter);
    tesra::GuiQueue::Main().SetWakeHook(nullptr);
    tesra::GuiQueue::Main().SetWaitHook(nullptr, {});
  } catch (...) {
    // Nothing can be shown without the application object.
  }
  return 0;
}
