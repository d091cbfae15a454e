#include "plan/TimelinePainter.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>

using namespace tesra;

namespace {

QString U(const std::string& s) { return QString::fromStdString(s); }

QColor StageColor(int stage) { return QColor::fromHsv((stage * 45 + 200) % 360, 110, 235); }

// Seconds between axis ticks: about ten ticks or fewer.
long long TickStep(long long axisEnd) {
  static const long long steps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
  for (long long s : steps)
    if (axisEnd / s <= 10) return s;
  long long s = 3600;
  while (axisEnd / s > 10 && s < tesra::kLongestTime / 10) s *= 10;
  return s;
}

const QString kUnknown = QStringLiteral("время неизвестно");

// "40–80 с"; without a known start only the length, without a known length "время неизвестно".
QString StageTimes(const TimelineStage& st) {
  if (!st.timeKnown && !st.openEnded) return kUnknown;
  if (st.openEnded) return st.startKnown ? QStringLiteral("%1 с – …").arg(st.start) : QStringLiteral("… – …");
  if (!st.startKnown) return QStringLiteral("длительность %1 с").arg(st.end - st.start);
  return QStringLiteral("%1–%2 с").arg(st.start).arg(st.end);
}

}  // namespace

QString TimelineTitle(const Timeline& t) {
  return QStringLiteral("IN %1, время эвакуации: %2").arg(t.input + 1).arg(U(TotalText(t)).toLower());
}

void PaintTimeline(QPainter& p, const QRectF& area, const Timeline& t) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.fillRect(area, Qt::white);
  const QFontMetricsF fm(p.font(), p.device());
  const qreal line = fm.height();
  const qreal pad = std::round(line * 0.5);

  // Title, stage headers, rows, axis, from the top.
  QRectF titleBox(area.left() + pad, area.top() + pad, area.width() - 2 * pad, line * 1.4);
  QFont bold = p.font();
  bold.setBold(true);
  p.setFont(bold);
  p.setPen(Qt::black);
  p.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, TimelineTitle(t));
  bold.setBold(false);
  p.setFont(bold);

  qreal nameWidth = fm.horizontalAdvance(QStringLiteral("KT-CM3 8 K2")) + 2 * pad;
  const qreal left = area.left() + pad + nameWidth;
  const qreal right = area.right() - pad - fm.horizontalAdvance(QStringLiteral("сек.")) - pad;
  const qreal headerTop = titleBox.bottom() + pad * 0.5;
  const qreal headerH = line * 2.2;
  const qreal rowsTop = headerTop + headerH;
  const qreal axisH = line * 2.8;  // tick labels, then the total
  const int rowCount = std::max<int>(1, static_cast<int>(t.rows.size()));
  const qreal rowH = std::clamp((area.bottom() - pad - axisH - rowsTop) / rowCount, line * 1.1, line * 2.2);
  const qreal rowsBottom = rowsTop + rowH * rowCount;
  const qreal width = std::max<qreal>(1, right - left);
  const double axisEnd = static_cast<double>(std::max<long long>(1, t.axisEnd));
  auto x = [&](long long seconds) { return left + width * std::min(1.0, static_cast<double>(seconds) / axisEnd); };

  // Rows: names on the left, a zone no splitter serves greyed and hatched.
  for (int i = 0; i < static_cast<int>(t.rows.size()); ++i) {
    const TimelineRow& r = t.rows[static_cast<std::size_t>(i)];
    const QRectF row(left, rowsTop + i * rowH, width, rowH);
    if (i % 2) p.fillRect(row, QColor(246, 246, 246));
    if (!r.served) p.fillRect(row, QBrush(QColor(200, 200, 200), Qt::BDiagPattern));
    p.setPen(r.served ? Qt::black : Qt::gray);
    p.drawText(QRectF(area.left() + pad, row.top(), nameWidth - pad, rowH), Qt::AlignLeft | Qt::AlignVCenter,
               U(r.name));
  }
  p.setPen(QColor(160, 160, 160));
  p.drawRect(QRectF(left, rowsTop, width, rowsBottom - rowsTop));

  // Axis: ticks in seconds.
  // Seconds count only up to the first stage of unknown length.
  const long long ticksEnd = t.totalKnown ? t.axisEnd : t.knownUntil;
  const long long step = TickStep(t.axisEnd);
  for (long long s = 0; s <= ticksEnd; s += step) {
    const qreal xs = x(s);
    p.setPen(QColor(225, 225, 225));
    p.drawLine(QPointF(xs, rowsTop), QPointF(xs, rowsBottom));
    p.setPen(Qt::black);
    p.drawLine(QPointF(xs, rowsBottom), QPointF(xs, rowsBottom + pad * 0.6));
    p.drawText(QRectF(xs - 40, rowsBottom + pad * 0.6, 80, line), Qt::AlignHCenter | Qt::AlignTop,
               QString::number(s));
    if (step <= 0) break;
  }
  p.drawText(QRectF(right + pad * 0.5, rowsBottom + pad * 0.6, area.right() - right, line),
             Qt::AlignLeft | Qt::AlignTop, QStringLiteral("сек."));

  if (t.stages.empty()) {
    p.setPen(Qt::gray);
    p.drawText(QRectF(left, rowsTop, width, rowsBottom - rowsTop), Qt::AlignCenter,
               QStringLiteral("Ни один этап не включен"));
  }

  // Stages: a header over each stage's span, its bands in the rows it switches on.
  for (int i = 0; i < static_cast<int>(t.stages.size()); ++i) {
    const TimelineStage& st = t.stages[static_cast<std::size_t>(i)];
    const qreal x0 = x(st.start);
    const qreal x1 = st.openEnded ? right : std::max(x(st.end), x0 + 3);
    const QColor color = StageColor(st.stage);
    const QRectF head(x0, headerTop, x1 - x0, headerH - 2);
    p.fillRect(head, color.lighter(112));
    p.setPen(color.darker(160));
    p.drawRect(head);
    p.setPen(Qt::black);
    const QString first = QStringLiteral("%1 этап, %2").arg(st.stage + 1).arg(StageTimes(st));
    const QString label = U(st.label) + (st.timeKnown ? QString() : QStringLiteral(", ") + kUnknown);
    const QRectF inner = head.adjusted(3, 1, -3, -1);
    p.drawText(QRectF(inner.left(), inner.top(), inner.width(), inner.height() / 2), Qt::AlignLeft | Qt::AlignVCenter,
               fm.elidedText(first, Qt::ElideRight, inner.width()));
    p.drawText(QRectF(inner.left(), inner.center().y(), inner.width(), inner.height() / 2),
               Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(label, Qt::ElideRight, inner.width()));
    p.setPen(QPen(color.darker(150), 1, Qt::DotLine));
    p.drawLine(QPointF(x0, headerTop), QPointF(x0, rowsBottom));
  }
  for (const TimelineBand& b : t.bands) {
    const TimelineStage& st = t.stages[static_cast<std::size_t>(b.stage)];
    const qreal x0 = x(st.start);
    const qreal x1 = st.openEnded ? right : std::max(x(st.end), x0 + 3);
    const QRectF band(x0, rowsTop + b.row * rowH + 3, x1 - x0, rowH - 6);
    const QColor color = StageColor(st.stage);
    if (st.openEnded) {
      // Fades out towards the right edge: it plays on without end.
      QLinearGradient fade(band.topLeft(), band.topRight());
      fade.setColorAt(0, color);
      fade.setColorAt(std::max(0.0, 1.0 - 60.0 / std::max<qreal>(band.width(), 1)), color);
      fade.setColorAt(1, QColor(255, 255, 255, 0));
      p.fillRect(band, fade);
      QPainterPath arrow;
      const qreal ym = band.center().y();
      arrow.moveTo(band.right() - 10, ym - 5);
      arrow.lineTo(band.right(), ym);
      arrow.lineTo(band.right() - 10, ym + 5);
      p.setPen(QPen(color.darker(170), 1.5));
      p.drawPath(arrow);
    } else if (!st.timeKnown) {
      // Of unknown length: hatched, its span only a place holder.
      p.fillRect(band, color.lighter(125));
      p.fillRect(band, QBrush(color.darker(140), Qt::BDiagPattern));
      p.setPen(QPen(color.darker(150), 1, Qt::DashLine));
      p.drawRect(band);
    } else {
      p.fillRect(band, color);
      p.setPen(color.darker(150));
      p.drawRect(band);
    }
    p.setPen(Qt::black);
    const QRectF text = band.adjusted(3, 0, -12, 0);
    if (text.width() > fm.averageCharWidth() * 4)
      p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(U(st.label), Qt::ElideRight, text.width()));
  }

  // The total: where the sequence ends, or where it begins to play on without end.
  if (!t.stages.empty()) {
    const qreal xt = x(t.total);
    p.setPen(QPen(QColor(200, 0, 0), 2, t.unlimited || !t.totalKnown ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(QPointF(xt, headerTop), QPointF(xt, rowsBottom + pad * 0.6));
    const QString text = t.unlimited     ? QStringLiteral("далее без ограничения")
                         : t.totalKnown ? QStringLiteral("Всего: %1 с").arg(t.total)
                                        : QStringLiteral("Всего: ") + kUnknown;
    const qreal w = fm.horizontalAdvance(text) + 8;
    const qreal tx = std::clamp(xt - w / 2, left, right - w);
    p.setPen(QColor(200, 0, 0));
    p.drawText(QRectF(tx, rowsBottom + pad * 0.6 + line, w, line), Qt::AlignCenter, text);
  }
  p.restore();
}

// The PDF's pages are laid out in screen pixels, so page and window look alike.
constexpr int kPdfResolution = 96;

bool SaveTimelinesPdf(const QString& path, const std::function<Timeline(int input)>& ofInput) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  {
    QPdfWriter pdf(&file);
    pdf.setResolution(kPdfResolution);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                  QPageLayout::Millimeter));
    pdf.setTitle(QStringLiteral("Диаграммы эвакуации"));
    QPainter p;
    if (!p.begin(&pdf)) return false;
    for (int input = 0; input < 8; ++input) {
      if (input > 0 && !pdf.newPage()) return false;
      PaintTimeline(p, QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height())), ofInput(input));
    }
    if (!p.end()) return false;
  }
  return file.commit();
}

bool SaveTimelinePng(const QString& path, const QImage& picture) {
  QSaveFile file(path);
  if (picture.isNull() || !file.open(QIODevice::WriteOnly)) return false;
  if (!picture.save(&file, "PNG")) return false;
  return file.commit();
}
