#include "app/Settings.h"

namespace quillot {

int32_t GlobalLastTip = 0;
bool GlobalFirstStart = true;
std::string GlobalLanguage;

std::string RecoveryTargetFolder;
std::string RecoveryFilenamePrefix = "file";
int32_t RecoveryRetryCount = 1;
int32_t RecoverySectorsToRead = 5000;
bool RecoveryAdvancedMode = false;

}  // namespace quillot
