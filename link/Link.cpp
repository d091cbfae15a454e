#include "link/Link.h"

#include <algorithm>

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFrame>
#include <QMainWindow>
#include <QProgressBar>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QToolButton>

#include "app/controls/MainContext.h"
#include "app/controls/MainControls.h"
#include "app/controls/Prompter.h"
#include "config/Editor.h"
#include "config/HexText.h"
#include "diag/TFormPort.h"
#include "link/TFormCompare.h"
#include "link/TSetComPort.h"
#include "project/Backups.h"
#include "plan/WindowPlan.h"

#include "serial/PortDevice.h"

namespace {
const QString kNotConnected = QStringLiteral("Нет подключения");
const QString kConnectedOn = QStringLiteral("Подключено на COM ");
constexpr std::size_t kReceiveBufferSize = 512;
constexpr int kBlockProgress = 32;

QString Hex4(unsigned value) { return QString::fromStdString(tesra::Hex4(value)); }
}  // namespace

void PrompterMessageSink::ShowMessage(Kind kind, const std::string& caption, const std::string& text) {
  if (!prompter_) return;
  prompter_->Message(kind == Kind::Error ? BoxKind::Error : BoxKind::Warning, QString::fromStdString(caption),
                     QString::fromStdString(text), BoxButtons::Ok);
}

Link::Link(MainContext& ctx, Editor& editor, tesra::SerialDevice* device)
    : sink_(ctx.Prompts), CommPort(device, &sink_), ctx_(ctx), editor_(editor) {
  // The main window's settings of its port, applied while it is closed.
  CommPort.SetComNumber(1);
  CommPort.SetIBuffSize(2048);
  CommPort.SetOBuffSize(4096);
  CommPort.SetBaud(9600);
  CommPort.SetBaudRate(tesra::cbr9600);
  CommPort.SetDataBits(8);
  CommPort.MonitorEvents = tesra::EventSet({tesra::evRxChar, tesra::evTxEmpty, tesra::evCTS, tesra::evDSR,
                                            tesra::evRlsd, tesra::evBreak, tesra::evRing});
  CommPort.SetXoffLim(1024);
  CommPort.SetXonChar(0x11);
  CommPort.SetXoffChar(0x13);
  CommPort.OnDataReceived = [this](tesra::TCommPort* sender, std::uint32_t count) {
    CommPortDataReceived(sender, count);
  };
  transferTimer_ = std::make_unique<QTimer>();
  transferTimer_->setSingleShot(true);
  QObject::connect(transferTimer_.get(), &QTimer::timeout, [this] {
    // A window closing sets Idle without asking the exchange.
    if (LinkState == Reading || LinkState == Writing)
      Transfer.OnTimer();
    else
      Transfer.Abandon();
  });
  Transfer.On.blockDone = [this](unsigned) {
    c().ProgressBar->setValue(std::min(c().ProgressBar->value() + kBlockProgress, c().ProgressBar->maximum()));
  };
  Transfer.On.echoUnconfirmed = [this](unsigned) {
    if (ctx_.Prompts) ctx_.Prompts->Plain(QStringLiteral("Compare Erorr !!!"));
  };
  Transfer.On.completed = [this] { TransferCompleted(); };
  Transfer.On.failed = [this](const tesra::ExchangeFailure& f) { TransferFailed(f); };
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
  Transfer.Abandon();
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
  if (c().Timer) c().Timer->stop();
  Transfer.Abandon();
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
    // Byte 3 of the zero-filled buffer: a reply shorter than four bytes reads 0 there.
    if (buffer[3] == tesra::ProbeAck) {
      const QString text = kConnectedOn + QString::number(PortNumber);
      if (ctx_.Prompts) ctx_.Prompts->Information(text);
      c().SetStatusPanelText(0, text);
      SetConnectedButtons(true);
    } else if (ctx_.Prompts) {
      ctx_.Prompts->Error(QStringLiteral("Ошибка подключения !"));
    }
    LinkState = Idle;
    return;
  }
  // Everything waiting is taken, so what arrived with a failed reply goes with it.
  for (unsigned long n = k; n > 0 && (LinkState == Reading || LinkState == Writing);
       n = CommPort.GetBlock(reinterpret_cast<char*>(buffer.data()), buffer.size()))
    Transfer.OnData(buffer.data(), n);
}

// The exchange logs its frames itself.
void Link::PutBlock(const std::uint8_t* bytes, std::size_t n) {
  CommPort.PutBlock(reinterpret_cast<const char*>(bytes), static_cast<unsigned long>(n));
}

void Link::Start(unsigned ms) { transferTimer_->start(static_cast<int>(ms)); }

void Link::Stop() { transferTimer_->stop(); }

void Link::Frame(const std::uint8_t* bytes, std::size_t n, bool received) { LogFrame(bytes, n, received); }

void Link::Line(const std::string& line) { LogLine(QString::fromStdString(line)); }

void Link::StartTransfer() {
  // The exchange starts with an empty input: what waits there belongs to nothing asked for.
  std::array<std::uint8_t, kReceiveBufferSize> buffer{};
  for (unsigned long k; (k = CommPort.GetBlock(reinterpret_cast<char*>(buffer.data()), buffer.size())) > 0;)
    Transfer.DropWaiting(buffer.data(), k);
  unsigned bits = 1u + CommPort.GetDataBits() + (CommPort.GetParity() == tesra::paNone ? 0u : 1u) +
                  (CommPort.GetStopBits() == tesra::sb1_0 ? 1u : 2u);
  Transfer.SetLine(static_cast<unsigned>(std::max(CommPort.GetBaud(), 0)), bits);
  Transfer.SetCheckCrc(CheckReplyCrc);
}

void Link::BeginStep(Step step, const QString& caption) {
  step_ = step;
  c().SetPanelScanCaption(caption);
  c().PanelScan->show();
  c().ProgressBar->setValue(0);
  if (step == Step::Write)
    Transfer.StartWrite(written_);
  else
    Transfer.StartRead();
}

void Link::TransferCompleted() {
  switch (step_) {
    case Step::Read: return FinishRead();
    case Step::Compare: return FinishCompare();
    case Step::Backup:
      if (SaveBackup()) BeginStep(Step::Write, QStringLiteral("Запись данных ..."));
      return;
    case Step::Write: return BeginStep(Step::Verify, QStringLiteral("Проверка записи ..."));
    case Step::Verify: return FinishWrite();
    case Step::None: return;
  }
}

QString Link::BackupFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/backups");
}

bool Link::SaveBackup() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  const tesra::BackupStamp when{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
  std::array<std::string, tesra::kMessageCount> times;
  for (int i = 0; i < tesra::kMessageCount; ++i)
    times[static_cast<std::size_t>(i)] = c().LenMesValue(i + 1).toStdString();
  const QString folder = BackupFolder();
  std::filesystem::path failed;
  const auto saved = tesra::SaveBackup(std::filesystem::path(folder.toStdU16String()),
                                       tesra::BackupStem(when, PortNumber), Transfer.Staged(), times, failed);
  if (!saved.empty()) return true;
  // Without the controller's previous configuration on disk the write could not be undone.
  step_ = Step::None;
  LinkState = Idle;
  c().PanelScan->hide();
  if (ctx_.Prompts)
    ctx_.Prompts->Error(QStringLiteral("Ошибка записи резервной копии ") +
                        QDir::toNativeSeparators(QString::fromStdU16String(failed.u16string())) +
                        QStringLiteral(" !"));
  return false;
}

void Link::TransferFailed(const tesra::ExchangeFailure& failure) {
  const bool reading = step_ != Step::Write;
  // The blocks went out but what the controller holds is unknown.
  if (step_ == Step::Verify) c().SetStatusPanelText(1, QStringLiteral("Запись не подтверждена"));
  step_ = Step::None;
  LinkState = Idle;
  c().PanelScan->hide();
  if (ctx_.Prompts)
    ctx_.Prompts->Error(QString::fromUtf8(reading ? "Ошибка чтения блока " : "Ошибка записи блока ") +
                        Hex4(failure.block) + QStringLiteral(": ") +
                        QString::fromStdString(tesra::FaultText(failure)) + QStringLiteral(" !"));
}

void Link::FinishWrite() {
  step_ = Step::None;
  c().PanelScan->hide();
  LinkState = Idle;
  c().TBSave->setEnabled(true);
  c().TBReport->setEnabled(true);
  // What the controller now holds decides, whatever the echoes said on the way.
  const auto differences = tesra::ImageDifferences(written_, Transfer.Staged());
  if (differences.empty()) {
    c().SetStatusPanelText(1, QStringLiteral("Запись проверена: %1 блоков").arg(tesra::Exchange::kBlocks));
    return;
  }
  c().SetStatusPanelText(1, QStringLiteral("Запись не подтверждена"));
  ShowDifferences(QStringLiteral("Запись не подтверждена"), differences);
}

void Link::FinishCompare() {
  step_ = Step::None;
  c().PanelScan->hide();
  LinkState = Idle;
  const auto differences = tesra::ImageDifferences(ctx_.Image, Transfer.Staged());
  if (differences.empty()) {
    if (ctx_.Prompts) ctx_.Prompts->Information(QStringLiteral("Конфигурация контроллера совпадает с проектом"));
    return;
  }
  ShowDifferences(QStringLiteral("Сравнение с контроллером"), differences);
}

void Link::ShowDifferences(const QString& title, const std::vector<tesra::FieldDifference>& differences) {
  if (!compare_) compare_ = new TFormCompare(c().Window);
  compare_->ShowDifferences(title, differences);
}

void Link::FinishRead() {
  step_ = Step::None;
  ShowReadImage(Transfer.Staged());
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
    if (box && box->isEnabled()) editor_.CheckBox180Click(box);
  if (ctx_.ProjectReplaced) ctx_.ProjectReplaced({});
}

void Link::TBReadClick() {
  if (ctx_.SavedFlag == 0 && ctx_.Prompts &&
      !ctx_.Prompts->ConfirmOkCancel(QStringLiteral("Текущий проект конфигурации будет изменен!\n\tПродолжить?")))
    return;
  LinkState = Reading;
  StartTransfer();
  BeginStep(Step::Read, QStringLiteral("Чтение данных ..."));
}

void Link::TBCompareClick() {
  LinkState = Reading;
  StartTransfer();
  BeginStep(Step::Compare, QStringLiteral("Сравнение с контроллером ..."));
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
  // The project as it is now is what gets written and what the read-back must show.
  written_ = ctx_.Image;
  LinkState = Writing;
  StartTransfer();
  BeginStep(Step::Backup, QStringLiteral("Чтение резервной копии ..."));
}
