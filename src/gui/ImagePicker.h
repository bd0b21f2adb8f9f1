// The "Add image..." file picker.
#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace quillot::gui {

// Asks for a disk-image file; answers its path, or an empty text when the user cancelled.
QString PickImageFile(QWidget* owner);

// The picker's list shows its size, type and date columns whole at any font size: they take the
// width of what they hold, the name the rest, and the dialog is wide enough for a date and a name.
void UnclipFileColumns(QFileDialog& dialog);

}  // namespace quillot::gui
