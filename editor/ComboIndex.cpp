#include "editor/ComboIndex.h"

#include <QComboBox>

int ItemIndex(const QComboBox* combo) {
  if (!combo) return -1;
  const int index = combo->currentIndex();
  if (!combo->isEditable()) return index;
  const QString text = combo->currentText();
  if (index >= 0 && combo->itemText(index) == text) return index;
  return combo->findText(text, Qt::MatchFixedString);
}
