#include "cli/Report.h"

namespace quillot::cli {

// The checks a report needs before the pass (never the source, never a file that is not a report, the
// file created first so no recovered file takes its name) are not written for Windows yet.
std::optional<std::string> PrepareReport(const std::string&, char, TReportFile&) {
  return std::string("--report is not available in the Windows build yet");
}

std::optional<std::string> PrepareMap(const std::string&, char, TReportFile&) {
  return std::string("--map is not available in the Windows build yet");
}

}  // namespace quillot::cli
