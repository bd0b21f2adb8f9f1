// Times one recovery pass driven through the wizard window, for comparison with the command line.
#pragma once

#include <QString>

namespace quillot::gui {

// Attaches image, walks the window to the Progress page with destination as the folder, presses Start
// and prints the time the pass took. A dry run writes nothing. Answers the process's exit status.
int BenchPass(const QString& image, const QString& destination, bool dryRun);

}  // namespace quillot::gui
