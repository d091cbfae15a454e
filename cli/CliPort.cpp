#include "cli/CliPort.h"

#include <array>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "cli/CliCommand.h"
#include "cli/CliOutput.h"
#include "link/Frames.h"
#include "link/TransferSequence.h"
#include "serial/PortDevice.h"

namespace cli {
namespace {

// The connection dialog's choices, by the names it shows.
const QStringList kParityNames = {"none", "odd", "even", "mark", "space"};
const QStringList kStopBitsNames = {"1", "1.5", "2"};
constexpr int kLastPort = 255;
// The window's scan period: how long a probe waits for its reply.
constexpr int kProbeWaitMs = 1000;
constexpr std::size_t kReceiveBufferSize = 512;

int Number(const QCommandLineParser& parser, const QString& name) {
  bool ok = false;
  const int value = parser.value(name).toInt(&ok);
  if (!ok) BadUse("Неверное значение --" + Utf8(name) + ": " + Utf8(parser.value(name)));
  return value;
}

}  // namespace

void AddLineOptions(QCommandLineParser& parser, bool withPort) {
  if (withPort) parser.addOption({QStringLiteral("port"), QStringLiteral("Номер порта n (COMn)."), QStringLiteral("N")});
  parser.addOptions({
      {QStringLiteral("baud"), QStringLiteral("Скорость (Speed), по умолчанию 9600."), QStringLiteral("RATE"),
       QStringLiteral("9600")},
      {QStringLiteral("data-bits"), QStringLiteral("Data width: 5..8, по умолчанию 8."), QStringLiteral("N"),
       QStringLiteral("8")},
      {QStringLiteral("parity"), QStringLiteral("Parity: none, odd, even, mark, space; по умолчанию none."),
       QStringLiteral("P"), QStringLiteral("none")},
      {QStringLiteral("stop-bits"), QStringLiteral("Stop bits: 1, 1.5, 2; по умолчанию 1."), QStringLiteral("S"),
       QStringLiteral("1")},
      {QStringLiteral("no-crc-check"), QStringLiteral("Не проверять контрольную сумму ответов.")},
  });
}

LineSettings ReadLineSettings(const QCommandLineParser& parser, bool withPort) {
  LineSettings line;
  if (withPort) {
    if (!parser.isSet(QStringLiteral("port"))) BadUse("Не указан порт: --port N");
    line.port = Number(parser, QStringLiteral("port"));
    if (line.port < 1 || line.port > kLastPort) BadUse("Неверный номер порта: " + std::to_string(line.port));
    if (!tesra::PortDeviceExists(line.port)) BadUse("Порт COM" + std::to_string(line.port) + " не существует");
  }
  line.baud = Number(parser, QStringLiteral("baud"));
  if (tesra::BaudRateOf(line.baud) < 0) BadUse("Неверная скорость: " + std::to_string(line.baud));
  const int data = Number(parser, QStringLiteral("data-bits"));
  if (data < 5 || data > 8) BadUse("Неверное число бит данных: " + std::to_string(data) + " (5..8)");
  line.dataBits = static_cast<unsigned short>(data);
  const auto parity = kParityNames.indexOf(parser.value(QStringLiteral("parity")).toLower());
  if (parity < 0) BadUse("Неверная четность: " + Utf8(parser.value(QStringLiteral("parity"))));
  line.parity = static_cast<tesra::TParity>(parity);
  const auto stop = kStopBitsNames.indexOf(parser.value(QStringLiteral("stop-bits")));
  if (stop < 0) BadUse("Неверное число стоп-бит: " + Utf8(parser.value(QStringLiteral("stop-bits"))));
  line.stopBits = static_cast<tesra::TStopBits>(stop);
  line.checkCrc = !parser.isSet(QStringLiteral("no-crc-check"));
  return line;
}

OpenPort::OpenPort(const LineSettings& line, DataHandler onData)
    : port_(nullptr, this), onData_(std::move(onData)) {
  // The window's settings of its port, then the line as the connection dialog sets it.
  tesra::TransferSequence::SetUpPort(port_);
  port_.SetComNumber(line.port);
  port_.SetBaud(line.baud);
  port_.SetDataBits(line.dataBits);
  port_.SetParity(line.parity);
  port_.SetStopBits(line.stopBits);
  port_.OnDataReceived = [this](tesra::TCommPort*, std::uint32_t) {
    std::array<std::uint8_t, kReceiveBufferSize> buffer{};
    for (unsigned long k; (k = port_.GetBlock(reinterpret_cast<char*>(buffer.data()), buffer.size())) > 0;)
      if (onData_) onData_(buffer.data(), k);
  };
  port_.SetOpen(true);
  if (!port_.IsEnabled())
    BadUse("Ошибка открытия COM " + std::to_string(line.port) + " !" + (message_.empty() ? "" : " " + message_));
}

OpenPort::~OpenPort() {
  port_.OnDataReceived = nullptr;
  port_.SetOpen(false);
}

void OpenPort::Send(const std::uint8_t* bytes, std::size_t n) {
  port_.PutBlock(reinterpret_cast<const char*>(bytes), static_cast<unsigned long>(n));
}

std::vector<std::uint8_t> OpenPort::TakeWaiting() {
  std::vector<std::uint8_t> taken;
  std::array<char, kReceiveBufferSize> buffer{};
  for (unsigned long k; (k = port_.GetBlock(buffer.data(), buffer.size())) > 0;)
    taken.insert(taken.end(), buffer.begin(), buffer.begin() + static_cast<long>(k));
  return taken;
}

void OpenPort::ShowMessage(Kind, const std::string& caption, const std::string& text) {
  message_ = caption + ": " + text;
}

bool RunUntil(const std::function<bool()>& done, int ms) {
  // The deadline's time-out wakes the loop even when nothing else happens.
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.start(ms);
  while (!done() && deadline.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return done();
}

std::vector<int> ExistingPorts() {
  std::vector<int> ports;
  for (int n = 1; n <= kLastPort; ++n)
    if (tesra::PortDeviceExists(n)) ports.push_back(n);
  return ports;
}

bool ProbePort(const LineSettings& line) {
  std::vector<std::uint8_t> reply;
  OpenPort port(line, [&](const std::uint8_t* bytes, std::size_t n) { reply.insert(reply.end(), bytes, bytes + n); });
  const tesra::ProbeFrame probe = tesra::BuildProbeFrame();
  port.Send(probe.data(), probe.size());
  // The answer is decided by its fourth byte.
  RunUntil([&] { return reply.size() >= 4; }, kProbeWaitMs);
  return tesra::IsProbeAck(reply.data(), reply.size());
}

int RunPorts(const QStringList& args) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Порты, которые есть сейчас: COMn и устройство. С --probe - ответ контроллера на каждом "
      "(статус 0, если контроллер ответил хотя бы на одном порту, иначе 1)."));
  AddLineOptions(parser, false);
  parser.addOption({QStringLiteral("probe"), QStringLiteral("Спросить контроллер на каждом порту.")});
  ParseCommand(parser, args, 0, 0);
  const bool probe = parser.isSet(QStringLiteral("probe"));
  LineSettings line = ReadLineSettings(parser, false);
  bool answered = false;
  for (const int n : ExistingPorts()) {
    std::string text = "COM" + std::to_string(n) + "\t" + tesra::DevicePathForPort(n);
    if (probe) {
      line.port = n;
      try {
        const bool yes = ProbePort(line);
        text += yes ? "\tконтроллер отвечает" : "\tнет ответа";
        answered = answered || yes;
      } catch (const Failure& f) {
        text += "\t" + f.line;  // busy, or gone since the list was made
      }
    }
    OutLine(text);
  }
  return !probe || answered ? kOk : kNo;
}

}  // namespace cli
