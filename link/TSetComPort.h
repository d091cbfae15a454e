// The connection dialog "Подключение к контроллеру".
#pragma once

#include <QDialog>

class TSetComPort : public QDialog {
  Q_OBJECT

 public:
  explicit TSetComPort(QWidget* parent = nullptr);
};
