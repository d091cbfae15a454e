#include "controls/ShellControls.h"

#include <QLabel>

QString ShellControls::StatusPanelText(int i) const {
  return StatusPanels.at(i) ? StatusPanels.at(i)->text() : QString();
}

void ShellControls::SetStatusPanelText(int i, const QString& text) {
  if (StatusPanels.at(i)) StatusPanels.at(i)->setText(text);
}
