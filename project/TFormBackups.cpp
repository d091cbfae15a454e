#include "project/TFormBackups.h"

#include <algorithm>
#include <filesystem>

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "project/Backups.h"
#include "project/ProjectFiles.h"

namespace {

std::filesystem::path FsPath(const QString& name) { return std::filesystem::path(name.toStdU16String()); }
QString FromFs(const std::filesystem::path& p) { return QString::fromStdU16String(p.u16string()); }

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

}  // namespace

// The stem's shape is checked by the listing: "YYYY-MM-DD_HH-MM-SS_COMn[_k]".
QString BackupTimeText(const QString& stem) {
  return QStringLiteral("%1.%2.%3 %4:%5:%6")
      .arg(stem.mid(8, 2), stem.mid(5, 2), stem.left(4), stem.mid(11, 2), stem.mid(14, 2), stem.mid(17, 2));
}

QString BackupPortText(const QString& stem) { return stem.mid(20).section(QLatin1Char('_'), 0, 0); }

TFormBackups::TFormBackups(QWidget* parent) : QDialog(parent) {
  setObjectName("FormBackups");
  setWindowTitle(QStringLiteral("Резервные копии"));
  resize(560, 380);
  auto* layout = new QVBoxLayout(this);
  LabelFolder = new QLabel(this);
  LabelFolder->setObjectName("LabelFolder");
  LabelFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
  List = new QTableWidget(0, 3, this);
  List->setObjectName("List");
  List->setHorizontalHeaderLabels({QStringLiteral("Дата и время"), QStringLiteral("Порт"), QStringLiteral("Проект")});
  List->setEditTriggers(QAbstractItemView::NoEditTriggers);
  List->setSelectionBehavior(QAbstractItemView::SelectRows);
  List->setSelectionMode(QAbstractItemView::SingleSelection);
  List->verticalHeader()->hide();
  List->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  List->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  List->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  ButtonOpen = Button(this, "ButtonOpen", QStringLiteral("Открыть"));
  ButtonCompare = Button(this, "ButtonCompare", QStringLiteral("Сравнить с проектом"));
  ButtonFolder = Button(this, "ButtonFolder", QStringLiteral("Открыть папку"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(ButtonOpen);
  buttons->addWidget(ButtonCompare);
  buttons->addStretch();
  buttons->addWidget(ButtonFolder);
  layout->addWidget(LabelFolder);
  layout->addWidget(List);
  layout->addLayout(buttons);

  refill_ = new QTimer(this);
  refill_->setSingleShot(true);
  refill_->setInterval(0);
  connect(refill_, &QTimer::timeout, this, [this] { Fill(folder_); });
  OpenFolder = [](const QString& folder) {
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  };
  connect(List, &QTableWidget::itemSelectionChanged, this, &TFormBackups::SelectionChanged);
  connect(List, &QTableWidget::cellDoubleClicked, this, [this] { ButtonOpen->click(); });
  connect(ButtonOpen, &QPushButton::clicked, this, [this] {
    const QString file = SelectedBackup();
    if (!file.isEmpty() && OpenBackup) OpenBackup(file);
  });
  connect(ButtonCompare, &QPushButton::clicked, this, &TFormBackups::CompareSelected);
  connect(ButtonFolder, &QPushButton::clicked, this, [this] {
    if (OpenFolder) OpenFolder(folder_);
  });
  SelectionChanged();
}

void TFormBackups::Fill(const QString& folder) {
  // A refill keeps the row chosen.
  const QString kept = SelectedBackup();
  folder_ = folder;
  const tesra::ConfigImage project = Project ? Project() : tesra::ConfigImage{};
  LabelFolder->setText(QStringLiteral("Папка: ") + QDir::toNativeSeparators(folder));
  const auto found = tesra::ListBackups(FsPath(folder));
  files_.clear();
  List->setRowCount(0);
  List->setRowCount(static_cast<int>(found.size()));
  int row = 0;
  // The listing is oldest first.
  for (auto it = found.rbegin(); it != found.rend(); ++it, ++row) {
    const QString stem = FromFs(it->stem());
    tesra::ConfigImage backup;
    QString state;
    if (!tesra::ReadImageFile(*it, backup)) {
      state = QStringLiteral("не читается");
    } else {
      const auto differences = tesra::ImageDifferences(backup, project);
      state = differences.empty() ? QStringLiteral("совпадает с проектом")
                                  : QStringLiteral("отличий: %1").arg(differences.size());
    }
    const QString cells[3] = {BackupTimeText(stem), BackupPortText(stem), state};
    for (int col = 0; col < 3; ++col) List->setItem(row, col, new QTableWidgetItem(cells[col]));
    files_.append(FromFs(*it));
  }
  if (!files_.isEmpty()) List->selectRow(std::max<qsizetype>(0, files_.indexOf(kept)));
  SelectionChanged();
}

void TFormBackups::FillSoon() {
  if (!folder_.isEmpty()) refill_->start();
}

QString TFormBackups::SelectedBackup() const {
  const int row = List->currentRow();
  const auto selected = List->selectionModel()->selectedRows();
  if (selected.isEmpty() || row < 0 || row >= files_.size()) return {};
  return files_[row];
}

void TFormBackups::SelectionChanged() {
  const bool chosen = !SelectedBackup().isEmpty();
  ButtonOpen->setEnabled(chosen);
  ButtonCompare->setEnabled(chosen);
}

void TFormBackups::CompareSelected() {
  const QString file = SelectedBackup();
  if (file.isEmpty() || !ShowDifferences || !Project) return;
  tesra::ConfigImage backup;
  if (!tesra::ReadImageFile(FsPath(file), backup)) return;
  const int row = List->currentRow();
  ShowDifferences(QStringLiteral("Резервная копия ") + List->item(row, 0)->text() + QStringLiteral(", ") +
                      List->item(row, 1)->text(),
                  tesra::ImageDifferences(backup, Project()));
}
