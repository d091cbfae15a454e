// The port's workers hand their events to the thread of the running event
// loop through the GUI queue; this ties the two together.
#pragma once

namespace tesra {
class GuiQueue;

// Records the calling thread (the event loop's) as the queue's GUI thread, and
// makes each post queue one drain on the loop. SetWakeHook(nullptr) undoes
// it before the application object goes.
void DrainOnEventLoop(GuiQueue& queue);
}  // namespace tesra
