// The destination page's folder picker, a component of the window so that its texts translate.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace quillot::gui {

class TFolderPicker : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Caption MEMBER Caption)
 public:
  explicit TFolderPicker(QObject* parent) : QObject(parent) {}
  QString Caption = QStringLiteral("Select Folder");
  QString Prompt = QStringLiteral("Folder:");

  // Shows the picker starting at start (when not empty); answers the chosen folder without a trailing
  // delimiter, or an empty text when the user cancelled.
  QString Execute(QWidget* owner, const QString& start) const;
};

}  // namespace quillot::gui
