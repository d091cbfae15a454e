// Helpers of the serial tests: a message sink that records, a component
// wired to a fake device and a queue of its own, and a pump for the GUI side.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/FakeSerialDevice.h"
#include "serial/GuiQueue.h"
#include "serial/MessageSink.h"
#include "serial/TCommPort.h"

namespace tesra {

struct TCommPortTestAccess {
  static char* OutBuffer(TCommPort& p) { return p.OutBuffer.get(); }
  static char* InBuffer(TCommPort& p) { return p.InBuffer.get(); }
  static bool WriteRequested(TCommPort& p) { return p.WriteRequest.IsSet(); }
  static void ClearWriteRequest(TCommPort& p) { p.WriteRequest.Reset(); }
};

struct RecordingSink : MessageSink {
  struct Shown {
    Kind kind;
    std::string caption, text;
  };
  std::vector<Shown> shown;
  void ShowMessage(Kind kind, const std::string& caption, const std::string& text) override {
    shown.push_back({kind, caption, text});
  }
};

// Runs the GUI hand-offs until pred() holds; false after `limit`.
inline bool PumpUntil(GuiQueue& q, const std::function<bool()>& pred,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    q.Drain();
    if (pred()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

inline void PumpFor(GuiQueue& q, std::chrono::milliseconds span) {
  PumpUntil(q, [] { return false; }, span);
}

// A component on a fake device, with this thread as its GUI thread.
struct FakePortFixture : ::testing::Test {
  GuiQueue queue;
  FakeSerialDevice device;
  RecordingSink sink;
  std::unique_ptr<TCommPort> port;
  void SetUp() override {
    queue.SetGuiThread();
    port = std::make_unique<TCommPort>(&device, &sink, &queue);
  }
  void TearDown() override {
    // The handlers of a test capture its locals; the closing destructor may raise events.
    for (auto* slot : {&port->OnCTSSignal, &port->OnDCDSignal, &port->OnDSRSignal, &port->OnRxDSignal,
                       &port->OnRxEventSignal, &port->OnTxDSignal, &port->OnRingSignal,
                       &port->OnBreakSignal, &port->OnClose})
      *slot = nullptr;
    port->OnErrorSignal = nullptr;
    port->OnOpen = nullptr;
    port->OnDataReceived = nullptr;
    port.reset();
    queue.Drain();
  }
  void OpenWith(std::uint32_t in, std::uint32_t out) {
    port->SetIBuffSize(in);
    port->SetOBuffSize(out);
    port->SetOpen(true);
    ASSERT_TRUE(port->GetOpen());
  }
};

}  // namespace tesra
