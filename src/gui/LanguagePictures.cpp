#include "gui/LanguagePictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace quillot::gui {

namespace {
constexpr int kSize = 16;
// Where a flag lies in its 16 x 16 picture: 3:2, centred, its border inside.
const QRect kFlag(1, 3, 14, 10);

QPixmap Blank() {
  QPixmap pm(kSize, kSize);
  pm.fill(Qt::transparent);
  return pm;
}

void Border(QPainter& p, const QRect& r) {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(70, 70, 70));
  p.setBrush(Qt::NoBrush);
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

// Three horizontal bands, top to bottom.
QPixmap Tricolour(const QColor& top, const QColor& middle, const QColor& bottom) {
  QPixmap pm = Blank();
  QPainter p(&pm);
  const int band = kFlag.height() / 3;
  const int rest = kFlag.height() - 2 * band;
  p.fillRect(QRect(kFlag.left(), kFlag.top(), kFlag.width(), band), top);
  p.fillRect(QRect(kFlag.left(), kFlag.top() + band, kFlag.width(), rest), middle);
  p.fillRect(QRect(kFlag.left(), kFlag.bottom() - band + 1, kFlag.width(), band), bottom);
  Border(p, kFlag);
  return pm;
}

// The crosses of the union flag on a blue field, scaled into r.
void UnionFlag(QPainter& p, const QRectF& r) {
  p.save();
  p.setClipRect(r);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(r, QColor(1, 33, 105));
  const qreal unit = r.height() / 10.0;
  p.setPen(QPen(Qt::white, 2.0 * unit, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(r.topLeft(), r.bottomRight());
  p.drawLine(r.bottomLeft(), r.topRight());
  p.setPen(QPen(QColor(200, 16, 46), 0.8 * unit, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(r.topLeft(), r.bottomRight());
  p.drawLine(r.bottomLeft(), r.topRight());
  p.setRenderHint(QPainter::Antialiasing, false);
  const QPointF c = r.center();
  p.fillRect(QRectF(r.left(), c.y() - 1.7 * unit, r.width(), 3.4 * unit), Qt::white);
  p.fillRect(QRectF(c.x() - 1.7 * unit, r.top(), 3.4 * unit, r.height()), Qt::white);
  p.fillRect(QRectF(r.left(), c.y() - unit, r.width(), 2 * unit), QColor(200, 16, 46));
  p.fillRect(QRectF(c.x() - unit, r.top(), 2 * unit, r.height()), QColor(200, 16, 46));
  p.restore();
}

void Globe(QPainter& p, const QRectF& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient sea(r.center() - QPointF(r.width() * 0.2, r.height() * 0.2), r.width() * 0.7);
  sea.setColorAt(0, QColor(120, 185, 245));
  sea.setColorAt(1, QColor(24, 86, 168));
  p.setPen(Qt::NoPen);
  p.setBrush(sea);
  p.drawEllipse(r);
  // Two pieces of land, clipped to the sphere.
  QPainterPath sphere;
  sphere.addEllipse(r);
  p.setClipPath(sphere);
  p.setBrush(QColor(70, 160, 70));
  const qreal w = r.width(), h = r.height();
  QPainterPath land;
  land.moveTo(r.left() + w * 0.18, r.top() + h * 0.22);
  land.cubicTo(r.left() + w * 0.45, r.top() + h * 0.05, r.left() + w * 0.55, r.top() + h * 0.35, r.left() + w * 0.40,
               r.top() + h * 0.50);
  land.cubicTo(r.left() + w * 0.30, r.top() + h * 0.62, r.left() + w * 0.10, r.top() + h * 0.45, r.left() + w * 0.18,
               r.top() + h * 0.22);
  land.moveTo(r.left() + w * 0.62, r.top() + h * 0.55);
  land.cubicTo(r.left() + w * 0.90, r.top() + h * 0.50, r.left() + w * 0.85, r.top() + h * 0.85, r.left() + w * 0.62,
               r.top() + h * 0.92);
  land.cubicTo(r.left() + w * 0.52, r.top() + h * 0.80, r.left() + w * 0.50, r.top() + h * 0.62, r.left() + w * 0.62,
               r.top() + h * 0.55);
  p.drawPath(land);
  // Meridian and parallel.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 150), qMax<qreal>(0.8, w / 24)));
  p.drawEllipse(QRectF(r.center().x() - w * 0.22, r.top(), w * 0.44, h));
  p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
  p.setClipping(false);
  p.setPen(QPen(QColor(16, 50, 100), qMax<qreal>(1.0, w / 20)));
  p.drawEllipse(r);
  p.restore();
}

QPixmap AnyLanguage() {
  QPixmap pm = Blank();
  QPainter p(&pm);
  Globe(p, QRectF(1, 1, 14, 14));
  return pm;
}

// A program window holding the English flag: the texts built into the program.
QPixmap BuiltIn() {
  QPixmap pm = Blank();
  QPainter p(&pm);
  p.fillRect(QRect(0, 1, 16, 14), QColor(236, 236, 236));
  p.fillRect(QRect(0, 1, 16, 4), QColor(40, 90, 170));
  p.fillRect(QRect(11, 2, 3, 2), Qt::white);
  const QRect flag(3, 7, 10, 6);
  p.fillRect(flag, Qt::white);
  p.fillRect(QRect(3, 9, 10, 2), QColor(200, 16, 46));
  p.fillRect(QRect(7, 7, 2, 6), QColor(200, 16, 46));
  Border(p, flag.adjusted(-1, -1, 1, 1));
  Border(p, QRect(0, 1, 16, 14));
  return pm;
}

QPixmap English() {
  // Drawn four times larger and scaled down: at 14 x 10 pixels the crosses would run together.
  constexpr int kScale = 4;
  QImage large(kFlag.size() * kScale, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&large);
    UnionFlag(p, QRectF(large.rect()));
  }
  QPixmap pm = Blank();
  QPainter p(&pm);
  p.drawImage(kFlag, large.scaled(kFlag.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  Border(p, kFlag);
  return pm;
}
}  // namespace

const QList<QPixmap>& LanguagePictures() {
  static const QList<QPixmap> pictures{
      AnyLanguage(),
      BuiltIn(),
      English(),
      Tricolour(QColor(174, 28, 40), Qt::white, QColor(33, 70, 139)),  // Dutch
      Tricolour(Qt::white, QColor(0, 57, 166), QColor(213, 43, 30)),   // Russian
      Tricolour(Qt::black, QColor(221, 0, 0), QColor(255, 206, 0)),    // German
  };
  return pictures;
}

QPixmap LanguagePagePicture(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 48.0;
  Globe(p, QRectF(2 * s, 10 * s, 34 * s, 34 * s));
  // A speech bubble in front of the globe's shoulder.
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(22 * s, 2 * s, 24 * s, 16 * s), 5 * s, 5 * s);
  QPainterPath tail;
  tail.moveTo(27 * s, 16 * s);
  tail.lineTo(24 * s, 23 * s);
  tail.lineTo(32 * s, 17 * s);
  tail.closeSubpath();
  bubble = bubble.united(tail);
  p.setPen(QPen(QColor(90, 90, 90), qMax<qreal>(1.0, s)));
  p.setBrush(Qt::white);
  p.drawPath(bubble);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 90, 170));
  for (int i = 0; i < 3; ++i) p.drawEllipse(QPointF((28 + i * 6) * s, 10 * s), 1.7 * s, 1.7 * s);
  return pm;
}

}  // namespace quillot::gui
