// The machine's block devices as sysfs lists them, in the order drive letters are handed out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/BlockSource.h"

namespace quillot {

struct TSysBlockEntry {
  std::string Name;        // "sda1"
  std::string DevicePath;  // "/dev/sda1"
  std::string Disk;        // the whole disk that holds it ("sda"); its own name for a whole disk
  std::string Number;      // its device number as sysfs gives it ("8:1"); empty when sysfs has none
  std::string Serial;      // the whole disk's serial number or world-wide name where sysfs has one; a loop
                           // device's backing file
  bool Partition = false;
  bool Removable = false;
  TSourceKind Kind = TSourceKind::Fixed;
  // The letter the system itself gives the device ('X'), where it gives one (Windows); 0 on Linux,
  // where the drive table hands out the letters.
  char SystemLetter = 0;
};

// Whole disks and partitions under sysRoot (normally /sys/class/block), with device nodes under devRoot.
// Left out: unattached loop devices, empty fixed devices (unconfigured zram, ram) and eMMC boot and
// RPMB areas. Order: floppies first, then disks and partitions, then optical drives, each group in
// natural name order (sda, sda1, sda2, sdb, ..., nvme0n1, nvme0n1p1, ...).
std::vector<TSysBlockEntry> ScanSysBlock(const std::string& sysRoot = "/sys/class/block",
                                         const std::string& devRoot = "/dev");

// Why the machine's own drives are missing from the drive table; empty where they are listed.
std::string DriveListingGap();

// Reads a small sysfs attribute, trimmed; empty when it is not there.
std::string ReadSysAttribute(const std::string& path);

}  // namespace quillot
