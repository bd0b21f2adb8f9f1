// The Help buttons of the windows: they ask for help as if the user had pressed F1.
#pragma once

class QWidget;

namespace quillot::gui {

// Posts an F1 key press and release to the focused control, or to window when nothing has the focus;
// the help filter then opens the topic of that control's page or window.
void PressHelpKey(QWidget* window);

}  // namespace quillot::gui
