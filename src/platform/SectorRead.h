// Whole-sector reads from an open source, shared by every read path.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/BlockSource.h"

namespace quillot {

// Reads length bytes at offset into out and answers how many are valid there (length on success).
// A medium whose size is no whole number of sectors has its last partial sector padded with zeros,
// when the read ends exactly at the end of that sector.
size_t ReadSectorBytes(TBlockDevice& device, uint64_t offset, uint8_t* out, size_t length, uint32_t sectorSize);

}  // namespace quillot
