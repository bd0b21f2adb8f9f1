// Drives as the drive list shows them: type, size, serial number, label and readiness.
#pragma once

#include <cstdint>
#include <string>

#include "drive/DriveTable.h"

namespace quillot {

struct TViewDriveParams {
  char Drive = 0;
  std::string TypeName;
  int64_t TotalSize = 0;
  uint32_t Serial = 0;
  std::string VolumeLabel;
  bool Ready = false;
  // Not ready because the system refuses the read for lack of rights, not for want of a medium.
  bool NoAccess = false;
  // Why the drive cannot be opened, as the system says it ("/dev/sdb: Permission denied"); empty otherwise.
  std::string Problem;
};

// The platform's drive-type code of a root such as "C:\": DRIVE_NO_ROOT_DIR for an empty letter.
uint32_t GetDriveTypeA(char letter);

// Fills the whole record for a letter; a drive that does not answer is shown as not ready.
void GetViewDriveParams(char letter, TViewDriveParams& params);

// The drive list's Status word: "Ready", "No access" or "No media".
std::string DriveStatusText(const TViewDriveParams& view);

// The volume answers a size query.
bool IsDriveReady(char letter);

// "Removable", "Fixed", "Network", "CDROM", "RAM" or "Unknown" for a drive-type code (top bit ignored), in the
// chosen language.
std::string DriveTypeName(uint32_t code);

// A byte count with the user's thousands separator ("16,011,804,672"); the translated
// "not available" for a negative count.
std::string SizeToText(int64_t size);

// The drive list's Drive and S/N texts: the letter with its volume label, the serial as eight hex digits.
std::string DriveCellText(const TViewDriveParams& view);
std::string SerialText(uint32_t serial);

// The thousands separator of the user's locale; "," where the locale has none.
std::string UserThousandsSeparator();

// Digits of a non-negative count in groups of three joined by separator.
std::string GroupThousands(uint64_t value, const std::string& separator);

}  // namespace quillot
