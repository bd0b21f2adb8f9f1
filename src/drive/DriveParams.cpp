// GetDriveParams on both platform families.
#include <algorithm>
#include <cstring>

#include "drive/DriveAccess.h"
#include "drive/DriveTable.h"
#include "platform/AddressTokens.h"
#include "platform/DiskGeometry.h"
#include "platform/Win9xBlocks.h"

namespace quillot {

namespace {
constexpr uint8_t kSectorSizeUnknown = 0;

void FillCDROM(TDriveParams& params, int64_t volumeSize) {
  params = TDriveParams{};
  params.DriveKind = dkCDROM;
  params.Removable = 1;
  params.BytesPerSec = kCDSectorSize;
  params.TotalPhysSec = volumeSize < 0 ? 0 : SectorsOfLength(static_cast<uint64_t>(volumeSize), kCDSectorSize);
}

void ApplyMediaType(uint32_t mediaType, TDriveParams& params) {
  if (mediaType == MediaUnknown) {
    params.DriveKind = dkUnknown;
    params.Removable = 0;
  } else if ((mediaType >= 1 && mediaType <= 10) || (mediaType >= 13 && mediaType <= 22)) {
    params.DriveKind = dkFloppy;
    params.Removable = 1;
  } else if (mediaType == RemovableMedia) {
    params.DriveKind = dkRemovable;
    params.Removable = 1;
  } else if (mediaType == FixedMedia) {
    params.DriveKind = dkFixed;
    params.Removable = 0;
  } else {
    params.Removable = 0;  // kind unchanged
  }
}

bool GetDriveParamsNT(uint8_t DriveNumber, TDriveParams& params) {
  const char letter = DriveLetterOf(DriveNumber);
  auto source = letter ? DriveTable().Source(letter) : nullptr;
  if (!source) return false;
  std::string error;
  auto device = source->Open(error);
  if (!device) {
    // An empty optical drive answers, with no sectors: the pass then says the drive has none.
    if (DriveTypeOfKind(source->Kind()) != DRIVE_CDROM || !source->LastOpenFoundNoMedium()) return false;
    FillCDROM(params, -1);
    return true;
  }
  return DescribeNtDrive(*source, *device, params);
}

// One 440Dh/0860h call; answers whether it counted, and the block it filled.
bool AskDeviceParams(uint8_t DriveNumber, uint8_t specialFunctions, std::array<uint8_t, kDeviceParamsSize>& block) {
  block.fill(0);
  block[kDpSpecialFunctions] = specialFunctions;
  TScopedAddress address(block.data(), block.size());
  TDiocRegisters regs;
  regs.Set(reg_EAX, 0x440D);
  regs.Set(reg_EBX, DriveNumber);
  regs.Set(reg_ECX, 0x0860);
  regs.Set(reg_EDX, address.Token());
  regs.Set(reg_Flags, kCarryFlag);
  uint32_t returned = 0;
  bool ok = DeviceIoControl(AccessState().Vwin32, VWIN32_DIOC_DOS_IOCTL, regs.Data(), kDiocRegistersSize, regs.Data(),
                            kDiocRegistersSize, &returned);
  return ok && !regs.Carry();
}

}  // namespace

uint32_t SectorSize9x(uint8_t DriveNumber) {
  std::array<uint8_t, kDeviceParamsSize> block{};
  return AskDeviceParams(DriveNumber, 1, block) ? GetLE16(&block[kDpBytesPerSector]) : 0;
}

namespace {
bool GetDriveParams9x(uint8_t DriveNumber, TDriveParams& params) {
  if (IsCDROMDrive(DriveNumber)) {
    FillCDROM(params, VolumeSize(DriveNumber));
    return true;
  }
  params.TotalPhysSec = 0;
  params.BytesPerSec = kSectorSizeUnknown;
  std::array<uint8_t, kDeviceParamsSize> block{};
  uint32_t total = 0;
  bool counted = false;
  for (uint8_t special : {uint8_t{1}, uint8_t{0}}) {
    counted = AskDeviceParams(DriveNumber, special, block);
    if (!counted) continue;
    const uint32_t cylinders = GetLE16(&block[kDpCylinders]);
    const uint32_t heads = GetLE16(&block[kDpHeads]);
    const uint32_t perTrack = GetLE16(&block[kDpSectorsPerTrack]);
    // The geometry product is 32-bit on this platform; the total-sector fields are the real length.
    const uint32_t product = cylinders * heads * perTrack;
    const uint32_t total16 = GetLE16(&block[kDpTotalSectors16]);
    const uint32_t total32 = GetLE32(&block[kDpTotalSectors32]);
    total = std::max({total, product, total16, total32});
    params.TotalPhysSec = total;
    params.BytesPerSec = std::max<uint32_t>(params.BytesPerSec, GetLE16(&block[kDpBytesPerSector]));
  }
  if (!counted) return false;
  // A full 32-bit count may stand for a larger medium: its length tells how large.
  if (total == UINT32_MAX && params.BytesPerSec != 0) {
    const int64_t length = VolumeSize(DriveNumber);
    if (length > 0)
      params.TotalPhysSec =
          std::max(params.TotalPhysSec, SectorsOfLength(static_cast<uint64_t>(length), params.BytesPerSec));
  }
  const uint8_t deviceType = block[kDpDeviceType];
  const bool fixedMedium = (GetLE16(&block[kDpAttributes]) & 1) != 0;
  params.Removable = 0;
  params.Cylinders = GetLE16(&block[kDpCylinders]);
  params.Heads = GetLE16(&block[kDpHeads]);
  params.SecPerTrack = GetLE16(&block[kDpSectorsPerTrack]);
  switch (deviceType) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 7:
    case 8: params.DriveKind = dkFloppy; break;
    case 5: params.DriveKind = dkFixed; break;
    case 6:
    case 9: params.DriveKind = fixedMedium ? dkUnknown : dkRemovable; break;
    default: break;
  }
  params.Removable = fixedMedium ? 0 : 1;
  return true;
}
}  // namespace

bool DescribeNtDrive(const TBlockSource& source, TBlockDevice& device, TDriveParams& params) {
  if (DriveTypeOfKind(source.Kind()) == DRIVE_CDROM) {
    uint64_t length = 0;
    FillCDROM(params, device.Length(length) && length > 0 && length <= INT64_MAX ? static_cast<int64_t>(length) : -1);
    return true;
  }
  TDiskGeometry geometry;
  bool lengthKnown = false;
  uint64_t length = 0;
  if (!QueryDriveGeometry(source, device, geometry, lengthKnown, length)) return false;
  params.Removable = 0;
  params.Cylinders = static_cast<uint32_t>(geometry.Cylinders);
  params.Heads = geometry.TracksPerCylinder;
  params.SecPerTrack = geometry.SectorsPerTrack;
  params.BytesPerSec = geometry.BytesPerSector;
  params.TotalPhysSec = lengthKnown ? SectorsOfLength(length, geometry.BytesPerSector)
                                    : geometry.Cylinders * geometry.TracksPerCylinder * geometry.SectorsPerTrack;
  ApplyMediaType(geometry.MediaType, params);
  return true;
}

int64_t VolumeSize(uint8_t DriveNumber) {
  const char letter = DriveLetterOf(DriveNumber);
  auto source = letter ? DriveTable().Source(letter) : nullptr;
  if (!source) return -1;
  std::string error;
  auto device = source->Open(error);
  uint64_t length = 0;
  if (!device || !device->Length(length) || length == 0 || length > INT64_MAX) return -1;
  return static_cast<int64_t>(length);
}

bool GetDriveParams(uint8_t DriveNumber, TDriveParams& params) {
  if (DriveNumber < 1 || DriveNumber > 26) return false;
  return AccessState().IsWinNT ? GetDriveParamsNT(DriveNumber, params) : GetDriveParams9x(DriveNumber, params);
}

}  // namespace quillot
