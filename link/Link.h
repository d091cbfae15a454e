// The controller link of the main window: connecting through the connection
// dialog (probe of one port or a scan over 1..255), disconnecting, and reading
// and writing the configuration block by block. One exchange at a time, told
// apart by LinkState; all of it runs on the GUI thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QMetaObject>
#include <QString>

#include "config/ImageDifferences.h"
#include "link/Exchange.h"
#include "link/Frames.h"
#include "link/TransferSequence.h"
#include "serial/MessageSink.h"
#include "serial/TCommPort.h"

class Editor;
class Prompter;
class TFormCompare;
class TFormPort;
class TSetComPort;
struct MainContext;
class MainControls;

// The port component's messages as the program's own boxes.
class PrompterMessageSink : public tesra::MessageSink {
 public:
  explicit PrompterMessageSink(Prompter*& prompter) : prompter_(prompter) {}
  void ShowMessage(Kind kind, const std::string& caption, const std::string& text) override;

 private:
  Prompter*& prompter_;
};

class QTimer;

class Link : private tesra::ExchangeSender, private tesra::ExchangeTimer, private tesra::ExchangeLog {
 public:
  enum : std::uint8_t { Idle = 0, Probing = 1, Writing = 2, Reading = 3 };
  static constexpr int kTimerInterval = 1000;
  static constexpr int kLastPort = 255;

  // `device` null: the platform's serial device, mapped by port number.
  Link(MainContext& ctx, Editor& editor, tesra::SerialDevice* device = nullptr);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // The connection dialog (its automatic box is read at every tick) and the
  // traffic log; either may be null.
  void AttachWindows(TSetComPort* setComPort, TFormPort* formPort);
  // The scan period; the program keeps kTimerInterval, tests shorten it.
  void SetTimerInterval(int ms);

  void TBFindClick();
  void ScanPort();
  static bool PortExists(int n);
  void TimerTimer();
  void CommPortDataReceived(tesra::TCommPort* sender, std::uint32_t count);
  void TBReadClick();
  // Reads the controller into a copy of its own and shows how it differs
  // from the project; the project is left as it is.
  void TBCompareClick();
  // A write is a backup read, the write, and a read-back that decides.
  void TBWriteClick();
  // The folder of the backups taken before each write.
  static QString BackupFolder();
  // The differences window, made on first use; null before.
  TFormCompare* CompareWindow() const { return compare_; }
  // The end of a complete read: the image becomes the project's as one
  // change, a project without a name, and the window shows it.
  void ShowReadImage(const tesra::ConfigImage& image);
  // During a write, asks whether to cut it short ("Запись в контроллер не
  // закончена. Прервать запись?"); OK cuts it short and says so, Cancel
  // (false) lets it go on.
  bool ConfirmStopWrite();
  // The disconnected look: TBFind up, "Нет подключения", TBRead/TBWrite/TBCompare
  // disabled, PanelScan hidden, Timer stopped.
  void ShowDisconnected();

 private:
  PrompterMessageSink sink_;

 public:
  std::uint8_t LinkState = Idle;
  int PortNumber = 1;
  // Whether replies' CRC-8 is compared; set by the connection dialog.
  bool CheckReplyCrc = true;
  tesra::TCommPort CommPort;
  // The read and write exchange: RxFrame, RxCount, the request buffers.
  tesra::Exchange Transfer{*this, *this, *this};
  // The read, the comparison and the verified write over Transfer.
  tesra::TransferSequence Sequence{Transfer};

 private:
  MainControls& c() const;
  bool Automatic() const;
  void StartTimer();
  void Send(const std::uint8_t* bytes, std::size_t n);
  void LogFrame(const std::uint8_t* bytes, std::size_t n, bool received);
  void LogLine(const QString& line);
  void StartTransfer(bool writing);
  void StopTransfer();
  // Holds the project still while the controller is busy, and lets it go.
  void HoldProject(bool writing);
  void ReleaseProject();
  void ShowStep(tesra::TransferStep step);
  void SetConnectedButtons(bool enabled);
  void StartVerifiedWrite();
  tesra::BackupResult SaveBackup(const tesra::ConfigImage& controller);
  void TransferFinished(const tesra::TransferOutcome& outcome);
  void CloseDifferences();
  // What waits in the input before a probe: logged and dropped.
  void DropWaiting();
  // Judges the probe's reply as gathered, and ends the probe.
  void JudgeProbeReply();
  void ShowDifferences(const QString& title, const std::vector<tesra::FieldDifference>& differences);

  // The exchange's line, clock and log.
  void PutBlock(const std::uint8_t* bytes, std::size_t n) override;
  void Start(unsigned ms) override;
  void Stop() override;
  void Frame(const std::uint8_t* bytes, std::size_t n, bool received) override;
  void Line(const std::string& line) override;

  MainContext& ctx_;
  Editor& editor_;
  TSetComPort* setComPort_ = nullptr;
  TFormPort* formPort_ = nullptr;
  QMetaObject::Connection timerBinding_;
  std::unique_ptr<QTimer> transferTimer_;
  // The probe's reply while it comes in more than one chunk.
  std::vector<std::uint8_t> probeReply_;
  TFormCompare* compare_ = nullptr;
  // Создать and Открыть as they were when the hold began.
  bool newEnabled_ = true;
  bool openEnabled_ = true;
};
