// The --report file: one row per recovered file, as TSV, or JSON when the name ends in .json.
#pragma once

#include <string>
#include <vector>

#include "engine/RecoveryView.h"

namespace quillot::cli {

std::string ReportText(const std::vector<TRecoveredFile>& files, bool json);
bool WriteReport(const std::string& path, const std::vector<TRecoveredFile>& files, std::string& error);

}  // namespace quillot::cli
