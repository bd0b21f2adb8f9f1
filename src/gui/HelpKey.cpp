#include "gui/HelpKey.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace quillot::gui {

void PressHelpKey(QWidget* window) {
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
  if (!target) return;
  QApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
  QApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier));
}

}  // namespace quillot::gui
