#include "project/BackupPlace.h"

#include <QDateTime>
#include <QStandardPaths>

#include "project/Backups.h"

namespace tesra {

QString BackupFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/backups");
}

std::string BackupStemNow(int port) {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return BackupStem({d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()}, port);
}

}  // namespace tesra
