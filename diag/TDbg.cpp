#include "diag/TDbg.h"

TDbg::TDbg(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Dbg");
  setWindowTitle(QStringLiteral("Dbg"));
  resize(288, 593);
}
