// The medium as one bar (the layout and colours the command line's --map draws): every recovered file a
// span coloured by its verdict (each piece of a reassembled file a span of its own), unreadable sectors marked. A click
// on a span picks its file; hovering names it.
#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>
#include <vector>

#include "engine/MediumMap.h"
#include "engine/RecoveryView.h"

namespace quillot::gui {

class TMediumMapWidget : public QWidget {
  Q_OBJECT
 public:
  explicit TMediumMapWidget(QWidget* parent = nullptr);

  // The bar covers sectors [first, end); files are indexed as given.
  void SetMedium(uint64_t first, uint64_t end, std::vector<TRecoveredFile> files);
  // The file whose span holds the point, or -1.
  int FileAt(QPoint point) const;
  // The spans of file i, in widget pixels (tests and hints read them).
  std::vector<QRect> SpansOf(int file) const;
  // What hovering over point tells: the file there, or an unreadable sector; empty elsewhere.
  QString HintAt(QPoint point) const;
  void SetSelected(int file);
  static QColor ClaimColour(TClaim claim);

  QSize sizeHint() const override { return {600, 34}; }
  QSize minimumSizeHint() const override { return {120, 34}; }

 signals:
  void FileClicked(int file);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QRect Bar() const;
  QRect SpanRect(uint64_t first, uint64_t count) const;
  int X(uint64_t sector) const;

  TMediumMap map_;
  std::vector<TRecoveredFile> files_;
  int selected_ = -1;
};

}  // namespace quillot::gui
