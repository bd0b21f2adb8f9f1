// Core's message boxes and questions as Qt message boxes.
#pragma once

#include "platform/Dialogs.h"

namespace quillot::gui {

class TQtDialogs final : public TDialogs {
 public:
  TDialogAnswer Show(const std::string& text, const std::string& caption, TDialogButtons buttons,
                     TDialogIcon icon) override;
};

}  // namespace quillot::gui
