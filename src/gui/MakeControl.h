// Controls are made with their object names, which the language files and the help topics key on.
#pragma once

#include <QString>
#include <QWidget>
#include <utility>

namespace quillot::gui {

template <class T, class... Args>
T* Make(QWidget* parent, const char* name, Args&&... args) {
  T* w = new T(std::forward<Args>(args)..., parent);
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

}  // namespace quillot::gui
