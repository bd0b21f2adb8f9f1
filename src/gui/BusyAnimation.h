// The Progress page's busy animation: a magnifier searching a page while a pass runs.
#pragma once

#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace quillot::gui {

class TBusyAnimation : public QWidget {
  Q_OBJECT
 public:
  explicit TBusyAnimation(QWidget* parent);
  void Start();
  void Stop();
  bool Active() const { return timer_.isActive(); }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QTimer timer_;
  int frame_ = 0;
  QList<QPixmap> frames_;
};

}  // namespace quillot::gui
