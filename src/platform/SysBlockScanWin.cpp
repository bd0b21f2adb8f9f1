#include "platform/SysBlockScan.h"

// After our headers: windows.h defines the same drive-type names as macros.
#include <windows.h>

namespace quillot {

namespace {
// Network drives have no volume to read sector by sector; letters with no root have nothing behind them.
bool KindOfDriveType(UINT type, char letter, TSourceKind& kind) {
  switch (type) {
    case DRIVE_REMOVABLE: kind = letter <= 'B' ? TSourceKind::Floppy : TSourceKind::Removable; return true;
    case DRIVE_FIXED: kind = TSourceKind::Fixed; return true;
    case DRIVE_CDROM: kind = TSourceKind::Optical; return true;
    case DRIVE_RAMDISK: kind = TSourceKind::Ram; return true;
    default: return false;
  }
}
}  // namespace

// Windows has no sysfs: the system's own drive letters are the list, each volume read as \\.\X:. The
// entry carries the letter as SystemLetter, and the drive table keeps it.
std::vector<TSysBlockEntry> ScanSysBlock(const std::string&, const std::string&) {
  std::vector<TSysBlockEntry> found;
  const DWORD mask = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((mask & (1u << i)) == 0) continue;
    const char letter = static_cast<char>('A' + i);
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + i), L':', L'\\', L'\0'};
    TSysBlockEntry e;
    if (!KindOfDriveType(::GetDriveTypeW(root), letter, e.Kind)) continue;
    e.Name = std::string(1, letter) + ":";
    e.SystemLetter = letter;
    e.DevicePath = "\\\\.\\" + e.Name;
    e.Disk = e.Name;
    e.Removable = e.Kind != TSourceKind::Fixed && e.Kind != TSourceKind::Ram;
    found.push_back(std::move(e));
  }
  return found;
}

std::string DriveListingGap() { return {}; }

}  // namespace quillot
