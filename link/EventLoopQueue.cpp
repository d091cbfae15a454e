#include "link/EventLoopQueue.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "serial/GuiQueue.h"

namespace tesra {

void DrainOnEventLoop(GuiQueue& queue) {
  queue.SetGuiThread();
  queue.SetWakeHook([&queue] {
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&queue] { queue.Drain(); }, Qt::QueuedConnection);
  });
}

}  // namespace tesra
