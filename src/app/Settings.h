// The eight persistent settings: process-wide values, loaded before any window exists and
// written back when the program ends.
#pragma once

#include <cstdint>
#include <string>

namespace quillot {

extern int32_t GlobalLastTip;
extern bool GlobalFirstStart;
extern std::string GlobalLanguage;

extern std::string RecoveryTargetFolder;
extern std::string RecoveryFilenamePrefix;
extern int32_t RecoveryRetryCount;
extern int32_t RecoverySectorsToRead;
extern bool RecoveryAdvancedMode;

}  // namespace quillot
