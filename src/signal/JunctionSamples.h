// The samples either side of a junction, decoded from the bytes the judge is given: up to kJunctionBefore
// of each channel before it and kJunctionAfter from it on. A frame the junction splits is put together from
// both sides' bytes, and each channel's junction is its first sample that takes bits from the bytes after it.
// In IMA ADPCM the sides meet at the first block the after side starts (see DecodeAdpcm).
#pragma once

#include <cstddef>
#include <cstdint>

#include "signal/PcmFormat.h"

namespace quillot {

constexpr size_t kJunctionBefore = 1024;
constexpr size_t kJunctionAfter = 512;
constexpr uint16_t kJunctionChannels = 8;  // a recording with more channels is not judged
constexpr uint32_t kJunctionMaxBlock = 32768;

struct TJunctionSamples {
  static constexpr size_t kSpan = kJunctionBefore + kJunctionAfter + 1;
  uint16_t Channels = 0;
  size_t Count = 0;                         // samples of every channel
  size_t Junction[kJunctionChannels] = {};  // each channel's first sample after the junction
  float Samples[kJunctionChannels][kSpan];
};

// Decodes the samples around the junction; false where the layout is not one the judge reads.
bool DecodeJunctionSamples(const TPcmFormat& format, const uint8_t* before, size_t beforeSize, const uint8_t* after,
                           size_t afterSize, TJunctionSamples& out);

}  // namespace quillot
