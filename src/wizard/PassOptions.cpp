#include "wizard/PassOptions.h"

#include "app/Settings.h"

namespace quillot {

TRecoveryOptions PassOptionsFromSettings(char driveLetter, const std::string& targetFolder, uint64_t startSector) {
  TRecoveryOptions options;
  options.DriveLetter = driveLetter;
  options.DriveNumber = driveLetter >= 'A' && driveLetter <= 'Z' ? static_cast<uint8_t>(driveLetter - 'A' + 1) : 0;
  options.TargetFolder = targetFolder;
  options.RetryCount = RecoveryRetryCount;
  options.SectorsToRead = RecoverySectorsToRead;
  options.StartSector = startSector;
  options.Trim = RecoveryTrimFiles;
  options.Reassemble = RecoveryTrimFiles && RecoveryReassemble;
  return options;
}

}  // namespace quillot
