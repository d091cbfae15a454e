#include "link/Link.h"

#include <algorithm>

#include <QCheckBox>
#include <QFrame>
#include <QMainWindow>
#include <QProgressBar>
#include <QStringList>
#include <QTimer>
#include <QToolButton>

#include "controls/MainContext.h"
#include "controls/MainControls.h"
#include "controls/Prompter.h"
#include "editor/Editor.h"
#include "config/HexText.h"
#include "diag/TFormPort.h"
#include "link/TFormCompare.h"
#include "link/TSetComPort.h"
#include "project/BackupPlace.h"
#include "project/Backups.h"
#include "project/ProjectCommands.h"
#include "plan/WindowPlan.h"

#include "serial/PortDevice.h"

namespace {
const QString kNotConnected = QStringLiteral("Нет подключения");
const QString kConnectedOn = QStringLiteral("Подключено на COM ");
constexpr std::size_t kReceiveBufferSize = 512;
constexpr int kBlockProgress = 32;

}  // namespace

void PrompterMessageSink::ShowMessage(Kind kind, const std::string& caption, const std::string& text) {
  if (!prompter_) return;
  prompter_->Message(kind == Kind::Error ? BoxKind::Error : BoxKind::Warning, QString::fromStdString(caption),
                     QString::fromStdString(text), BoxButtons::Ok);
}

Link::Link(MainContext& ctx, Editor& editor, tesra::SerialDevice* device)
    : sink_(ctx.Prompts), CommPort(device, &sink_), ctx_(ctx), editor_(editor) {
  tesra::TransferSequence::SetUpPort(CommPort);
  CommPort.OnDataReceived = [this](tesra::TCommPort* sender, std::uint32_t count) {
    CommPortDataReceived(sender, count);
  };
  transferTimer_ = std::make_unique<QTimer>();
  transferTimer_->setSingleShot(true);
  QObject::connect(transferTimer_.get(), &QTimer::timeout, [this] {
    // The line went quiet after part of a probe reply.
    if (LinkState == Probing && !probeReply_.empty()) return JudgeProbeReply();
    // A window closing sets Idle without asking the exchange.
    if (LinkState == Reading || LinkState == Writing)
      Transfer.OnTimer();
    else
      Sequence.Abandon();
  });
  Sequence.On.stepStarted = [this](tesra::TransferStep step) { ShowStep(step); };
  Sequence.On.blockDone = [this](tesra::TransferStep, unsigned) {
    c().ProgressBar->setValue(std::min(c().ProgressBar->value() + kBlockProgress, c().ProgressBar->maximum()));
  };
  Sequence.On.echoUnconfirmed = [this](unsigned) {
    if (ctx_.Prompts) ctx_.Prompts->Plain(QStringLiteral("Compare Erorr !!!"));
  };
  Sequence.On.saveBackup = [this](const tesra::ConfigImage& controller) { return SaveBackup(controller); };
  Sequence.On.finished = [this](const tesra::TransferOutcome& outcome) { TransferFinished(outcome); };
  if (c().Timer) {
    c().Timer->stop();
    c().Timer->setInterval(kTimerInterval);
    timerBinding_ = QObject::connect(c().Timer, &QTimer::timeout, [this] { TimerTimer(); });
  }
}

Link::~Link() {
  QObject::disconnect(timerBinding_);
  // A close can still hand over a data-received event; the window around it is going.
  LinkState = Idle;
  Sequence.Abandon();
  ctx_.ProjectHeld = false;
  CommPort.OnDataReceived = nullptr;
  CommPort.SetOpen(false);
}

MainControls& Link::c() const { return *ctx_.Controls; }

void Link::AttachWindows(TSetComPort* setComPort, TFormPort* formPort) {
  setComPort_ = setComPort;
  formPort_ = formPort;
  if (setComPort_) setComPort_->SetTargets(&PortNumber, &CommPort, &CheckReplyCrc);
}

void Link::SetTimerInterval(int ms) {
  if (c().Timer) c().Timer->setInterval(ms);
}

bool Link::Automatic() const { return setComPort_ && setComPort_->AutomaticPort(); }

void Link::StartTimer() {
  // Enabling a running timer leaves its period alone.
  if (c().Timer && !c().Timer->isActive()) c().Timer->start();
}

void Link::LogFrame(const std::uint8_t* bytes, std::size_t n, bool received) {
  if (formPort_)
    formPort_->LogFrame(bytes, n, received ? TFormPort::Direction::Received : TFormPort::Direction::Sent,
                        PortNumber);
}

void Link::LogLine(const QString& line) {
  if (formPort_) formPort_->AddLine(line);
}

void Link::Send(const std::uint8_t* bytes, std::size_t n) {
  LogFrame(bytes, n, false);
  CommPort.PutBlock(reinterpret_cast<const char*>(bytes), static_cast<unsigned long>(n));
}

void Link::ShowDisconnected() {
  StopTransfer();
  if (c().Timer) c().Timer->stop();
  c().TBFind->setChecked(false);
  c().SetStatusPanelText(0, kNotConnected);
  c().TBFind->setText(QStringLiteral("Подключить"));
  SetConnectedButtons(false);
  c().PanelScan->hide();
}

void Link::SetConnectedButtons(bool enabled) {
  c().TBRead->setEnabled(enabled);
  c().TBWrite->setEnabled(enabled);
  c().TBCompare->setEnabled(enabled);
}

void Link::TBFindClick() {
  if (c().TBFind->isChecked()) {
    const int result = setComPort_ && ctx_.Prompts ? ctx_.Prompts->ExecModal(*setComPort_) : 0;
    if (result == 1) {
      c().PanelScan->show();
      ScanPort();
    } else {
      c().TBFind->setChecked(false);
    }
    return;
  }
  if (!ConfirmStopWrite()) {
    c().TBFind->setChecked(true);
    return;
  }
  if (c().Timer) c().Timer->stop();
  StopTransfer();
  CommPort.SetOpen(false);
  c().SetStatusPanelText(0, kNotConnected);
  c().TBFind->setText(QStringLiteral("Подключить"));
  SetConnectedButtons(false);
  c().PanelScan->hide();
}

// The same device name as the port's open, so that ports above 9 are found
// on Windows too.
bool Link::PortExists(int n) { return tesra::PortDeviceExists(n); }

void Link::ScanPort() {
  const int n = PortNumber;
  c().SetPanelScanCaption(QStringLiteral("Сканирование порта COM") + QString::number(n));
  LinkState = Probing;
  const tesra::ProbeFrame probe = tesra::BuildProbeFrame();
  if (PortExists(n)) {
    CommPort.SetComNumber(n);
    CommPort.SetOpen(true);
    DropWaiting();
    probeReply_.clear();
    transferTimer_->stop();
    Send(probe.data(), probe.size());
    StartTimer();
  } else if (Automatic()) {
    StartTimer();
  } else {
    c().PanelScan->hide();
    if (c().Timer) c().Timer->stop();
    if (ctx_.Prompts)
      ctx_.Prompts->Plain(QStringLiteral("Ошибка открытия COM ") + QString::number(n) + QStringLiteral(" !"));
    c().TBFind->setChecked(false);
  }
}

void Link::TimerTimer() {
  // The number stays at the last port tried, so a late reply names it.
  if (LinkState == Probing && Automatic() && PortNumber < kLastPort) {
    ++PortNumber;
    ScanPort();
    return;
  }
  if (c().Timer) c().Timer->stop();
}

void Link::CommPortDataReceived(tesra::TCommPort*, std::uint32_t) {
  if (c().Timer) c().Timer->stop();
  if (LinkState == Idle) return;
  std::array<std::uint8_t, kReceiveBufferSize> buffer{};
  const unsigned long k = CommPort.GetBlock(reinterpret_cast<char*>(buffer.data()), buffer.size());
  if (k == 0) return;

  if (LinkState == Probing) {
    c().PanelScan->hide();
    LogFrame(buffer.data(), k, true);
    // A first chunk that holds byte 3 is judged at once. A shorter one is the
    // front of a reply a slow line splits: what follows is gathered until the
    // line is quiet, so a controller that answered is not taken for one that
    // did not. A reply that stays short is still negative.
    const bool gathering = !probeReply_.empty();
    probeReply_.insert(probeReply_.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(k));
    if (!gathering && probeReply_.size() >= 4)
      JudgeProbeReply();
    else
      transferTimer_->start(static_cast<int>(tesra::Exchange::kMinSettleMs));
    return;
  }
  // Everything waiting is taken, so what arrived with a failed reply goes with it.
  for (unsigned long n = k; n > 0 && (LinkState == Reading || LinkState == Writing);
       n = CommPort.GetBlock(reinterpret_cast<char*>(buffer.data()), buffer.size()))
    Transfer.OnData(buffer.data(), n);
}

void Link::JudgeProbeReply() {
  transferTimer_->stop();
  const bool ack = tesra::IsProbeAck(probeReply_.data(), probeReply_.size());
  probeReply_.clear();
  if (ack) {
    const QString text = kConnectedOn + QString::number(PortNumber);
    if (ctx_.Prompts) ctx_.Prompts->Information(text);
    c().SetStatusPanelText(0, text);
    SetConnectedButtons(true);
  } else if (ctx_.Prompts) {
    ctx_.Prompts->Error(QStringLiteral("Ошибка подключения !"));
  }
  LinkState = Idle;
}

// The exchange logs its frames itself.
void Link::PutBlock(const std::uint8_t* bytes, std::size_t n) {
  CommPort.PutBlock(reinterpret_cast<const char*>(bytes), static_cast<unsigned long>(n));
}

void Link::Start(unsigned ms) { transferTimer_->start(static_cast<int>(ms)); }

void Link::Stop() { transferTimer_->stop(); }

void Link::Frame(const std::uint8_t* bytes, std::size_t n, bool received) { LogFrame(bytes, n, received); }

void Link::Line(const std::string& line) { LogLine(QString::fromStdString(line)); }

void Link::StartTransfer(bool writing) {
  HoldProject(writing);
  tesra::TransferSequence::PrepareExchange(Transfer, CommPort, CheckReplyCrc);
}

void Link::StopTransfer() {
  Sequence.Abandon();
  ReleaseProject();
}

void Link::HoldProject(bool writing) {
  if (!ctx_.ProjectHeld) {
    newEnabled_ = c().TBNew->isEnabled();
    openEnabled_ = c().TBOpen->isEnabled();
  }
  ctx_.ProjectHeld = true;
  // The panels, not each control: the editor's own enable rules stay as they are underneath.
  c().Panel17->setEnabled(false);
  c().Panel12->setEnabled(false);
  c().TBNew->setEnabled(false);
  c().TBOpen->setEnabled(false);
  // A write is not restarted nor replaced halfway: it is asked about (ConfirmStopWrite).
  if (writing) SetConnectedButtons(false);
}

void Link::ReleaseProject() {
  if (!ctx_.ProjectHeld) return;
  ctx_.ProjectHeld = false;
  c().Panel17->setEnabled(true);
  c().Panel12->setEnabled(true);
  c().TBNew->setEnabled(newEnabled_);
  c().TBOpen->setEnabled(openEnabled_);
  // Still connected: the port is closed only after the transfer is stopped.
  SetConnectedButtons(CommPort.GetOpen());
}

bool Link::ConfirmStopWrite() {
  if (!Sequence.Writing()) return true;
  if (ctx_.Prompts &&
      !ctx_.Prompts->ConfirmOkCancel(QStringLiteral("Запись в контроллер не закончена. Прервать запись?")))
    return false;
  // The write may have ended while the question was open.
  Sequence.Interrupt();
  return true;
}

void Link::ShowStep(tesra::TransferStep step) {
  c().SetPanelScanCaption(QString::fromStdString(tesra::StepCaption(step)));
  c().PanelScan->show();
  c().ProgressBar->setValue(0);
}

QString Link::BackupFolder() { return tesra::BackupFolder(); }

tesra::BackupResult Link::SaveBackup(const tesra::ConfigImage& controller) {
  tesra::BackupResult result;
  result.saved = tesra::SaveBackup(std::filesystem::path(BackupFolder().toStdU16String()),
                                   tesra::BackupStemNow(PortNumber), controller, ShownMessageTimes(c()),
                                   result.failed);
  return result;
}

void Link::TransferFinished(const tesra::TransferOutcome& outcome) {
  using Kind = tesra::TransferOutcome::Kind;
  ReleaseProject();
  c().PanelScan->hide();
  LinkState = Idle;
  tesra::TransferOutcome o = outcome;
  // Only what the window shows may be called written, whatever changed it meanwhile.
  if (o.kind == Kind::WriteVerified && ctx_.Image.bytes != Sequence.Written().bytes) {
    o.kind = Kind::WriteDiffers;
    o.differences = tesra::ImageDifferences(ctx_.Image, o.image);
  }
  const QString status = QString::fromStdString(tesra::OutcomeStatusText(o));
  switch (o.kind) {
    case Kind::Read: return ShowReadImage(o.image);
    case Kind::Compared:
      if (o.differences.empty()) {
        CloseDifferences();
        if (ctx_.Prompts) ctx_.Prompts->Information(QStringLiteral("Конфигурация контроллера совпадает с проектом"));
        return;
      }
      return ShowDifferences(QStringLiteral("Сравнение с контроллером"), o.differences);
    case Kind::WriteVerified:
    case Kind::WriteDiffers:
      c().TBSave->setEnabled(true);
      c().TBReport->setEnabled(true);
      c().SetStatusPanelText(1, status);
      if (o.kind == Kind::WriteDiffers)
        ShowDifferences(status, o.differences);
      else
        CloseDifferences();
      return;
    case Kind::Stopped: return;
    default:
      if (!status.isEmpty()) c().SetStatusPanelText(1, status);
      if (!ctx_.Prompts) return;
      // The failed block first, then what it means for the controller.
      if (o.kind == Kind::CutShort && o.failure) ctx_.Prompts->Error(QString::fromStdString(tesra::FailureText(o)));
      ctx_.Prompts->Error(QString::fromStdString(tesra::OutcomeErrorText(o)));
      return;
  }
}

void Link::DropWaiting() {
  // A late echo of a write cut short is no answer to the probe. Counted, not
  // shown byte by byte: a flood of noise must not hold the probe up.
  const unsigned long waiting = CommPort.GetInBuffUsed();
  CommPort.FlushInBuffer();
  if (waiting > 0) LogLine(QStringLiteral("drop ") + QString::fromStdString(tesra::Hex4(static_cast<unsigned>(waiting))));
}

void Link::CloseDifferences() {
  if (compare_ && compare_->isVisible()) compare_->close();
}

void Link::ShowDifferences(const QString& title, const std::vector<tesra::FieldDifference>& differences) {
  if (!compare_) compare_ = new TFormCompare(c().Window);
  compare_->ShowDifferences(title, differences);
}

void Link::ShowReadImage(const tesra::ConfigImage& image) {
  // Only a complete read reaches the project, and as one change.
  ctx_.Image = image;
  ctx_.ImageChanged();
  c().PanelScan->hide();
  LinkState = Idle;
  c().TBSave->setEnabled(true);
  c().TBReport->setEnabled(true);
  ctx_.CurrentProject.clear();
  ctx_.ShowProjectCaption();
  editor_.ShowSystemSection();
  editor_.SpeedButton1Click(c().SpeedButton1);
  for (QCheckBox* box : {c().CheckBox180, c().CheckBox181, c().CheckBox182, c().CheckBox183, c().CheckBox184,
                         c().CheckBox185, c().CheckBox186})
    if (box && EnabledByRules(box)) editor_.CheckBox180Click(box);
  if (ctx_.ProjectReplaced) ctx_.ProjectReplaced({});
}

void Link::TBReadClick() {
  if (ctx_.SavedFlag == 0 && ctx_.Prompts &&
      !ctx_.Prompts->ConfirmOkCancel(QStringLiteral("Текущий проект конфигурации будет изменен!\n\tПродолжить?")))
    return;
  LinkState = Reading;
  StartTransfer(false);
  Sequence.StartRead();
}

void Link::TBCompareClick() {
  LinkState = Reading;
  StartTransfer(false);
  Sequence.StartCompare(ctx_.Image);
}

void Link::TBWriteClick() {
  if (ctx_.Prompts &&
      !ctx_.Prompts->ConfirmOkCancel(
          QStringLiteral("Текущие настройки конфигурации контроллера будут изменены!\n\tПродолжить?")))
    return;
  if (!ConfirmWriteAfterCheck(ctx_)) return;
  StartVerifiedWrite();
}

void Link::StartVerifiedWrite() {
  c().SetStatusPanelText(1, QString());
  LinkState = Writing;
  StartTransfer(true);
  // The project as it is now is what gets written and what the read-back must show.
  Sequence.StartWrite(ctx_.Image);
}
