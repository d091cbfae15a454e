// Where a window of a given size goes so that it opens at the centre of the
// screen's free area.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// The top-left corner that centres `size` in `available`. A window larger than
// the area keeps its top-left (and so its caption) inside it.
QPoint CentredTopLeft(const QRect& available, const QSize& size);

// Moves `window` to the centre of the free area of its screen (the primary one
// before it is shown).
void PlaceAtScreenCentre(QWidget& window);
