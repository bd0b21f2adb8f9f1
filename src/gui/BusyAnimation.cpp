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
  QPainter p(this);
  const int side = std::min(width(), height());
  p.drawPixmap((width() - side) / 2, (height() - side) / 2, BusyFrame(frame_, kFrames, side));
}

}  // namespace quillot::gui
