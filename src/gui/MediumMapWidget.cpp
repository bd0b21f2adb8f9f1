#include "gui/MediumMapWidget.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "gui/GuiMessages.h"
#include "gui/QtText.h"
#include "gui/ReviewModel.h"

namespace quillot::gui {

TMediumMapWidget::TMediumMapWidget(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QColor TMediumMapWidget::VerdictColour(TVerdict verdict) {
  switch (verdict) {
    case TVerdict::Whole: return QColor(0x3a, 0x9d, 0x23);
    case TVerdict::CutShort: return QColor(0xe0, 0xa8, 0x00);
    case TVerdict::Damaged: return QColor(0xd0, 0x34, 0x2c);
    case TVerdict::Unknown: break;
  }
  return QColor(0x8a, 0x8a, 0x8a);
}

void TMediumMapWidget::SetMedium(uint64_t first, uint64_t end, std::vector<TRecoveredFile> files) {
  first_ = first;
  end_ = std::max(end, first + 1);
  files_ = std::move(files);
  spans_.clear();
  for (size_t i = 0; i < files_.size(); ++i) {
    const TRecoveredFile& f = files_[i];
    if (f.Pieces.empty())
      spans_.push_back({int(i), f.FirstSector, std::max<uint64_t>(f.Sectors, 1)});
    else
      for (const TRecoveredFile::TRun& piece : f.Pieces) spans_.push_back({int(i), piece.First, piece.Count});
  }
  selected_ = -1;
  update();
}

QRect TMediumMapWidget::Bar() const { return rect().adjusted(1, 4, -2, -5); }

int TMediumMapWidget::X(uint64_t sector) const {
  const QRect bar = Bar();
  sector = std::clamp(sector, first_, end_);
  return bar.left() + static_cast<int>(static_cast<double>(sector - first_) * bar.width() / double(end_ - first_));
}

// At least two pixels wide, so a short file on a large card can still be seen and clicked.
QRect TMediumMapWidget::SpanRect(uint64_t first, uint64_t count) const {
  const QRect bar = Bar();
  const int left = X(first);
  const int right = std::max(X(first + count), left + 2);
  return QRect(left, bar.top(), right - left, bar.height());
}

std::vector<QRect> TMediumMapWidget::SpansOf(int file) const {
  std::vector<QRect> rects;
  for (const TSpan& s : spans_)
    if (s.File == file) rects.push_back(SpanRect(s.First, s.Count));
  return rects;
}

int TMediumMapWidget::FileAt(QPoint point) const {
  // The last drawn lies on top.
  for (auto it = spans_.rbegin(); it != spans_.rend(); ++it)
    if (SpanRect(it->First, it->Count).contains(point)) return it->File;
  return -1;
}

void TMediumMapWidget::SetSelected(int file) {
  selected_ = file;
  update();
}

void TMediumMapWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect bar = Bar();
  painter.fillRect(bar, QColor(0xe8, 0xe8, 0xe8));
  for (const TSpan& s : spans_)
    painter.fillRect(SpanRect(s.First, s.Count), VerdictColour(files_[size_t(s.File)].Verdict));
  // Unreadable sectors: a black tick through the bar.
  painter.setPen(Qt::black);
  for (const TRecoveredFile& f : files_)
    for (uint64_t sector : f.UnreadableSectors) painter.drawLine(X(sector), bar.top() - 3, X(sector), bar.bottom() + 3);
  painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
  painter.setBrush(Qt::NoBrush);
  for (const QRect& r : SpansOf(selected_)) painter.drawRect(r.adjusted(0, -2, 0, 2));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(bar);
}

void TMediumMapWidget::mousePressEvent(QMouseEvent* event) {
  const int file = FileAt(event->position().toPoint());
  if (file >= 0) emit FileClicked(file);
}

QString TMediumMapWidget::HintAt(QPoint point) const {
  const int file = FileAt(point);
  if (file >= 0) {
    const TRecoveredFile& f = files_[size_t(file)];
    const uint64_t last = f.FirstSector + (f.Sectors ? f.Sectors - 1 : 0);
    return ToQ(Tr(strMapFileHint,
                  {f.Name, std::to_string(f.FirstSector), std::to_string(last), FromQ(TReviewModel::VerdictText(f))}));
  }
  for (const TRecoveredFile& f : files_)
    for (uint64_t sector : f.UnreadableSectors)
      if (std::abs(X(sector) - point.x()) <= 1) return ToQ(Tr(strMapUnreadableHint, {std::to_string(sector)}));
  return {};
}

bool TMediumMapWidget::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const QString text = HintAt(help->pos());
  if (text.isEmpty())
    QToolTip::hideText();
  else
    QToolTip::showText(help->globalPos(), text, this);
  return true;
}

}  // namespace quillot::gui
