// The serial traffic log window, shown in debug mode.
#pragma once

#include <QWidget>

class TFormPort : public QWidget {
  Q_OBJECT

 public:
  explicit TFormPort(QWidget* parent = nullptr);
};
