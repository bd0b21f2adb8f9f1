// A pass's options as the settings give them: the wizard's Start button runs with these, and the command
// line starts from them before its own options.
#pragma once

#include <cstdint>
#include <string>

#include "engine/RecoveryPass.h"

namespace quillot {

// The drive letter (its number follows from it), the destination folder and the start sector; the retries,
// sectors per read, trimming and reassembling from the settings (reassembling only with trimming).
TRecoveryOptions PassOptionsFromSettings(char driveLetter, const std::string& targetFolder, uint64_t startSector);

}  // namespace quillot
