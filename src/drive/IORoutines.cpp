// The sector reader: platform-family detection, the NT path over the drive table and the 95/98 paths
// through the VWIN32 and INT2F.VXD devices.
#include "drive/IORoutines.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "drive/DriveAccess.h"
#include "drive/DriveTable.h"
#include "drive/SimDevices.h"
#include "platform/AddressTokens.h"
#include "platform/Dialogs.h"
#include "platform/DiskGeometry.h"
#include "platform/SectorRead.h"
#include "platform/Win9xBlocks.h"
#include "platform/WinVersion.h"
#include "util/Text.h"

namespace quillot {

// Never destroyed: DriveAccessDone runs from an exit handler and still needs it.
TDriveAccessState& AccessState() {
  static auto* state = new TDriveAccessState;
  return *state;
}

bool HasExtAbsReadFor(const TOSVersionInfoA& version) {
  if (version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) return false;
  if (version.dwMajorVersion >= 4 && version.dwMinorVersion > 0) return true;
  std::string csd(version.szCSDVersion, strnlen(version.szCSDVersion, sizeof(version.szCSDVersion)));
  return version.dwMajorVersion == 4 && version.dwMinorVersion == 0 && Trim(csd) == "B";
}

namespace {
void CloseCachedHandle(TDriveAccessState& s) {
  s.CachedDevice.reset();
  s.CachedSource.reset();
  s.CachedDrive = 0;
  s.ReaderParamsValid = false;
}

// log2 of a sector size (a power of two, checked before).
uint8_t SectorShiftOf(uint32_t bytes) { return static_cast<uint8_t>(std::countr_zero(bytes)); }

// The NT path's open: reuses the cached handle for the same drive (and the same source behind it),
// otherwise closes it and opens the drive anew, refreshing the reader's own parameters.
bool NTOpenDrive(TDriveAccessState& s, uint8_t DriveNumber) {
  const char letter = DriveLetterOf(DriveNumber);
  auto source = letter ? DriveTable().Source(letter) : nullptr;
  const bool sameDrive = s.CachedDevice && s.CachedDrive == DriveNumber && s.CachedSource == source;
  if (!sameDrive) {
    CloseCachedHandle(s);
    s.CachedDrive = DriveNumber;
    s.CachedSource = source;
    std::string error;
    if (source) s.CachedDevice = source->Open(error);
  }
  if (!s.CachedDevice) return false;
  if (!s.ReaderParamsValid) {
    // A drive whose parameters cannot be had is not read: no sector size, no offset.
    s.ReaderParamsValid = DescribeNtDrive(*source, *s.CachedDevice, s.ReaderParams) &&
                          IsUsableSectorSize(s.ReaderParams.BytesPerSec);
    if (!s.ReaderParamsValid) return false;
    s.SectorShift = SectorShiftOf(s.ReaderParams.BytesPerSec);
  }
  return true;
}

TTransferHook& TransferHook() {
  static auto* hook = new TTransferHook;
  return *hook;
}

bool NTReadSectors(uint8_t DriveNumber, uint64_t FirstSector, uint16_t Count, void* Buffer) {
  TDriveAccessState& s = AccessState();
  s.LastTransferred = 0;
  if (!NTOpenDrive(s, DriveNumber)) return false;
  // A sector whose byte offset would not fit an offset is refused, never wrapped to one that does.
  if (FirstSector > (uint64_t{INT64_MAX} >> s.SectorShift) - Count) return false;
  const uint32_t sectorSize = s.ReaderParams.BytesPerSec;
  uint64_t position = uint64_t{FirstSector} << s.SectorShift;
  auto* out = static_cast<uint8_t*>(Buffer);
  uint64_t remaining = uint64_t{Count} * sectorSize;
  // A chunk is as many whole sectors as the transfer area holds: 128 of 512 bytes, 32 of 2048.
  const uint64_t chunkLimit = (kTransferAreaSize / sectorSize) * sectorSize;
  // Chunks that lie inside the medium are read straight into the caller's buffer, which saves copying
  // every byte once more; one that may run past its end goes through the transfer area, so a failed
  // chunk leaves the buffer as it was. (A device that fails inside the medium with a short read leaves
  // the good sectors before the bad one in the buffer.)
  uint64_t mediumLength = 0;
  const bool lengthKnown = s.CachedDevice->Length(mediumLength);
  bool ok = true;
  while (remaining > 0) {
    const size_t chunk = static_cast<size_t>(std::min(remaining, chunkLimit));
    if (lengthKnown && position + chunk <= mediumLength) {
      const size_t got = ReadSectorBytes(*s.CachedDevice, position, out, chunk, sectorSize);
      ok = got == chunk;
      if (!ok) {
        s.LastTransferred += got;
        break;
      }
    } else {
      ok = ReadSectorBytes(*s.CachedDevice, position, s.TransferArea.data(), chunk, sectorSize) == chunk;
      if (!ok) break;
      std::memcpy(out, s.TransferArea.data(), chunk);
    }
    s.LastTransferred += chunk;
    out += chunk;
    position += chunk;
    remaining -= chunk;
    if (remaining > 0 && TransferHook()) {
      s.InHook = true;
      struct TLeaveHook {
        bool& inHook;
        ~TLeaveHook() { inHook = false; }
      } leave{s.InHook};
      TransferHook()(FirstSector + s.LastTransferred / sectorSize);
    }
  }
  return ok;
}

bool ServiceRead(uint32_t code, TDiocRegisters& regs) {
  uint32_t returned = 0;
  bool ok = DeviceIoControl(AccessState().Vwin32, code, regs.Data(), kDiocRegistersSize, regs.Data(),
                            kDiocRegistersSize, &returned);
  return ok && !regs.Carry();
}

// The whole request goes to the service at once, straight into the caller's buffer. The buffer is
// mapped with the length the caller promises (Count sectors of the drive's size), so the service
// cannot run past it.
size_t BufferBytesFor(uint8_t DriveNumber, uint16_t Count) {
  return Count == 0 ? 0 : size_t{Count} * SectorSize9x(DriveNumber);
}

// The disk I/O packet of one read request, and the addresses under which the service sees it and the
// caller's buffer.
struct TDiskIoRequest {
  TDiskIoRequest(uint8_t DriveNumber, uint32_t FirstSector, uint16_t Count, void* Buffer)
      : buffer(Buffer, BufferBytesFor(DriveNumber, Count)), packetAddress(packet.data(), packet.size()) {
    PutLE32(&packet[kDiskIoStartSector], FirstSector);
    PutLE16(&packet[kDiskIoSectors], Count);
    PutLE32(&packet[kDiskIoBuffer], buffer.Token());
  }
  std::array<uint8_t, kDiskIoSize> packet{};
  TScopedAddress buffer;
  TScopedAddress packetAddress;
};

bool Int25ReadSectors(uint8_t DriveNumber, uint32_t FirstSector, uint16_t Count, void* Buffer) {
  TDiskIoRequest request(DriveNumber, FirstSector, Count, Buffer);
  TDiocRegisters regs;
  regs.Set(reg_EAX, DriveNumber - 1u);
  regs.Set(reg_EBX, request.packetAddress.Token());
  regs.Set(reg_ECX, 0xFFFF);
  return ServiceRead(VWIN32_DIOC_DOS_INT25, regs);
}

bool ExtAbsReadSectors(uint8_t DriveNumber, uint32_t FirstSector, uint16_t Count, void* Buffer) {
  TDiskIoRequest request(DriveNumber, FirstSector, Count, Buffer);
  TDiocRegisters regs;
  regs.Set(reg_EAX, 0x7305);
  regs.Set(reg_EBX, request.packetAddress.Token());
  regs.Set(reg_ECX, 0xFFFFFFFF);
  regs.Set(reg_EDX, DriveNumber);
  regs.Set(reg_ESI, 0);
  return ServiceRead(VWIN32_DIOC_DOS_DRIVEINFO, regs);
}

bool CDReadSectors(uint8_t DriveNumber, uint32_t FirstSector, uint16_t Count, void* Buffer) {
  std::array<uint8_t, kCDSectorSize> transfer{};
  TScopedAddress transferAddress(transfer.data(), transfer.size());
  std::array<uint8_t, kCDReadSize> block{};
  block[kCDReadDrive] = static_cast<uint8_t>(DriveNumber - 1);
  PutLE32(&block[kCDReadSector], FirstSector);
  block[kCDReadCount] = 1;
  PutLE32(&block[kCDReadBuffer], transferAddress.Token());
  auto* out = static_cast<uint8_t*>(Buffer);
  bool read = true;
  for (uint32_t i = 0; read && i < Count; ++i) {
    for (;;) {
      // Cleared before each call, so an ignored sector comes back as zeros, not as the last good one.
      transfer.fill(0);
      uint32_t returned = 0;
      if (DeviceIoControl(AccessState().Int2f, INT2F_READ_SECTORS, block.data(), kCDReadSize, nullptr, 0, &returned)) {
        read = true;
        break;
      }
      const std::string caption = "MSCDEX/CDFS CD-ROM read error " + std::to_string(GetLastError());
      const std::string text = "Error reading sector, \r\ndrv:" + std::to_string(DriveNumber) +
                               " LBA:" + std::to_string(FirstSector) + " blocks:" + std::to_string(Count) + "\r\n\r\n" +
                               " Abort, Retry or Ignore?";
      TDialogAnswer answer = Dialogs().Show(text, caption, TDialogButtons::AbortRetryIgnore, TDialogIcon::Warning);
      if (answer == TDialogAnswer::Retry) continue;
      read = answer == TDialogAnswer::Ignore;
      break;
    }
    if (read) std::memcpy(out + size_t{i} * kCDSectorSize, transfer.data(), kCDSectorSize);
    PutLE32(&block[kCDReadSector], GetLE32(&block[kCDReadSector]) + 1);
  }
  return read;
}

void WarnDeviceMissing(const std::string& text) {
  Dialogs().Show(text, "Error", TDialogButtons::Ok, TDialogIcon::Warning);
}
}  // namespace

bool IsCDROMDrive(uint8_t DriveNumber) {
  uint8_t drive = static_cast<uint8_t>(DriveNumber - 1);
  uint8_t answer = 0;
  uint32_t returned = 0;
  return DeviceIoControl(AccessState().Int2f, INT2F_IS_CDROM_DRIVE, &drive, 1, &answer, 1, &returned) && answer == 1;
}

bool ReadSectors(uint8_t DriveNumber, uint64_t FirstSector, uint16_t Count, void* Buffer) {
  if (DriveNumber < 1 || DriveNumber > 26 || (Buffer == nullptr && Count != 0)) return false;
  const TDriveAccessState& s = AccessState();
  // The cached handle belongs to the read in hand.
  if (s.InHook) return false;
  if (s.IsWinNT) return NTReadSectors(DriveNumber, FirstSector, Count, Buffer);
  // The services' 32-bit sector numbers would wrap to the disk's start.
  if (FirstSector > kServiceSectorLimit - Count) return false;
  const auto first = static_cast<uint32_t>(FirstSector);
  if (IsCDROMDrive(DriveNumber)) return CDReadSectors(DriveNumber, first, Count, Buffer);
  if (s.HasExtAbsRead) return ExtAbsReadSectors(DriveNumber, first, Count, Buffer);
  return Int25ReadSectors(DriveNumber, first, Count, Buffer);
}

uint64_t ReaderSectorLimit() { return AccessState().IsWinNT ? UINT64_MAX : kServiceSectorLimit; }

bool ReaderTellsTransfers() { return AccessState().IsWinNT; }

size_t LastReadTransferred() { return AccessState().LastTransferred; }

void SetTransferHook(TTransferHook hook) { TransferHook() = std::move(hook); }

void DriveAccessInit() {
  TDriveAccessState& s = AccessState();
  DriveAccessDone();
  TOSVersionInfoA version;
  version.dwOSVersionInfoSize = kOSVersionInfoSize;
  const bool known = GetVersionExA(version);
  s.HasExtAbsRead = known && HasExtAbsReadFor(version);
  s.IsWinNT = known && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  // The 95/98 family's devices are simulations over the drive table, which lies above the platform.
  SetPlatformDevices(CreateSimulatedDevice);
  static const bool hooked = [] { return std::atexit(DriveAccessDone) == 0; }();
  (void)hooked;
  if (const std::string unknown = UnknownPlatformName(); !unknown.empty())
    WarnDeviceMissing("QUILLOT_PLATFORM=" + unknown + " names no platform (nt, win95, win95b, win98); using nt.");
  if (s.IsWinNT) return;
  s.Vwin32 = OpenDevice(kVwin32DeviceName);
  if (s.Vwin32 == INVALID_HANDLE_VALUE) WarnDeviceMissing("Error loading \"VWIN32.VXD (INT25/26)\"");
  s.Int2f = OpenDevice(kInt2fDeviceName);
  if (s.Int2f == INVALID_HANDLE_VALUE) WarnDeviceMissing("Error loading \"INT2F.VXD\" (MSCDEX/CDFS)");
}

void DriveAccessDone() {
  TDriveAccessState& s = AccessState();
  CloseCachedHandle(s);
  if (s.Vwin32 != INVALID_HANDLE_VALUE) CloseDevice(s.Vwin32);
  if (s.Int2f != INVALID_HANDLE_VALUE) CloseDevice(s.Int2f);
  s.Vwin32 = INVALID_HANDLE_VALUE;
  s.Int2f = INVALID_HANDLE_VALUE;
}

}  // namespace quillot
