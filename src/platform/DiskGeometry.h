// The drive-geometry query of the seam: what the NT family's geometry control answers for a volume.
#pragma once

#include <cstdint>

#include "platform/BlockSource.h"

namespace quillot {

// The platform's media types (only those the program tells apart).
enum TMediaType : uint32_t {
  MediaUnknown = 0,
  F5_1Pt2_512 = 1,
  F3_1Pt44_512 = 2,
  F3_2Pt88_512 = 3,
  F3_720_512 = 5,
  F5_360_512 = 6,
  F5_320_512 = 7,
  F5_180_512 = 9,
  F5_160_512 = 10,
  RemovableMedia = 11,
  FixedMedia = 12,
};

struct TDiskGeometry {
  uint64_t Cylinders = 0;
  uint32_t MediaType = MediaUnknown;
  uint32_t TracksPerCylinder = 0;
  uint32_t SectorsPerTrack = 0;
  uint32_t BytesPerSector = 0;
};

// Linux knows no geometry; every volume gets the usual translated one.
inline constexpr uint32_t kSynthHeads = 255;
inline constexpr uint32_t kSynthSectorsPerTrack = 63;

// A floppy format: its size, media type, geometry and the device type DOS reports for it.
struct TFloppyFormat {
  uint64_t Length;
  uint32_t MediaType;
  uint32_t Cylinders, Heads, SectorsPerTrack;
  uint8_t DosDeviceType;
};
// The floppy format of a medium of length bytes; nullptr when no floppy has that size.
const TFloppyFormat* FloppyFormatOfLength(uint64_t length);

// A sector size the readers can work with: a power of two from 128 to 65,536 bytes.
bool IsUsableSectorSize(uint32_t bytes);

// The media type of a source: floppy types for floppy drives and images of a floppy's size,
// RemovableMedia for removable devices, FixedMedia otherwise, MediaUnknown for unknown kinds.
uint32_t MediaTypeOf(const TBlockSource& source, bool lengthKnown, uint64_t length);

// Fills the geometry of an open source: its sector size, the synthesised heads and sectors per track,
// the whole cylinders of its length and its media type. False when the sector size is unknown or unusable.
// length is set when the medium reports one (lengthKnown tells).
bool QueryDriveGeometry(const TBlockSource& source, TBlockDevice& device, TDiskGeometry& geometry, bool& lengthKnown,
                        uint64_t& length);

// Sectors of a given size needed to hold length bytes (a partial last sector counts).
uint64_t SectorsOfLength(uint64_t length, uint32_t bytesPerSector);

}  // namespace quillot
