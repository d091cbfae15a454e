// The five workers of an open TCommPort. The three device workers move bytes
// and watch the device; the two event workers only hand notifications to the
// GUI thread, so that no device worker ever waits for the GUI.
#pragma once

#include <cstdint>

#include "serial/SerialDevice.h"
#include "serial/TCommPort.h"
#include "serial/TThread.h"

namespace tesra {

class TWriteThread final : public TThread {
 public:
  explicit TWriteThread(TCommPort* owner);
  ~TWriteThread() override;

 private:
  void Execute() override;
  // False when the device failed; the caller backs off.
  bool WritePass();

  SerialDevice* ComHandle;
  TCommPort* OwnerPort;
};

class TReadThread final : public TThread {
 public:
  explicit TReadThread(TCommPort* owner);
  ~TReadThread() override;

 private:
  void Execute() override;
  bool FetchPass();

  TCommPort* OwnerPort;
  SerialDevice* ComHandle;
};

class TStatusThread final : public TThread {
 public:
  TStatusThread(TCommPort* owner, TEventStates events);
  ~TStatusThread() override;

 private:
  void Execute() override;
  bool TakeModemSnapshot();

  TCommPort* OwnerPort;
  SerialDevice* ComHandle;
  std::uint32_t mask_;
};

class TReadEventThread final : public TThread {
 public:
  explicit TReadEventThread(TCommPort* owner);
  ~TReadEventThread() override;

 private:
  void Execute() override;
  TCommPort* OwnerPort;
};

class TStatusEventThread final : public TThread {
 public:
  explicit TStatusEventThread(TCommPort* owner);
  ~TStatusEventThread() override;

 private:
  void Execute() override;
  TCommPort* OwnerPort;
};

}  // namespace tesra
