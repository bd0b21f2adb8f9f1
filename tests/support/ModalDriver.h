// Drives modal dialogs from inside their own event loop: each time a dialog of type T becomes the
// modal window, the next scripted step runs on it. A step must close the dialog (or the test stalls
// waiting for the user); a step that fails an assertion closes it with reject.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>

namespace quillot::testing {

template <class T>
class TModalDriver {
 public:
  using TStep = std::function<void(T&)>;

  TModalDriver() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }
  ~TModalDriver() { timer_.stop(); }

  // The next dialog of type T gets step.
  TModalDriver& Then(TStep step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  // How many dialogs of type T came up.
  int Shown = 0;
  // Steps not yet used.
  size_t Pending() const { return steps_.size(); }

 private:
  void Poll() {
    T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!dialog || dialog == current_) return;
    current_ = dialog;
    ++Shown;
    if (steps_.empty()) {
      // Unscripted: nobody would answer it.
      dialog->reject();
      return;
    }
    TStep step = std::move(steps_.front());
    steps_.pop_front();
    QPointer<T> guard(dialog);
    step(*dialog);
    // A step that returned early (a failed assertion) must not leave the dialog open.
    if (guard && guard->isVisible() && guard->result() == 0 && QApplication::activeModalWidget() == guard)
      QTimer::singleShot(0, guard, [guard] {
        if (guard && guard->isVisible()) guard->reject();
      });
  }

  QTimer timer_;
  std::deque<TStep> steps_;
  QPointer<T> current_;
};

}  // namespace quillot::testing
