#include "drive/SimDevices.h"

#include <algorithm>
#include <cstring>

#include "drive/DriveTable.h"
#include "platform/AddressTokens.h"
#include "platform/DiskGeometry.h"
#include "platform/SectorRead.h"
#include "platform/Win9xBlocks.h"
#include "platform/WinVersion.h"
#include "util/Text.h"

namespace quillot {

namespace {
// DOS error codes the services put in EAX with the carry set.
constexpr uint32_t kDosInvalidFunction = 0x01;
constexpr uint32_t kDosWriteProtect = 0x13;
constexpr uint32_t kDosInvalidDrive = 0x0F;
constexpr uint32_t kDosNotReady = 0x15;
constexpr uint32_t kDosSectorNotFound = 0x1B;
constexpr uint32_t kDosReadFault = 0x1E;

// An open source with a usable sector size, or the DOS error that stands for its absence.
struct TOpened {
  std::shared_ptr<TBlockSource> Source;
  std::unique_ptr<TBlockDevice> Device;
  uint32_t SectorSize = 0;
  uint32_t Error = 0;
};

TOpened OpenDrive(uint32_t driveNumber) {
  TOpened o;
  char letter = driveNumber <= 26 ? DriveLetterOf(static_cast<uint8_t>(driveNumber)) : '\0';
  o.Source = letter ? DriveTable().Source(letter) : nullptr;
  if (!o.Source) {
    o.Error = kDosInvalidDrive;
    return o;
  }
  std::string error;
  o.Device = o.Source->Open(error);
  if (!o.Device || !o.Device->SectorSize(o.SectorSize) || !IsUsableSectorSize(o.SectorSize)) {
    o.Device.reset();
    o.Error = kDosNotReady;
  }
  return o;
}

// Reads count sectors from first into the buffer behind a token; answers 0 or a DOS error code.
uint32_t ReadIntoToken(TOpened& o, uint32_t first, uint32_t count, uint32_t token) {
  TMappedBuffer buffer = AddressTokens().Resolve(token);
  const uint64_t bytes = uint64_t{count} * o.SectorSize;
  if (buffer.Data == nullptr || buffer.Size < bytes) return kDosInvalidFunction;
  if (count == 0) return 0;
  const uint64_t offset = uint64_t{first} * o.SectorSize;
  size_t got = ReadSectorBytes(*o.Device, offset, buffer.Data, static_cast<size_t>(bytes), o.SectorSize);
  if (got == bytes) return 0;
  uint64_t length = 0;
  if (o.Device->Length(length) && offset + got >= length) return kDosSectorNotFound;
  return kDosReadFault;
}

class TSimVwin32 final : public TVirtualDevice {
 public:
  bool Control(uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
               uint32_t& returned) override {
    if (inSize < kDiocRegistersSize || outSize < kDiocRegistersSize) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    TDiocRegisters regs;
    std::memcpy(regs.Data(), in, kDiocRegistersSize);
    uint32_t error = kDosInvalidFunction;
    switch (code) {
      case VWIN32_DIOC_DOS_IOCTL: error = Ioctl(regs); break;
      case VWIN32_DIOC_DOS_INT25: error = Int25(regs); break;
      case VWIN32_DIOC_DOS_DRIVEINFO: error = DriveInfo(regs); break;
      default: SetLastError(ERROR_INVALID_FUNCTION); return false;
    }
    uint32_t flags = regs.Get(reg_Flags);
    if (error == 0) {
      regs.Set(reg_Flags, flags & ~kCarryFlag);
    } else {
      regs.Set(reg_Flags, flags | kCarryFlag);
      regs.Set(reg_EAX, error);
    }
    std::memcpy(out, regs.Data(), kDiocRegistersSize);
    returned = kDiocRegistersSize;
    return true;
  }

 private:
  // Interrupt 21h function 440Dh, category 08h, minor code 60h: get device parameters.
  static uint32_t Ioctl(TDiocRegisters& regs) {
    if ((regs.Get(reg_EAX) & 0xFFFF) != 0x440D || (regs.Get(reg_ECX) & 0xFFFF) != 0x0860) return kDosInvalidFunction;
    TMappedBuffer block = AddressTokens().Resolve(regs.Get(reg_EDX));
    if (block.Data == nullptr || block.Size < kDpMinimumSize) return kDosInvalidFunction;
    TOpened o = OpenDrive(regs.Get(reg_EBX) & 0xFF);
    if (o.Error) return o.Error;
    uint64_t length = 0;
    if (!o.Device->Length(length) || length == 0) return kDosNotReady;
    // Special functions bit 0 asks for the medium in the drive rather than the drive's default one;
    // a simulated drive's default medium is the one it holds.
    const uint64_t sectors = SectorsOfLength(length, o.SectorSize);
    uint8_t deviceType = 5;
    uint64_t cylinders = sectors / (kSynthHeads * kSynthSectorsPerTrack);
    uint32_t heads = kSynthHeads, perTrack = kSynthSectorsPerTrack;
    const bool removable = o.Source->Removable() || o.Source->Kind() == TSourceKind::Floppy ||
                           o.Source->Kind() == TSourceKind::Removable;
    if (const TFloppyFormat* f = o.SectorSize == 512 ? FloppyFormatOfLength(length) : nullptr;
        f != nullptr && (o.Source->Kind() == TSourceKind::Floppy || o.Source->IsImage())) {
      deviceType = f->DosDeviceType;
      cylinders = f->Cylinders;
      heads = f->Heads;
      perTrack = f->SectorsPerTrack;
    }
    uint8_t* p = block.Data;
    const uint8_t special = p[kDpSpecialFunctions];
    std::memset(p, 0, kDpMinimumSize);
    p[kDpSpecialFunctions] = special;
    p[kDpDeviceType] = deviceType;
    PutLE16(p + kDpAttributes, removable ? 0 : 1);
    PutLE16(p + kDpCylinders, static_cast<uint16_t>(cylinders > 0xFFFF ? 0xFFFF : cylinders));
    p[kDpMediaType] = 0;
    PutLE16(p + kDpBytesPerSector, static_cast<uint16_t>(o.SectorSize > 0xFFFF ? 0 : o.SectorSize));
    PutLE16(p + kDpTotalSectors16, static_cast<uint16_t>(sectors <= 0xFFFF ? sectors : 0));
    PutLE16(p + kDpSectorsPerTrack, static_cast<uint16_t>(perTrack));
    PutLE16(p + kDpHeads, static_cast<uint16_t>(heads));
    // A medium of more sectors fills the 32-bit field.
    PutLE32(p + kDpTotalSectors32, static_cast<uint32_t>(std::min<uint64_t>(sectors, UINT32_MAX)));
    return 0;
  }

  static uint32_t ReadPacket(uint32_t driveNumber, uint32_t packetToken) {
    TMappedBuffer packet = AddressTokens().Resolve(packetToken);
    if (packet.Data == nullptr || packet.Size < kDiskIoSize) return kDosInvalidFunction;
    TOpened o = OpenDrive(driveNumber);
    if (o.Error) return o.Error;
    return ReadIntoToken(o, GetLE32(packet.Data + kDiskIoStartSector), GetLE16(packet.Data + kDiskIoSectors),
                         GetLE32(packet.Data + kDiskIoBuffer));
  }

  // Interrupt 25h, packet form: EAX = drive (0 = A:), ECX = FFFFh, EBX = packet.
  static uint32_t Int25(TDiocRegisters& regs) {
    if ((regs.Get(reg_ECX) & 0xFFFF) != 0xFFFF) return kDosInvalidFunction;
    return ReadPacket((regs.Get(reg_EAX) & 0xFF) + 1, regs.Get(reg_EBX));
  }

  // Interrupt 21h function 7305h: EDX = drive (1 = A:), ECX = -1, ESI bit 0 = write (refused), EBX = packet.
  static uint32_t DriveInfo(TDiocRegisters& regs) {
    if ((regs.Get(reg_EAX) & 0xFFFF) != 0x7305 || regs.Get(reg_ECX) != 0xFFFFFFFF) return kDosInvalidFunction;
    if ((regs.Get(reg_ESI) & 1) != 0) return kDosWriteProtect;
    return ReadPacket(regs.Get(reg_EDX) & 0xFF, regs.Get(reg_EBX));
  }
};

class TSimInt2f final : public TVirtualDevice {
 public:
  bool Control(uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
               uint32_t& returned) override {
    if (code == INT2F_IS_CDROM_DRIVE) {
      if (inSize < 1 || outSize < 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
      }
      char letter = DriveLetterOf(static_cast<uint8_t>(in[0] + 1));
      auto source = letter ? DriveTable().Source(letter) : nullptr;
      out[0] = source && source->Kind() == TSourceKind::Optical ? 1 : 0;
      returned = 1;
      return true;
    }
    if (code == INT2F_READ_SECTORS) {
      if (inSize < kCDReadSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
      }
      TOpened o = OpenDrive(in[kCDReadDrive] + 1u);
      if (o.Error == kDosInvalidDrive) {
        SetLastError(ERROR_INVALID_DRIVE);
        return false;
      }
      if (o.Error || o.SectorSize != kCDSectorSize) {
        SetLastError(ERROR_NOT_READY);
        return false;
      }
      uint32_t error = ReadIntoToken(o, GetLE32(in + kCDReadSector), in[kCDReadCount], GetLE32(in + kCDReadBuffer));
      if (error != 0) {
        SetLastError(error == kDosSectorNotFound ? ERROR_SECTOR_NOT_FOUND
                     : error == kDosReadFault    ? ERROR_CRC
                                                 : ERROR_INVALID_PARAMETER);
        return false;
      }
      returned = 0;
      return true;
    }
    SetLastError(ERROR_INVALID_FUNCTION);
    return false;
  }
};
}  // namespace

std::unique_ptr<TVirtualDevice> MakeSimulatedVwin32() { return std::make_unique<TSimVwin32>(); }
std::unique_ptr<TVirtualDevice> MakeSimulatedInt2f() { return std::make_unique<TSimInt2f>(); }

std::unique_ptr<TVirtualDevice> CreateSimulatedDevice(const std::string& name) {
  if (!IsSimulated9xFamily()) return nullptr;
  if (EqualsNoCase(name, kVwin32DeviceName)) return MakeSimulatedVwin32();
  if (EqualsNoCase(name, kInt2fDeviceName)) return MakeSimulatedInt2f();
  return nullptr;
}

}  // namespace quillot
