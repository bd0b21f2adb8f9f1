// Whether a destination folder lies on the source of a drive: compared by device, not by path text.
#pragma once

#include <sys/types.h>

#include <string>

namespace quillot {

// True when the nearest existing folder of destination is stored on the drive's source: on the block
// device itself, one of its partitions or the disk that holds it, also through device-mapper or loop
// devices stacked on them. An image-file source conflicts only with a destination inside a file system
// mounted from that image. False for an empty letter, a source without a path, or a destination on no
// block device (tmpfs).
bool DestinationOnDrive(char letter, const std::string& destination);

// The nearest folder of path (made absolute) that exists; "/" at worst.
std::string NearestExistingFolder(const std::string& path);

// What a source is, for the comparison.
struct TSourceIdentity {
  bool IsBlockDevice = false;
  dev_t Device = 0;  // the block device (st_rdev)
  bool IsImageFile = false;
  dev_t FileDevice = 0;  // the image file (st_dev, st_ino)
  ino_t FileInode = 0;
};

// The identity of a path (device node or image file); false when it cannot be examined.
bool IdentifySource(const std::string& path, TSourceIdentity& identity);

// True when a file system on block device fsDevice is stored on the source, judged from sysfs under
// sysDevBlock (normally /sys/dev/block).
bool DeviceOnSource(dev_t fsDevice, const TSourceIdentity& source, const std::string& sysDevBlock = "/sys/dev/block");

}  // namespace quillot
