// The Help buttons ask for help as a press of F1 on the focused control would, so the page or dialog the
// user works in decides the topic.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace quillot::gui {

inline void PressHelpKey(QWidget* fallback) {
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : fallback;
  QApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
  QApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier));
}

}  // namespace quillot::gui
