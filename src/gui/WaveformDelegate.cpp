#include "gui/WaveformDelegate.h"

#include <QPainter>
#include <QPointF>
#include <algorithm>

#include "gui/ReviewModel.h"

namespace quillot::gui {

void TWaveformDelegate::PaintEnvelope(QPainter& painter, const QRect& rect, const QVariantList& envelope) {
  if (envelope.isEmpty() || rect.width() <= 0) return;
  const double middle = rect.top() + rect.height() / 2.0;
  const double half = rect.height() / 2.0 - 1;
  const auto n = envelope.size();
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  // One column of pixels each: the envelope's points are spread over (or gathered into) the cell's width.
  for (int x = 0; x < rect.width(); ++x) {
    const qsizetype from = x * n / rect.width();
    const qsizetype to = std::max(from + 1, (x + 1) * n / rect.width());
    double peak = 0, rms = 0;
    for (qsizetype i = from; i < to && i < n; ++i) {
      const QPointF p = envelope[i].toPointF();
      peak = std::max(peak, std::clamp(p.x(), 0.0, 1.0));
      rms = std::max(rms, std::clamp(p.y(), 0.0, 1.0));
    }
    const int px = rect.left() + x;
    painter.setPen(QColor(0x9c, 0xb8, 0xd8));
    painter.drawLine(QPointF(px, middle - peak * half), QPointF(px, middle + peak * half));
    painter.setPen(QColor(0x2c, 0x5a, 0x8f));
    painter.drawLine(QPointF(px, middle - rms * half), QPointF(px, middle + rms * half));
  }
  painter.restore();
}

void TWaveformDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  PaintEnvelope(*painter, option.rect.adjusted(2, 2, -2, -2), index.data(TReviewModel::kEnvelopeRole).toList());
}

QSize TWaveformDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  return QStyledItemDelegate::sizeHint(option, index).expandedTo(QSize(160, 24));
}

}  // namespace quillot::gui
