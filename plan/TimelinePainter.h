// Paints an input's timeline on any paint device: the window, a PDF page or a
// PNG all show the same picture.
#pragma once

#include <functional>

#include <QRectF>
#include <QString>

#include "plan/Timeline.h"

class QImage;
class QPainter;

// "IN 3, время эвакуации: 80 с" or "... : без ограничения".
QString TimelineTitle(const tesra::Timeline& t);

void PaintTimeline(QPainter& p, const QRectF& area, const tesra::Timeline& t);

// All eight inputs as a landscape A4 PDF, a page each; the window's
// "Сохранить" and the command line write it alike.
bool SaveTimelinesPdf(const QString& path, const std::function<tesra::Timeline(int input)>& ofInput);
// A picture as a PNG file, replaced only once complete.
bool SaveTimelinePng(const QString& path, const QImage& picture);
