// The receive path of the link on any chunk sequence in every exchange state:
// bytes go through the real port component (on a fake device) into the
// main window's data-received handler, replies carrying any address.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QTemporaryDir>

#include "app/TMain.h"
#include "fuzz/FuzzWindow.h"
#include "link/Frames.h"
#include "link/Link.h"
#include "tests/support/FakeSerialDevice.h"
#include "serial/GuiQueue.h"

namespace {

struct World {
  OffscreenApp app;
  QTemporaryDir data;  // where a write's backups go
  FuzzPrompter prompter;
  std::unique_ptr<TMain> main;
  tesra::FakeSerialDevice device;
  std::unique_ptr<Link> link;
  std::vector<std::string> chunks;
  std::size_t next = 0;

  World() {
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    tesra::GuiQueue::Main().SetGuiThread();
    tesra::GuiQueue::Main().SetWakeHook([] {
      QMetaObject::invokeMethod(qApp, [] { tesra::GuiQueue::Main().Drain(); }, Qt::QueuedConnection);
    });
    main = std::make_unique<TMain>(prompter);
    link = std::make_unique<Link>(main->Context(), main->EditorPart(), &device);
    link->CommPort.SetOpen(true);
    // Each delivery queues the next chunk before the handler takes the bytes,
    // so the reader fetches it at once instead of after the status pause.
    auto handler = link->CommPort.OnDataReceived;
    link->CommPort.OnDataReceived = [this, handler](tesra::TCommPort* port, std::uint32_t count) {
      if (next < chunks.size()) device.Feed(chunks[next++]);
      handler(port, count);
    };
  }
};

World& TheWorld() {
  static World w;
  return w;
}

bool Pump(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (std::chrono::steady_clock::now() < end) {
    QApplication::processEvents(QEventLoop::AllEvents, 2);
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return false;
}

// A reply of the controller's shape for a chosen address, or raw bytes.
std::string Chunk(FuzzedDataProvider& in) {
  if (in.ConsumeBool()) {
    std::string r = {0x00, 0x01, 0x26, 0x33};
    const auto address = in.ConsumeIntegral<std::uint16_t>();
    r += static_cast<char>(address >> 8);
    r += static_cast<char>(address & 0xFF);
    r += in.ConsumeBytesAsString(33);
    return r.substr(0, in.ConsumeIntegralInRange<std::size_t>(1, r.size()));
  }
  return in.ConsumeRandomLengthString(600);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& w = TheWorld();
  FuzzedDataProvider in(data, size);
  Link& link = *w.link;

  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: link.LinkState = Link::Idle; break;
    case 1: link.LinkState = Link::Probing; break;
    case 2: link.TBReadClick(); break;
    case 3: link.TBWriteClick(); break;
    default: link.LinkState = in.ConsumeIntegral<std::uint8_t>(); break;
  }
  w.chunks.clear();
  w.next = 0;
  const int n = in.ConsumeIntegralInRange(1, 6);
  for (int i = 0; i < n && in.remaining_bytes() > 0; ++i) {
    std::string c = Chunk(in);
    if (!c.empty()) w.chunks.push_back(std::move(c));
  }
  if (w.chunks.empty()) return 0;
  w.device.Feed(w.chunks[w.next++]);

  // Idle leaves bytes in the port's ring; everything else takes them.
  Pump([&] {
    return w.next == w.chunks.size() && w.device.InQueue() == 0 &&
           (link.LinkState == Link::Idle || link.CommPort.GetInBuffUsed() == 0);
  });
  if (link.Transfer.RxCount > tesra::kReplySize) std::abort();

  // Start the next input from a quiet port.
  link.LinkState = Link::Idle;
  link.CommPort.FlushInBuffer();
  link.Transfer.Abandon();
  w.device.TakeOutput();
  w.device.ClearLog();
  return 0;
}
