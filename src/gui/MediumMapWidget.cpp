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

QColor TMediumMapWidget::ClaimColour(TClaim claim) { return QColor(QLatin1String(quillot::ClaimColour(claim))); }

void TMediumMapWidget::SetMedium(uint64_t first, uint64_t end, std::vector<TRecoveredFile> files) {
  files_ = std::move(files);
  map_ = LayOutMedium(first, std::max(end, first + 1), files_);
  selected_ = -1;
  update();
}

QRect TMediumMapWidget::Bar() const { return rect().adjusted(1, 4, -2, -5); }

int TMediumMapWidget::X(uint64_t sector) const {
  const QRect bar = Bar();
  return bar.left() + static_cast<int>(map_.Fraction(sector) * bar.width());
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
  for (const TMapSpan& s : map_.Spans)
    if (static_cast<int>(s.File) == file) rects.push_back(SpanRect(s.First, s.Count));
  return rects;
}

int TMediumMapWidget::FileAt(QPoint point) const {
  // The last drawn lies on top.
  for (auto it = map_.Spans.rbegin(); it != map_.Spans.rend(); ++it)
    if (SpanRect(it->First, it->Count).contains(point)) return static_cast<int>(it->File);
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
  for (const TMapSpan& s : map_.Spans) painter.fillRect(SpanRect(s.First, s.Count), ClaimColour(s.Claim));
  // Unreadable sectors: a tick through the bar for each run, at least a pixel wide.
  const QColor unreadable{QLatin1String(kUnreadableColour)};
  for (const TRecoveredFile::TRun& run : map_.Unreadable)
    painter.fillRect(
        QRect(X(run.First), bar.top() - 3, std::max(1, X(run.First + run.Count) - X(run.First)), bar.height() + 6),
        unreadable);
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
  for (const TRecoveredFile::TRun& run : map_.Unreadable)
    if (point.x() >= X(run.First) - 1 && point.x() <= X(run.First + run.Count) + 1)
      return ToQ(Tr(strMapUnreadableHint, {std::to_string(run.First)}));
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
