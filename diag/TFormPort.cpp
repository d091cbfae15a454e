#include "diag/TFormPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTime>
#include <QVBoxLayout>

#include "config/HexText.h"

TFormPort::TFormPort(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("FormPort");
  setWindowTitle(QStringLiteral("Port"));
  resize(354, 569);
  move(325, 0);
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  // The log only grows: the user reads it, nobody edits it.
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->addWidget(Memo1);
}

QString TFormPort::FrameLine(const std::uint8_t* bytes, std::size_t count, Direction direction,
                             int portNumber) {
  QString line = QStringLiteral("COM") + QString::number(portNumber) +
                 (direction == Direction::Received ? QStringLiteral(" Read  :") : QStringLiteral(" Write :"));
  for (std::size_t i = 0; i < count; ++i)
    line += QStringLiteral(" 0x") + QString::fromStdString(tesra::Hex2(bytes[i]));
  return line;
}

void TFormPort::LogFrame(const std::uint8_t* bytes, std::size_t count, Direction direction,
                         int portNumber) {
  if (!isVisible()) return;
  const QString line = FrameLine(bytes, count, direction, portNumber);
  Memo1->appendPlainText(line);
  LogToFile(line);
}

void TFormPort::AddLine(const QString& line) { Memo1->appendPlainText(line); }

QString TFormPort::LongTimeOfDay() {
  const QLocale locale = QLocale::system();
  QString format = locale.timeFormat(QLocale::LongFormat);
  format.remove(QLatin1Char('t'));
  return locale.toString(QTime::currentTime(), format.trimmed());
}

QString TFormPort::LogFilePath() const {
  const QString dir = logDir_.isEmpty() ? QCoreApplication::applicationDirPath() : logDir_;
  return QDir(dir).filePath(QStringLiteral("debug.txt"));
}

void TFormPort::LogToFile(const QString& line) {
  QFile file(LogFilePath());
  if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return;
  const QString stamped = (TimeOfDay ? TimeOfDay() : QString()) + QLatin1Char(' ') + line + QStringLiteral("\r\n");
  file.write(stamped.toLocal8Bit());
  file.close();
}
