#include "gui/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace quillot::gui {

namespace {
const QColor kDeepBlue(22, 58, 110);
const QColor kMidBlue(54, 112, 178);
const QColor kPaleBlue(196, 220, 244);
const QColor kAmber(243, 176, 54);

void DrawCard(QPainter& p, QRectF r) {
  QPainterPath card;
  const qreal cut = r.width() * 0.28;
  card.moveTo(r.left(), r.top() + cut);
  card.lineTo(r.left() + cut, r.top());
  card.lineTo(r.right(), r.top());
  card.lineTo(r.right(), r.bottom());
  card.lineTo(r.left(), r.bottom());
  card.closeSubpath();
  p.setPen(QPen(QColor(30, 30, 40), 2));
  QLinearGradient g(r.topLeft(), r.bottomRight());
  g.setColorAt(0, QColor(70, 70, 84));
  g.setColorAt(1, QColor(28, 28, 36));
  p.setBrush(g);
  p.drawPath(card);
  // Contacts along the top edge.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(214, 178, 80));
  const qreal w = (r.width() - cut - 10) / 5;
  for (int i = 0; i < 5; ++i) p.drawRect(QRectF(r.left() + cut + 4 + i * w, r.top() + 5, w - 3, r.height() * 0.16));
  // The label with a note on it.
  QRectF label(r.left() + 8, r.top() + r.height() * 0.34, r.width() - 16, r.height() * 0.52);
  p.setBrush(kPaleBlue);
  p.drawRoundedRect(label, 3, 3);
  p.setBrush(kDeepBlue);
  const QPointF head(label.center().x() - 6, label.bottom() - 12);
  p.drawEllipse(head, 7, 5.5);
  p.drawRect(QRectF(head.x() + 5, label.top() + 8, 3, label.bottom() - 12 - label.top() - 8));
  QPainterPath flag;
  flag.moveTo(head.x() + 8, label.top() + 8);
  flag.cubicTo(head.x() + 20, label.top() + 12, head.x() + 14, label.top() + 22, head.x() + 20, label.top() + 28);
  flag.lineTo(head.x() + 8, label.top() + 18);
  p.drawPath(flag);
}
}  // namespace

QPixmap SidePicture() {
  QPixmap pm(135, 352);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, 352);
  sky.setColorAt(0, kDeepBlue);
  sky.setColorAt(0.6, kMidBlue);
  sky.setColorAt(1, kPaleBlue);
  p.fillRect(pm.rect(), sky);

  // A sound wave rising out of the card: the files coming back.
  p.setPen(QPen(QColor(255, 255, 255, 190), 2.2));
  QPainterPath wave;
  for (int y = 20; y <= 210; ++y) {
    const qreal amp = 8 + (210 - y) * 0.12;
    const qreal x = 67 + amp * std::sin(y * 0.13) * std::sin(y * 0.021 + 0.4);
    if (y == 20)
      wave.moveTo(x, y);
    else
      wave.lineTo(x, y);
  }
  p.drawPath(wave);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 7; ++i) {
    p.setBrush(QColor(kAmber.red(), kAmber.green(), kAmber.blue(), 230 - i * 25));
    const qreal y = 30 + i * 26;
    p.drawEllipse(QPointF(i % 2 ? 30 : 104, y), 3.5 - i * 0.3, 3.5 - i * 0.3);
  }
  DrawCard(p, QRectF(32, 220, 72, 96));

  // The reader's shelf under the card.
  p.setBrush(QColor(255, 255, 255, 60));
  p.drawRoundedRect(QRectF(18, 312, 100, 14), 4, 4);
  return pm;
}

QIcon CategoryImage() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(150, 110, 20), 1));
  p.setBrush(QColor(250, 210, 90));
  p.drawRect(QRectF(1.5, 3.5, 6, 2));
  p.drawRect(QRectF(1.5, 4.5, 13, 9));
  p.setPen(Qt::NoPen);
  p.setBrush(kDeepBlue);
  p.drawEllipse(QPointF(7, 11), 2, 1.6);
  p.drawRect(QRectF(8.3, 6.5, 1.2, 4.5));
  p.drawRect(QRectF(8.3, 6.5, 3, 1.2));
  return QIcon(pm);
}

QList<QPixmap> CheckImages() {
  QList<QPixmap> images;
  for (int i = 0; i < 4; ++i) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const bool grey = i == 3;
    p.setPen(QPen(grey ? QColor(140, 140, 140) : QColor(40, 60, 90), 1));
    p.setBrush(grey ? QColor(225, 225, 225) : QColor(255, 255, 255));
    p.drawRect(QRectF(2.5, 2.5, 11, 11));
    if (i >= 2) {
      p.setPen(
          QPen(grey ? QColor(128, 128, 128) : QColor(20, 110, 40), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      QPainterPath tick;
      tick.moveTo(4.8, 8.2);
      tick.lineTo(7.2, 10.8);
      tick.lineTo(11.4, 5.2);
      p.setBrush(Qt::NoBrush);
      p.drawPath(tick);
    }
    images.append(pm);
  }
  return images;
}

QPixmap BusyFrame(int frame, int frameCount, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 48.0;
  // A page with lines of text.
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6 * s, 4 * s, 26 * s, 34 * s));
  p.setPen(QPen(QColor(150, 170, 200), 1.5 * s));
  for (int i = 0; i < 6; ++i) p.drawLine(QPointF(10 * s, (10 + i * 4.5) * s), QPointF(28 * s, (10 + i * 4.5) * s));
  // The magnifier runs round a small circle over the page.
  const qreal a = 2 * M_PI * frame / frameCount;
  const QPointF c((22 + 7 * std::cos(a)) * s, (22 + 7 * std::sin(a)) * s);
  p.setPen(QPen(QColor(60, 40, 20), 3.2 * s, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c + QPointF(6.5 * s, 6.5 * s), c + QPointF(14 * s, 14 * s));
  p.setPen(QPen(kDeepBlue, 2 * s));
  p.setBrush(QColor(200, 225, 255, 150));
  p.drawEllipse(c, 8 * s, 8 * s);
  return pm;
}

}  // namespace quillot::gui
