// The label and serial number of the file system on an open source, read with libblkid.
#pragma once

#include <cstdint>
#include <string>

namespace quillot {

struct TVolumeFacts {
  std::string Type;   // "vfat", "exfat", "ntfs", ...
  std::string Label;  // empty when the file system has none
  uint32_t Serial = 0;
};

// Probes the file system on fd (read only). False when no file system is recognised.
bool ProbeVolume(int fd, TVolumeFacts& facts);

// The 32-bit volume serial number Windows shows, from the type and UUID text blkid reports:
// FAT and exFAT "1234-ABCD" give 1234ABCD, NTFS's 64-bit serial gives its low 32 bits; 0 for any other
// file system or a malformed UUID.
uint32_t SerialFromUuid(const std::string& type, const std::string& uuid);

}  // namespace quillot
