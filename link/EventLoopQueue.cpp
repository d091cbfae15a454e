#include "link/EventLoopQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>

#include "serial/GuiQueue.h"

namespace tesra {

namespace {
// Runs the queue's calls on the event loop's thread. The wake-up queues it by
// name, so the event that carries the call is made and freed inside the
// toolkit: nothing of ours crosses threads outside the queue's own lock.
class QueueDrainer : public QObject {
  Q_OBJECT

 public:
  QueueDrainer(GuiQueue& queue, QObject* parent) : QObject(parent), queue_(queue) {}
  Q_INVOKABLE void Drain() { queue_.Drain(); }

 private:
  GuiQueue& queue_;
};
}  // namespace

void DrainOnEventLoop(GuiQueue& queue) {
  queue.SetGuiThread();
  auto* drainer = new QueueDrainer(queue, QCoreApplication::instance());
  queue.SetWakeHook([drainer] { QMetaObject::invokeMethod(drainer, "Drain", Qt::QueuedConnection); });
}

}  // namespace tesra

#include "EventLoopQueue.moc"
