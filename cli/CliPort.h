// The port as the command line uses it: port n and the line settings under
// the connection dialog's names and defaults, the port component opened with
// the window's settings, and the list of ports with their probe.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QStringList>

#include "serial/MessageSink.h"
#include "serial/TCommPort.h"

class QCommandLineParser;

namespace cli {

struct LineSettings {
  int port = 0;  // 0: none given
  int baud = 9600;
  unsigned short dataBits = 8;
  tesra::TParity parity = tesra::paNone;
  tesra::TStopBits stopBits = tesra::sb1_0;
  bool checkCrc = true;
};

// --port (withPort), --baud, --data-bits, --parity, --stop-bits, --no-crc-check.
void AddLineOptions(QCommandLineParser& parser, bool withPort = true);
// Fails with kBadUse for a value the dialog does not offer, a missing --port
// or a port whose device does not exist.
LineSettings ReadLineSettings(const QCommandLineParser& parser, bool withPort = true);

// The port component opened on port n with the main window's settings; its
// data events run `onData` on this thread with what was taken from the port.
class OpenPort : private tesra::MessageSink {
 public:
  using DataHandler = std::function<void(const std::uint8_t* bytes, std::size_t n)>;
  // Fails with kBadUse when the port cannot be opened (missing, or in use).
  OpenPort(const LineSettings& line, DataHandler onData);
  ~OpenPort() override;
  OpenPort(const OpenPort&) = delete;
  OpenPort& operator=(const OpenPort&) = delete;

  void Send(const std::uint8_t* bytes, std::size_t n);
  // Takes whatever waits in the input without handing it to onData.
  std::vector<std::uint8_t> TakeWaiting();
  tesra::TCommPort& Port() { return port_; }

 private:
  void ShowMessage(Kind kind, const std::string& caption, const std::string& text) override;

  tesra::TCommPort port_;
  DataHandler onData_;
  std::string message_;
};

// Runs the event loop until done() holds or `ms` have passed; done() is
// tested whenever a port event or timer has run. True when done() held.
bool RunUntil(const std::function<bool()>& done, int ms);

// Port numbers 1..255 whose device exists now.
std::vector<int> ExistingPorts();
// Opens port n and sends the probe; true when the controller's positive
// reply came within the window's scan period.
bool ProbePort(const LineSettings& line);

int RunPorts(const QStringList& args);

}  // namespace cli
