// The bit grid of the configuration image, shown in debug mode: one row per
// byte with its offset, its eight bits (most significant first) and its value.
#pragma once

#include <QWidget>

#include "config/ConfigImage.h"

class QTableWidget;

class TDbg : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRows = 513;
  static constexpr int kColumns = 10;

  explicit TDbg(QWidget* parent = nullptr);

  // Writes the image into the grid while the window is shown; a hidden
  // window keeps what it last showed.
  void Refresh(const tesra::ConfigImage& image);

  QTableWidget* SG = nullptr;
};
