#include "help/QuickStart.h"

#include "app/Settings.h"
#include "help/HtmlHelp.h"

namespace quillot {

void ShowQuickStartOnFirstStart() {
  if (!GlobalFirstStart) return;
  ShowHelpTopic(kQuickStartTopic);
  GlobalFirstStart = false;
}

}  // namespace quillot
