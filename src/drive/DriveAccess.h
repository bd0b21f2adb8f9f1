// The drive-access layer's shared state and inner queries (IORoutines and DriveParams use them).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "drive/IORoutines.h"
#include "platform/BlockSource.h"
#include "platform/DeviceIo.h"

namespace quillot {

inline constexpr size_t kTransferAreaSize = 65536;
// The 95/98 family's read services and parameter block count sectors in 32 bits.
inline constexpr uint64_t kServiceSectorLimit = uint64_t{1} << 32;

struct TDriveAccessState {
  // Linux is of the NT family until DriveAccessInit learns otherwise.
  bool IsWinNT = true;
  bool HasExtAbsRead = false;
  TDeviceHandle Vwin32 = INVALID_HANDLE_VALUE;
  TDeviceHandle Int2f = INVALID_HANDLE_VALUE;

  // The NT path's one cached volume handle: the source it was opened on, the open session (null when
  // the open failed, so it is never reused) and the drive number it was opened for.
  std::shared_ptr<TBlockSource> CachedSource;
  std::unique_ptr<TBlockDevice> CachedDevice;
  uint8_t CachedDrive = 0;
  TDriveParams ReaderParams;
  bool ReaderParamsValid = false;
  uint8_t SectorShift = 0;
  size_t LastTransferred = 0;  // bytes the last NT read put into its caller's buffer
  bool InHook = false;         // the transfer hook runs, between two transfers of a read
  std::array<uint8_t, kTransferAreaSize> TransferArea{};
};

TDriveAccessState& AccessState();

struct TOSVersionInfoA;
// The 7305h rule: 95/98 family, and a version above 4.0, or 4.0 with the service-pack text "B".
bool HasExtAbsReadFor(const TOSVersionInfoA& version);

// Describes an open source as the NT family's parameter query does.
bool DescribeNtDrive(const TBlockSource& source, TBlockDevice& device, TDriveParams& params);

// The volume size of a drive in bytes; -1 when it has no source, no medium or no length.
int64_t VolumeSize(uint8_t DriveNumber);

// 95/98 family: the sector size VWIN32 reports for the medium in the drive; 0 when it answers nothing.
uint32_t SectorSize9x(uint8_t DriveNumber);

// 95/98 family: asks INT2F.VXD whether the drive is a CD-ROM drive. False without the device.
bool IsCDROMDrive(uint8_t DriveNumber);

}  // namespace quillot
