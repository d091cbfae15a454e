// The bit grid of the configuration image, shown in debug mode.
#pragma once

#include <QWidget>

class TDbg : public QWidget {
  Q_OBJECT

 public:
  explicit TDbg(QWidget* parent = nullptr);
};
