// The window "Резервные копии": the backups taken before each write, newest
// first, each against the project, so a wrong write is undone by opening one
// and writing it back.
#pragma once

#include <functional>
#include <vector>

#include <QDialog>

#include "config/ConfigImage.h"
#include "config/ImageDifferences.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

class TFormBackups : public QDialog {
  Q_OBJECT

 public:
  explicit TFormBackups(QWidget* parent = nullptr);

  // Reads `folder` again and compares each backup with the project's image.
  void Fill(const QString& folder);
  // Fill once the events waiting are handled: a project that changes many
  // fields at once is compared once.
  void FillSoon();
  const QString& Folder() const { return folder_; }
  // The .usr file of the chosen row; empty with none.
  QString SelectedBackup() const;

  // The project's image as it stands; what the buttons do. Set by the owner.
  std::function<tesra::ConfigImage()> Project;
  std::function<void(const QString& usrFile)> OpenBackup;
  std::function<void(const QString& title, const std::vector<tesra::FieldDifference>& differences)> ShowDifferences;
  std::function<void(const QString& folder)> OpenFolder;

  QLabel* LabelFolder = nullptr;
  QTableWidget* List = nullptr;
  QPushButton* ButtonOpen = nullptr;
  QPushButton* ButtonCompare = nullptr;
  QPushButton* ButtonFolder = nullptr;

 private:
  void CompareSelected();
  void SelectionChanged();

  QTimer* refill_ = nullptr;
  QString folder_;
  QStringList files_;  // per row
};

// "2026-12-08_14-03-27_COM3" (and "..._COM3_2") as the window shows it:
// "08.12.2026 14:03:27" and "COM3".
QString BackupTimeText(const QString& stem);
QString BackupPortText(const QString& stem);
