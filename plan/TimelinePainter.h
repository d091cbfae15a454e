// Paints an input's timeline on any paint device: the window, a PDF page or a
// PNG all show the same picture.
#pragma once

#include <QRectF>
#include <QString>

#include "plan/Timeline.h"

class QPainter;

// "IN 3, время эвакуации: 80 с" or "... : без ограничения".
QString TimelineTitle(const tesra::Timeline& t);

void PaintTimeline(QPainter& p, const QRectF& area, const tesra::Timeline& t);
