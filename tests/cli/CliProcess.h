// tesraconfig-cli run as a script runs it: arguments, environment, its
// stdout, stderr and exit status.
#pragma once

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

}  // namespace clitest
