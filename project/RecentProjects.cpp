#include "project/RecentProjects.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kKey = QStringLiteral("RecentProjects");

#ifdef _WIN32
constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kFileNameCase = Qt::CaseSensitive;
#endif

QString FullPath(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

}  // namespace

QStringList WithRecent(QStringList list, const QString& path, int kept) {
  const QString full = FullPath(path);
  list.removeIf([&](const QString& p) { return p.isEmpty() || FullPath(p).compare(full, kFileNameCase) == 0; });
  list.prepend(full);
  while (list.size() > kept) list.removeLast();
  return list;
}

RecentProjects::RecentProjects()
    : RecentProjects(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                 QStringLiteral("TesraConfig"), QStringLiteral("TesraConfig"))) {}

RecentProjects::RecentProjects(std::unique_ptr<QSettings> settings) : settings_(std::move(settings)) {}

RecentProjects::~RecentProjects() = default;

QStringList RecentProjects::Paths() const {
  QStringList paths = settings_->value(kKey).toStringList();
  // Settings edited by hand may hold anything: empty entries and too many go.
  paths.removeAll(QString());
  while (paths.size() > kKept) paths.removeLast();
  return paths;
}

void RecentProjects::Add(const QString& imageFile) {
  if (!imageFile.isEmpty()) Store(WithRecent(Paths(), imageFile, kKept));
}

void RecentProjects::Remove(const QString& imageFile) {
  const QString full = FullPath(imageFile);
  QStringList paths = Paths();
  paths.removeIf([&](const QString& p) { return FullPath(p).compare(full, kFileNameCase) == 0; });
  Store(paths);
}

void RecentProjects::Store(const QStringList& paths) {
  settings_->setValue(kKey, paths);
  settings_->sync();
}
