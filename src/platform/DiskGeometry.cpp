#include "platform/DiskGeometry.h"

namespace quillot {

bool IsUsableSectorSize(uint32_t bytes) { return bytes >= 128 && bytes <= 65536 && (bytes & (bytes - 1)) == 0; }

namespace {
const TFloppyFormat kFloppies[] = {
    {163840, F5_160_512, 40, 1, 8, 0},     {184320, F5_180_512, 40, 1, 9, 0},     {327680, F5_320_512, 40, 2, 8, 0},
    {368640, F5_360_512, 40, 2, 9, 0},     {737280, F3_720_512, 80, 2, 9, 2},     {1228800, F5_1Pt2_512, 80, 2, 15, 1},
    {1474560, F3_1Pt44_512, 80, 2, 18, 7}, {2949120, F3_2Pt88_512, 80, 2, 36, 9},
};
}  // namespace

const TFloppyFormat* FloppyFormatOfLength(uint64_t length) {
  for (const auto& f : kFloppies)
    if (f.Length == length) return &f;
  return nullptr;
}

uint32_t MediaTypeOf(const TBlockSource& source, bool lengthKnown, uint64_t length) {
  const TSourceKind kind = source.Kind();
  if (kind == TSourceKind::Unknown) return MediaUnknown;
  if ((kind == TSourceKind::Floppy || source.IsImage()) && lengthKnown) {
    if (const TFloppyFormat* floppy = FloppyFormatOfLength(length)) return floppy->MediaType;
  }
  if (kind == TSourceKind::Floppy || source.Removable() || kind == TSourceKind::Removable ||
      kind == TSourceKind::Optical)
    return RemovableMedia;
  return FixedMedia;
}

uint64_t SectorsOfLength(uint64_t length, uint32_t bytesPerSector) {
  if (bytesPerSector == 0) return 0;
  return length / bytesPerSector + (length % bytesPerSector != 0 ? 1 : 0);
}

bool QueryDriveGeometry(const TBlockSource& source, TBlockDevice& device, TDiskGeometry& geometry, bool& lengthKnown,
                        uint64_t& length) {
  uint32_t sectorSize = 0;
  if (!device.SectorSize(sectorSize) || !IsUsableSectorSize(sectorSize)) return false;
  length = 0;
  lengthKnown = device.Length(length);
  geometry = TDiskGeometry{};
  geometry.BytesPerSector = sectorSize;
  geometry.TracksPerCylinder = kSynthHeads;
  geometry.SectorsPerTrack = kSynthSectorsPerTrack;
  geometry.Cylinders = lengthKnown ? length / (uint64_t{kSynthHeads} * kSynthSectorsPerTrack * sectorSize) : 0;
  geometry.MediaType = MediaTypeOf(source, lengthKnown, length);
  const TFloppyFormat* floppy = lengthKnown && sectorSize == 512 ? FloppyFormatOfLength(length) : nullptr;
  if (floppy != nullptr && geometry.MediaType == floppy->MediaType) {
    geometry.Cylinders = floppy->Cylinders;
    geometry.TracksPerCylinder = floppy->Heads;
    geometry.SectorsPerTrack = floppy->SectorsPerTrack;
  }
  return true;
}

}  // namespace quillot
