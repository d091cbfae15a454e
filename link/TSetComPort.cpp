#include "link/TSetComPort.h"

TSetComPort::TSetComPort(QWidget* parent) : QDialog(parent) {
  setObjectName("SetComPort");
  setWindowTitle(QStringLiteral("Подключение к контроллеру"));
  resize(290, 190);
}
