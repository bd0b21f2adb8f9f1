#include "drive/FileUtils.h"

#include <cstdio>

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "drive/DriveAccess.h"
#include "i18n/Messages.h"
#include "platform/UDisksOpen.h"
#include "platform/VolumeProbe.h"

namespace quillot {

namespace {
uint8_t DriveNumberOf(char letter) {
  const int upper = std::toupper(static_cast<unsigned char>(letter));
  return upper >= 'A' && upper <= 'Z' ? static_cast<uint8_t>(upper - 'A' + 1) : 0;
}

// The label and serial number of a drive's file system; empty and 0 when it has none or no medium.
TVolumeFacts GetVolumeInformationA(char letter) {
  TVolumeFacts facts;
  auto source = DriveTable().Source(letter);
  if (!source) return facts;
  std::string error;
  auto device = source->Open(error);
  if (device) ProbeVolume(device->Descriptor(), facts);
  return facts;
}
}  // namespace

uint32_t GetDriveTypeA(char letter) {
  auto source = DriveTable().Source(letter);
  return source ? DriveTypeOfKind(source->Kind()) : DRIVE_NO_ROOT_DIR;
}

bool IsDriveReady(char letter) {
  const uint8_t number = DriveNumberOf(letter);
  return number != 0 && VolumeSize(number) != -1;
}

void GetViewDriveParams(char letter, TViewDriveParams& params) {
  params = TViewDriveParams{};
  const uint32_t code = GetDriveTypeA(letter);
  params.Drive = letter;
  params.TypeName = DriveTypeName(code);
  if (!IsDriveReady(letter)) {
    if (auto source = DriveTable().Source(letter); source && !source->Open(params.Problem)) {
      params.NoAccess = source->LastOpenFailure() == TOpenFailure::NoAccess;
      // What the list can tell of a device it may not open, udisks2 tells without opening it.
      TUDisksFacts facts;
      if (params.NoAccess && !source->IsImage() && UDisksFactsOf(source->Path(), facts)) {
        params.VolumeLabel = facts.Label;
        params.Serial = SerialFromUuid(facts.Type, facts.Uuid);
        params.TotalSize = static_cast<int64_t>(std::min<uint64_t>(facts.Size, INT64_MAX));
      }
    }
    return;
  }
  const TVolumeFacts facts = GetVolumeInformationA(letter);
  params.TotalSize = VolumeSize(DriveNumberOf(letter));
  params.Serial = facts.Serial;
  params.VolumeLabel = facts.Label;
  params.Ready = true;
}

std::string DriveStatusText(const TViewDriveParams& view) {
  if (view.Ready) return Tr(strReady);
  return Tr(view.NoAccess ? strNoAccess : strNomedia);
}

std::string DriveTypeName(uint32_t code) {
  switch (code & 127) {
    case DRIVE_REMOVABLE: return Tr(strDriveRemovable);
    case DRIVE_FIXED: return Tr(strDriveFixed);
    case DRIVE_REMOTE: return Tr(strDriveNetwork);
    case DRIVE_CDROM: return Tr(strDriveCdrom);
    case DRIVE_RAMDISK: return Tr(strDriveRam);
    default: return Tr(strDriveUnknown);
  }
}

std::string GroupThousands(uint64_t value, const std::string& separator) {
  const std::string digits = std::to_string(value);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += separator;
    text += digits[i];
  }
  return text;
}

std::string DriveCellText(const TViewDriveParams& view) {
  std::string cell(1, view.Drive);
  if (!view.VolumeLabel.empty()) cell += " (" + view.VolumeLabel + ")";
  return cell;
}

std::string SerialText(uint32_t serial) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", serial);
  return text;
}

std::string SizeToText(int64_t size) {
  if (size < 0) return Tr(strNotAvailable);
  return GroupThousands(static_cast<uint64_t>(size), UserThousandsSeparator());
}

}  // namespace quillot
