#include "link/Link.h"

#include <algorithm>
#include <cstring>

#include <QCheckBox>
#include <QFrame>
#include <QProgressBar>
#include <QTimer>
#include <QToolButton>

#include "app/MainContext.h"
#include "app/MainControls.h"
#include "app/Prompter.h"
#include "config/Editor.h"
#include "diag/TFormPort.h"
#include "link/TSetComPort.h"

#include "serial/PortDevice.h"

namespace {
const QString kNotConnected = QStringLiteral("Нет подключения");
const QString kConnectedOn = QStringLiteral("Подключено на COM ");
constexpr std::size_t kReceiveBufferSize = 512;
constexpr unsigned kImageEnd = 512;
constexpr int kBlockProgress = 32;

QString Hex4(unsigned value) { return QStringLiteral("%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper(); }
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
  CommPort.OnDataReceived = nullptr;
  CommPort.SetOpen(false);
}

MainControls& Link::c() const { return *ctx_.Controls; }

void Link::AttachWindows(TSetComPort* setComPort, TFormPort* formPort) {
  setComPort_ = setComPort;
  formPort_ = formPort;
  if (setComPort_) setComPort_->SetTargets(&PortNumber, &CommPort);
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
  c().TBRead->setEnabled(false);
  c().TBWrite->setEnabled(false);
  c().PanelScan->hide();
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
  CommPort.SetOpen(false);
  c().SetStatusPanelText(0, kNotConnected);
  c().TBFind->setText(QStringLiteral("Подключить"));
  c().TBRead->setEnabled(false);
  c().TBWrite->setEnabled(false);
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
      c().TBRead->setEnabled(true);
      c().TBWrite->setEnabled(true);
    } else if (ctx_.Prompts) {
      ctx_.Prompts->Error(QStringLiteral("Ошибка подключения !"));
    }
    LinkState = Idle;
    return;
  }
  ExchangeChunk(buffer.data(), k);
}

void Link::ExchangeChunk(const std::uint8_t* chunk, std::size_t k) {
  LogFrame(chunk, k, true);
  LogLine(QStringLiteral("byte=") + Hex4(static_cast<unsigned>(k)));
  // Only the first 39 bytes of a reply count; the rest of the chunk is dropped.
  const std::size_t take = std::min(k, RxFrame.size() - RxCount);
  std::memcpy(RxFrame.data() + RxCount, chunk, take);
  RxCount += take;
  if (RxCount < RxFrame.size()) return;

  c().ProgressBar->setValue(std::min(c().ProgressBar->value() + kBlockProgress, c().ProgressBar->maximum()));
  unsigned a = tesra::ReplyAddress(RxFrame.data());
  LogLine(QStringLiteral("------------"));
  LogLine(QStringLiteral("copy to") + Hex4(a));
  if (a > tesra::kLastBlockAddress) {
    // Its 32 bytes would lie beyond the image: nothing is copied or compared.
    EndExchange();
    if (ctx_.Prompts)
      ctx_.Prompts->Error(QStringLiteral("Ошибка адреса блока ") + Hex4(a) + QStringLiteral(" !"));
    return;
  }
  const std::uint8_t* block = tesra::ReplyBlock(RxFrame.data());
  if (LinkState == Reading) {
    std::memcpy(ctx_.Image.data() + a, block, tesra::kBlockSize);
  } else if (std::memcmp(ctx_.Image.data() + a, block, tesra::kBlockSize) != 0 && ctx_.Prompts) {
    ctx_.Prompts->Plain(QStringLiteral("Compare Erorr !!!"));
  }
  a += tesra::kBlockSize;
  RxCount = 0;
  if (LinkState == Reading) ctx_.ImageChanged();
  if (a >= kImageEnd) {
    if (LinkState == Reading)
      FinishRead();
    else
      FinishWrite();
    return;
  }
  if (LinkState == Reading) {
    ReadQuery.Fill(a);
    Send(ReadQuery.data(), ReadQuery.size());
  } else {
    WriteBlock.Fill(a, ctx_.Image);
    Send(WriteBlock.data(), WriteBlock.size());
  }
}

void Link::EndExchange() {
  RxCount = 0;
  LinkState = Idle;
  c().PanelScan->hide();
}

void Link::FinishWrite() {
  c().PanelScan->hide();
  LinkState = Idle;
  c().TBSave->setEnabled(true);
  c().TBReport->setEnabled(true);
}

void Link::FinishRead() {
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
}

void Link::TBReadClick() {
  if (ctx_.SavedFlag == 0 && ctx_.Prompts &&
      !ctx_.Prompts->ConfirmOkCancel(QStringLiteral("Текущий проект конфигурации будет изменен!\n\tПродолжить?")))
    return;
  c().SetPanelScanCaption(QStringLiteral("Чтение данных ..."));
  c().PanelScan->show();
  c().ProgressBar->setValue(0);
  LinkState = Reading;
  ReadQuery.Fill(0);
  RxCount = 0;
  Send(ReadQuery.data(), ReadQuery.size());
}

void Link::TBWriteClick() {
  if (ctx_.Prompts &&
      !ctx_.Prompts->ConfirmOkCancel(
          QStringLiteral("Текущие настройки конфигурации контроллера будут изменены!\n\tПродолжить?")))
    return;
  c().SetPanelScanCaption(QStringLiteral("Запись данных ..."));
  c().PanelScan->show();
  c().ProgressBar->setValue(0);
  LinkState = Writing;
  WriteBlock.Fill(0, ctx_.Image);
  RxCount = 0;
  Send(WriteBlock.data(), WriteBlock.size());
}
