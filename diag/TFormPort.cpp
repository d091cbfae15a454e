#include "diag/TFormPort.h"

TFormPort::TFormPort(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("FormPort");
  setWindowTitle(QStringLiteral("Port"));
  resize(354, 569);
}
