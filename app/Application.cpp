#include "app/Application.h"

#include <exception>

#include "app/DebugSwitch.h"
#include "app/Prompter.h"
#include "app/TMain.h"
#include "diag/TDbg.h"
#include "diag/TFormPort.h"
#include "link/TSetComPort.h"
#include "project/TFormProjectName.h"
#include "serial/GuiQueue.h"

#ifdef _WIN32
#include <windows.h>
#endif

TesraApplication::TesraApplication(int& argc, char** argv) : QApplication(argc, argv) {
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

void TesraApplication::ShowEscapedError(const QString& text) {
  if (errorPrompter_) errorPrompter_->Message(BoxKind::Error, {}, text, BoxButtons::Ok);
}

namespace {
std::string ProgramArgumentText(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  return tesra::ArgumentTextFromCommandLine(GetCommandLineA());
#else
  return tesra::ArgumentTextFromArgs(argc, argv);
#endif
}
}  // namespace

int RunProgram(int argc, char** argv) {
  try {
    TesraApplication app(argc, argv);
    // The port's workers hand their events to this thread through the queue;
    // each post queues a drain on the event loop.
    tesra::GuiQueue::Main().SetGuiThread();
    tesra::GuiQueue::Main().SetWakeHook([] {
      QMetaObject::invokeMethod(qApp, [] { tesra::GuiQueue::Main().Drain(); }, Qt::QueuedConnection);
    });
    WidgetPrompter prompter(nullptr);
    app.SetErrorPrompter(&prompter);
    try {
      TMain main(prompter);
      prompter.SetOwner(&main);
      if (tesra::IsDebugSwitch(ProgramArgumentText(argc, argv))) main.EnterDebugMode();
      TSetComPort setComPort(&main);
      TFormProjectName formProjectName(&main);
      TDbg dbg(&main);
      TFormPort formPort(&main);
      main.AttachWindows({&setComPort, &formProjectName, &dbg, &formPort});
      main.show();
      app.exec();
    } catch (const std::exception& e) {
      app.ShowEscapedError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
      app.ShowEscapedError(QString());
    }
    tesra::GuiQueue::Main().SetWakeHook(nullptr);
  } catch (...) {
    // Nothing can be shown without the application object.
  }
  return 0;
}
