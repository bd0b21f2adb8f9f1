// The samples' layout a WAVEFORMAT structure gives (WAV's and Wave64's "fmt " chunk): plain PCM of 8, 16, 24
// or 32 bits, 32-bit float and IMA ADPCM, the extensible form included. Nothing for any other encoding: its
// samples are not judged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "signal/PcmFormat.h"

namespace quillot {

// The most of the structure read: the extensible form's sub-format included.
constexpr size_t kWaveFormatBytes = 40;

std::optional<TPcmFormat> WaveFormat(const uint8_t* fmt, size_t size);

}  // namespace quillot
