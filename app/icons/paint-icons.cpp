// Draws the tool bar's icons into PNG files, one look on every platform.
// Run after changing a drawing: paint-icons <folder> (the folder is app/icons).
#include <functional>
#include <map>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSize = 32;
const QColor kInk(0x33, 0x3d, 0x4a);
const QColor kBlue(0x2f, 0x6f, 0xb5);
const QColor kGreen(0x2e, 0x8b, 0x57);
const QColor kRed(0xc0, 0x39, 0x2b);
const QColor kYellow(0xe8, 0xb0, 0x4a);
const QColor kPaper(0xfd, 0xfd, 0xfd);
const QColor kGrey(0x8a, 0x95, 0xa3);

QPen Pen(const QColor& c, double w = 1.2) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

// A sheet of paper with a folded corner, on the 24-unit grid.
void Sheet(QPainter& p, QRectF r) {
  QPainterPath path;
  const double fold = 5;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(Pen(kInk));
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawPolyline(QPolygonF({{r.right() - fold, r.top()}, {r.right() - fold, r.top() + fold}, {r.right(), r.top() + fold}}));
}

void Lines(QPainter& p, double x0, double x1, double y0, int n, double step) {
  p.setPen(Pen(kGrey, 1.0));
  for (int i = 0; i < n; ++i) p.drawLine(QPointF(x0, y0 + i * step), QPointF(x1, y0 + i * step));
}

// A bent arrow; `mirror` turns it to point right.
void BentArrow(QPainter& p, bool mirror) {
  p.save();
  if (mirror) {
    p.translate(24, 0);
    p.scale(-1, 1);
  }
  QPainterPath path;
  path.moveTo(6, 10);
  path.lineTo(15, 10);
  path.cubicTo(22, 10, 22, 20, 15, 20);
  path.lineTo(10, 20);
  p.setPen(Pen(kBlue, 2.6));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  p.drawPolygon(QPolygonF({{2, 10}, {8, 4.5}, {8, 15.5}}));
  p.restore();
}

// The controller: a box with its lights.
void Device(QPainter& p, double y) {
  p.setPen(Pen(kInk));
  p.setBrush(QColor(0x5d, 0x6b, 0x7c));
  p.drawRoundedRect(QRectF(3, y, 18, 7), 1.5, 1.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x7c, 0xd9, 0x7c));
  p.drawEllipse(QPointF(6.5, y + 3.5), 1.2, 1.2);
  p.setBrush(QColor(0xff, 0xc8, 0x57));
  p.drawEllipse(QPointF(10, y + 3.5), 1.2, 1.2);
}

void StraightArrow(QPainter& p, double x, double y0, double y1, const QColor& c) {
  const double dir = y1 > y0 ? 1 : -1;
  p.setPen(Pen(c, 2.6));
  p.drawLine(QPointF(x, y0), QPointF(x, y1 - dir * 4));
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(QPolygonF({{x - 4.5, y1 - dir * 5}, {x + 4.5, y1 - dir * 5}, {x, y1}}));
}

const std::map<QString, std::function<void(QPainter&)>> kIcons = {
    {"new",
     [](QPainter& p) {
       Sheet(p, {4, 2, 14, 19});
       p.setPen(Pen(kGreen, 2.4));
       p.drawLine(QPointF(18, 14), QPointF(18, 22));
       p.drawLine(QPointF(14, 18), QPointF(22, 18));
     }},
    {"open",
     [](QPainter& p) {
       p.setPen(Pen(kInk));
       p.setBrush(kYellow.darker(115));
       p.drawPolygon(QPolygonF({{2, 5}, {9, 5}, {11, 7}, {20, 7}, {20, 20}, {2, 20}}));
       p.setBrush(kYellow);
       p.drawPolygon(QPolygonF({{2, 20}, {6, 11}, {23, 11}, {19.5, 20}}));
     }},
    {"save",
     [](QPainter& p) {
       p.setPen(Pen(kInk));
       p.setBrush(kBlue);
       p.drawPolygon(QPolygonF({{3, 3}, {18, 3}, {21, 6}, {21, 21}, {3, 21}}));
       p.setBrush(kPaper);
       p.drawRect(QRectF(6.5, 3, 10, 6.5));
       p.setBrush(QColor(0xdd, 0xe6, 0xf0));
       p.drawRect(QRectF(6, 13, 12, 8));
       Lines(p, 8, 16, 16, 2, 2.5);
     }},
    {"undo", [](QPainter& p) { BentArrow(p, false); }},
    {"redo", [](QPainter& p) { BentArrow(p, true); }},
    {"report",
     [](QPainter& p) {
       Sheet(p, {4, 2, 16, 20});
       Lines(p, 7, 17, 8, 5, 3);
     }},
    {"connect",
     [](QPainter& p) {
       p.setPen(Pen(kInk));
       p.setBrush(kGrey);
       p.drawRoundedRect(QRectF(2, 8, 8, 8), 1.5, 1.5);
       p.drawRoundedRect(QRectF(14, 8, 8, 8), 1.5, 1.5);
       p.setPen(Pen(kInk, 1.6));
       p.drawLine(QPointF(10, 10.5), QPointF(13, 10.5));
       p.drawLine(QPointF(10, 13.5), QPointF(13, 13.5));
       p.setPen(Pen(kBlue, 2.2));
       p.drawLine(QPointF(0.5, 12), QPointF(2, 12));
       p.drawLine(QPointF(22, 12), QPointF(23.5, 12));
     }},
    {"read",
     [](QPainter& p) {
       Device(p, 2);
       StraightArrow(p, 12, 10, 22, kGreen);
     }},
    {"write",
     [](QPainter& p) {
       Device(p, 2);
       StraightArrow(p, 12, 22, 10, kRed);
     }},
    {"compare",
     [](QPainter& p) {
       Sheet(p, {2, 2, 11, 15});
       Sheet(p, {11, 7, 11, 15});
       p.setPen(Pen(kBlue, 1.6));
       p.drawLine(QPointF(14, 13), QPointF(19, 13));
       p.drawLine(QPointF(14, 16), QPointF(19, 16));
     }},
    {"check",
     [](QPainter& p) {
       p.setPen(Pen(kInk));
       p.setBrush(QColor(0xe3, 0xf4, 0xe8));
       p.drawEllipse(QPointF(12, 12), 10, 10);
       p.setPen(Pen(kGreen, 3));
       p.drawPolyline(QPolygonF({{7, 12.5}, {10.5, 16}, {17, 8}}));
     }},
    {"timeline",
     [](QPainter& p) {
       p.setPen(Pen(kInk));
       p.drawLine(QPointF(3, 2), QPointF(3, 22));
       p.drawLine(QPointF(3, 22), QPointF(22, 22));
       p.setPen(Qt::NoPen);
       const struct { double x, w; QColor c; } bars[] = {{4, 8, kBlue}, {9, 7, kGreen}, {14, 7, kYellow}, {6, 14, kRed}};
       for (int i = 0; i < 4; ++i) {
         p.setBrush(bars[i].c);
         p.drawRect(QRectF(bars[i].x, 4 + i * 4.4, bars[i].w, 3.2));
       }
     }},
    {"debug",
     [](QPainter& p) {
       p.setPen(Pen(kInk, 1.4));
       for (double y : {9.0, 13.0, 17.0}) {
         p.drawLine(QPointF(4, y - 2), QPointF(8, y));
         p.drawLine(QPointF(20, y - 2), QPointF(16, y));
       }
       p.drawLine(QPointF(10, 5), QPointF(8, 2));
       p.drawLine(QPointF(14, 5), QPointF(16, 2));
       p.setBrush(kRed);
       p.drawEllipse(QRectF(7, 5, 10, 15));
       p.drawLine(QPointF(12, 8), QPointF(12, 20));
     }},
    {"exit",
     [](QPainter& p) {
       p.setPen(Pen(kInk));
       p.setBrush(QColor(0x9c, 0x6b, 0x3f));
       p.drawRect(QRectF(3, 2, 11, 20));
       p.setBrush(kYellow);
       p.drawEllipse(QPointF(11.5, 12), 1, 1);
       p.setPen(Pen(kRed, 2.4));
       p.drawLine(QPointF(12, 12), QPointF(19, 12));
       p.setPen(Qt::NoPen);
       p.setBrush(kRed);
       p.drawPolygon(QPolygonF({{23, 12}, {18, 7.5}, {18, 16.5}}));
     }},
};

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  for (const auto& [name, draw] : kIcons) {
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kSize / 24.0, kSize / 24.0);
    draw(p);
    p.end();
    if (!image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"))) return 1;
  }
  return 0;
}
