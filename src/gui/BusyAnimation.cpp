#include "gui/BusyAnimation.h"

#include <QPainter>

#include "gui/Pictures.h"

namespace quillot::gui {

namespace {
constexpr int kFrames = 16;
}

TBusyAnimation::TBusyAnimation(QWidget* parent) : QWidget(parent) {
  timer_.setInterval(90);
  connect(&timer_, &QTimer::timeout, this, [this] {
    frame_ = (frame_ + 1) % kFrames;
    update();
  });
}

void TBusyAnimation::Start() {
  frame_ = 0;
  timer_.start();
  update();
}

void TBusyAnimation::Stop() { timer_.stop(); }

void TBusyAnimation::paintEvent(QPaintEvent*) {
  const int side = std::min(width(), height());
  // The frames are drawn once: a repaint during a pass should cost next to nothing.
  if (frames_.size() != kFrames || frames_.first().width() != side) {
    frames_.clear();
    for (int i = 0; i < kFrames; ++i) frames_.append(BusyFrame(i, kFrames, side));
  }
  QPainter p(this);
  p.drawPixmap((width() - side) / 2, (height() - side) / 2, frames_[frame_]);
}

}  // namespace quillot::gui
