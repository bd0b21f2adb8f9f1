#include "platform/SysBlockScan.h"

namespace quillot {

// Windows has no sysfs; its drives come from GetLogicalDrives and GetDriveType, which this build does
// not ask yet. Only attached images have letters.
std::vector<TSysBlockEntry> ScanSysBlock(const std::string&, const std::string&) { return {}; }

std::string DriveListingGap() {
  return "the Windows build does not list the machine's drives yet; attach disk images with --image";
}

}  // namespace quillot
