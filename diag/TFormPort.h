// The serial traffic log window, shown in debug mode: the frames sent and the
// chunks received while it is shown, also appended to "debug.txt" beside the
// executable, and the exchange lines of reads and writes (window only).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include <QString>
#include <QWidget>

class QPlainTextEdit;

class TFormPort : public QWidget {
  Q_OBJECT

 public:
  enum class Direction { Received, Sent };

  explicit TFormPort(QWidget* parent = nullptr);

  // "COM1 Write : 0x00 0x01 ..." into the memo and the file; nothing while hidden.
  void LogFrame(const std::uint8_t* bytes, std::size_t count, Direction direction, int portNumber);
  // Appends "<time of day> <line>" CR LF to the log file; errors are ignored.
  void LogToFile(const QString& line);
  // A line of the read/write exchange: memo only, shown or not.
  void AddLine(const QString& line);

  static QString FrameLine(const std::uint8_t* bytes, std::size_t count, Direction direction,
                           int portNumber);
  // The system's long time format, without a time-zone name.
  static QString LongTimeOfDay();

  // Seams: the clock text and the folder of "debug.txt" (the executable's).
  std::function<QString()> TimeOfDay = &TFormPort::LongTimeOfDay;
  void SetLogDirectory(const QString& dir) { logDir_ = dir; }
  QString LogFilePath() const;

  QPlainTextEdit* Memo1 = nullptr;

 private:
  QString logDir_;
};
