// tesraconfig-cli run as a script runs it: arguments, environment, its
// stdout, stderr and exit status.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace clitest {

struct CliRun {
  int status = -1;
  QByteArray out;
  QByteArray err;
  QString Out() const { return QString::fromUtf8(out); }
  QString Err() const { return QString::fromUtf8(err); }
};

inline CliRun RunCli(const QStringList& args, const std::vector<std::pair<QString, QString>>& env = {}) {
  QProcess p;
  QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
  // Neither a terminal nor a display: the progress line stays off, and
  // the report and timeline choose their platform themselves.
  e.remove(QStringLiteral("QT_QPA_PLATFORM"));
  for (const auto& [name, value] : env) e.insert(name, value);
  p.setProcessEnvironment(e);
  p.start(QStringLiteral(TESRA_CLI), args);
  CliRun r;
  if (!p.waitForFinished(120000)) {
    p.kill();
    p.waitForFinished();
    return r;
  }
  r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput();
  r.err = p.readAllStandardError();
  return r;
}

inline const QString kDocs = QStringLiteral(TESRA_SOURCE_DIR "/docs/");

// "@" in a row of a table stands for the test's folder.
inline QString At(QString text, const QString& dir) { return text.replace('@', dir); }
inline QStringList At(const QStringList& texts, const QString& dir) {
  QStringList r;
  for (const QString& t : texts) r << At(t, dir);
  return r;
}

// What every row expects: the status, lines stdout holds (none: stdout is
// empty) and stderr's one line (empty: nothing on stderr).
inline void ExpectAnswer(const CliRun& r, int status, const QStringList& out, const QString& err,
                         const QString& dir) {
  EXPECT_EQ(r.status, status) << r.Err().toStdString();
  const QStringList lines = r.Out().split('\n', Qt::SkipEmptyParts);
  if (out.isEmpty()) {
    EXPECT_TRUE(lines.isEmpty()) << r.Out().toStdString();
  }
  for (const QString& line : out) EXPECT_TRUE(lines.contains(At(line, dir))) << r.Out().toStdString();
  EXPECT_EQ(r.Err().trimmed(), At(err, dir));
}

}  // namespace clitest
