#include "app/WindowPlacement.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QPoint CentredTopLeft(const QRect& available, const QSize& size) {
  const int x = available.x() + (available.width() - size.width()) / 2;
  const int y = available.y() + (available.height() - size.height()) / 2;
  return {std::max(x, available.x()), std::max(y, available.y())};
}

void PlaceAtScreenCentre(QWidget& window) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  window.move(CentredTopLeft(screen->availableGeometry(), window.frameGeometry().size()));
}
