#include "app/MainContext.h"

#include <QMainWindow>
#include <QToolButton>

#include "app/MainControls.h"

const QString kMainCaption = QStringLiteral("Конфигурация");

void MainContext::ImageChanged() {
  SavedFlag = 0;
  if (Controls && Controls->TBSave) Controls->TBSave->setEnabled(true);
  if (DebugGridRefresh) DebugGridRefresh();
}

void MainContext::ShowProjectCaption() {
  if (Controls && Controls->Window)
    Controls->Window->setWindowTitle(kMainCaption + QStringLiteral(" - ") + CurrentProject);
}
