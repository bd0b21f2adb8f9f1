// The quick start that opens by itself the first time the program starts.
#pragma once

namespace quillot {

inline constexpr const char* kQuickStartTopic = "/files/quickstart.html";

// The last step of the main window's creation: on the first start, shows the quick-start topic of the
// application's help file (or says it cannot), and records that the first start is over.
void ShowQuickStartOnFirstStart();

}  // namespace quillot
