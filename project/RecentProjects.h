// The projects last opened or saved, newest first, as full paths, kept in the
// program's settings (the registry on Windows, the user's configuration
// folder elsewhere).
#pragma once

#include <memory>

#include <QStringList>

class QSettings;

class RecentProjects {
 public:
  static constexpr int kKept = 8;

  // The program's own settings.
  RecentProjects();
  explicit RecentProjects(std::unique_ptr<QSettings> settings);
  ~RecentProjects();
  RecentProjects(const RecentProjects&) = delete;
  RecentProjects& operator=(const RecentProjects&) = delete;

  QStringList Paths() const;
  // Puts the file at the head; an earlier mention of it goes.
  void Add(const QString& imageFile);
  void Remove(const QString& imageFile);

 private:
  void Store(const QStringList& paths);
  std::unique_ptr<QSettings> settings_;
};

// `list` with `path` at its head and no other mention of the same file, at
// most `kept` long. Names are compared as the file system does (without
// letter case on Windows).
QStringList WithRecent(QStringList list, const QString& path, int kept);
