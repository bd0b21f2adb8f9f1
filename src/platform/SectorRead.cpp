#include "platform/SectorRead.h"

#include <cstring>

namespace quillot {

size_t ReadSectorBytes(TBlockDevice& device, uint64_t offset, uint8_t* out, size_t length, uint32_t sectorSize) {
  if (length == 0) return 0;
  int64_t got = device.ReadAt(offset, out, length);
  if (got < 0) return 0;
  size_t n = static_cast<size_t>(got) > length ? length : static_cast<size_t>(got);
  if (n == length) return length;
  uint64_t mediumLength = 0;
  if (sectorSize == 0 || !device.Length(mediumLength)) return n;
  const uint64_t tail = mediumLength % sectorSize;
  const uint64_t paddedEnd = mediumLength + (tail != 0 ? sectorSize - tail : 0);
  if (tail != 0 && offset + n == mediumLength && offset + length == paddedEnd) {
    std::memset(out + n, 0, length - n);
    return length;
  }
  return n;
}

}  // namespace quillot
