#include "drive/IORoutines.h"

namespace quillot {

// Placeholder until the drive table lands: no drive can be described or read.
bool GetDriveParams(uint8_t, TDriveParams&) { return false; }
bool ReadSectors(uint8_t, uint32_t, uint16_t, void*) { return false; }
void DriveAccessInit() {}
void DriveAccessDone() {}

}  // namespace quillot
