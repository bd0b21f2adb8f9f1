#include "streams/W64Stream.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "streams/WaveFormat.h"

namespace quillot {

namespace {

constexpr uint8_t kRiff[16] = {'r', 'i', 'f', 'f', 0x2E, 0x91, 0xCF, 0x11, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0, 0};
constexpr uint8_t kWave[16] = {'w',  'a',  'v',  'e',  0xF3, 0xAC, 0xD3, 0x11,
                               0x8C, 0xD1, 0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A};
constexpr uint8_t kData[16] = {'d',  'a',  't',  'a',  0xF3, 0xAC, 0xD3, 0x11,
                               0x8C, 0xD1, 0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A};
constexpr uint8_t kFmt[16] = {'f',  'm',  't',  ' ',  0xF3, 0xAC, 0xD3, 0x11,
                              0x8C, 0xD1, 0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A};
constexpr uint64_t kLargest = uint64_t(1) << 62;

uint64_t Round8(uint64_t n) { return (n + 7) & ~uint64_t(7); }

}  // namespace

void TW64Stream::Screen(const uint8_t* field, size_t have) {
  if (FirstField() && std::memcmp(field, kRiff, std::min(have, sizeof kRiff)) != 0) NotMine();
}

void TW64Stream::OnField(const uint8_t* field, size_t fieldSize) {
  if (formatEnd_ != 0) {
    format_ = WaveFormat(field, fieldSize);
    SkipTo(std::exchange(formatEnd_, 0));
    return;
  }
  const uint64_t size = Le64(field + 16);
  if (chunkStart_ == 0) {
    if (std::memcmp(field + kHeadSize, kWave, sizeof kWave) != 0) {
      NotMine();
      return;
    }
    // 0 and all-ones are placeholders; under the head and form GUID is no file.
    if (size < kHeadSize + 16 || size > kLargest) {
      NoLength();
      return;
    }
    end_ = size;
    chunkStart_ = Pos();
    OnSkipped();
    return;
  }
  // A size under its own head is no chunk's (and would never move on).
  if (size < kHeadSize || size > kLargest) {
    NoLength();
    return;
  }
  const bool data = std::memcmp(field, kData, sizeof kData) == 0;
  sawData_ = sawData_ || data;
  const uint64_t chunkEnd = chunkStart_ + size;
  // A chunk reaching past the riff size: that size was written before the recording grew.
  if (chunkEnd > end_) {
    NoLength();
    return;
  }
  if (std::memcmp(field, kFmt, sizeof kFmt) == 0 && size > kHeadSize) {
    formatEnd_ = std::min(Round8(chunkEnd), end_);
    ReadField(std::min<uint64_t>(size - kHeadSize, kWaveFormatBytes));
    return;
  }
  if (data && format_) Samples(*format_, Pos(), chunkEnd);
  // The last chunk's alignment bytes belong to the file only if the riff size counts them.
  SkipTo(std::min(Round8(chunkEnd), end_));
}

void TW64Stream::OnSkipped() {
  if (Pos() < end_) {
    chunkStart_ = Pos();
    ReadField(kHeadSize);
    return;
  }
  if (sawData_)
    End(end_);
  else
    NoLength();
}

}  // namespace quillot
