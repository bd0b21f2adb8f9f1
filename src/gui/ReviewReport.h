// An earlier pass's JSON report read back for the review window (quillot --review).
#pragma once

#include <QString>
#include <vector>

#include "gui/ReviewModel.h"

namespace quillot::gui {

struct TReviewReport {
  std::vector<TReviewFile> Files;
  // The sectors the report covers: its first file's start to its last file's end.
  uint64_t FirstSector = 0, EndSector = 0;
};

// Reads path; on failure answers false with the message to show in error.
bool LoadReviewReport(const QString& path, TReviewReport& report, QString& error);

}  // namespace quillot::gui
