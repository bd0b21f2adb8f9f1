// The byte layouts exchanged with the 95/98 family's virtual devices: all little-endian and packed,
// built and parsed byte by byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/LittleEndian.h"

namespace quillot {

// VWIN32 control codes.
inline constexpr uint32_t VWIN32_DIOC_DOS_IOCTL = 1;
inline constexpr uint32_t VWIN32_DIOC_DOS_INT25 = 2;
inline constexpr uint32_t VWIN32_DIOC_DOS_DRIVEINFO = 6;
// INT2F.VXD control codes.
inline constexpr uint32_t INT2F_IS_CDROM_DRIVE = 1;
inline constexpr uint32_t INT2F_READ_SECTORS = 2;
inline constexpr uint32_t kCDSectorSize = 2048;

// DIOC_REGISTERS: seven 32-bit registers in this order.
inline constexpr size_t kDiocRegistersSize = 28;
enum TDiocRegister : size_t {
  reg_EBX = 0,
  reg_EDX = 4,
  reg_ECX = 8,
  reg_EAX = 12,
  reg_EDI = 16,
  reg_ESI = 20,
  reg_Flags = 24,
};
inline constexpr uint32_t kCarryFlag = 1;

class TDiocRegisters {
 public:
  uint32_t Get(TDiocRegister r) const { return GetLE32(bytes_.data() + r); }
  void Set(TDiocRegister r, uint32_t value) { PutLE32(bytes_.data() + r, value); }
  bool Carry() const { return (Get(reg_Flags) & kCarryFlag) != 0; }
  uint8_t* Data() { return bytes_.data(); }
  const uint8_t* Data() const { return bytes_.data(); }

 private:
  std::array<uint8_t, kDiocRegistersSize> bytes_{};
};

// DISKIO packet of interrupt 25h and function 7305h.
inline constexpr size_t kDiskIoSize = 10;
inline constexpr size_t kDiskIoStartSector = 0;  // 32-bit
inline constexpr size_t kDiskIoSectors = 4;      // 16-bit
inline constexpr size_t kDiskIoBuffer = 6;       // 32-bit address

// INT2F.VXD read block.
inline constexpr size_t kCDReadSize = 10;
inline constexpr size_t kCDReadDrive = 0;   // 8-bit, 0 = A:
inline constexpr size_t kCDReadSector = 1;  // 32-bit
inline constexpr size_t kCDReadCount = 5;   // 8-bit
inline constexpr size_t kCDReadBuffer = 6;  // 32-bit address

// DEVICEPARAMS of interrupt 21h function 440Dh minor code 60h, with its BIOS parameter block.
inline constexpr size_t kDeviceParamsSize = 64;   // room for the fields below and the reserved tail
inline constexpr size_t kDpSpecialFunctions = 0;  // 8-bit
inline constexpr size_t kDpDeviceType = 1;        // 8-bit
inline constexpr size_t kDpAttributes = 2;        // 16-bit; bit 0 set = not removable
inline constexpr size_t kDpCylinders = 4;         // 16-bit
inline constexpr size_t kDpMediaType = 6;         // 8-bit
inline constexpr size_t kDpBytesPerSector = 7;    // 16-bit
inline constexpr size_t kDpTotalSectors16 = 15;   // 16-bit
inline constexpr size_t kDpSectorsPerTrack = 20;  // 16-bit
inline constexpr size_t kDpHeads = 22;            // 16-bit
inline constexpr size_t kDpTotalSectors32 = 28;   // 32-bit
inline constexpr size_t kDpMinimumSize = 32;

}  // namespace quillot
