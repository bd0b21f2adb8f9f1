// Draws a row's waveform from the decoder's envelope: the peak as a light band, the loudness (RMS) as a
// dark one, both mirrored about the middle line.
#pragma once

#include <QStyledItemDelegate>

namespace quillot::gui {

class TWaveformDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The picture alone, for an envelope of QPointF(peak, rms) columns.
  static void PaintEnvelope(QPainter& painter, const QRect& rect, const QVariantList& envelope);
};

}  // namespace quillot::gui
