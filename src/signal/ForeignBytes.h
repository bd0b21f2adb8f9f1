// Bytes after a junction that no recording of the format holds, where the bytes before it are a recording:
// another file's compressed or random bytes, a fill, or blocks whose headers the format forbids. A junction
// into such bytes plainly does not go on; deciding it needs none of the prediction the judge makes
// otherwise, and no onset or pause of a real recording looks like it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "signal/JunctionSamples.h"
#include "signal/PcmFormat.h"

namespace quillot {

// samples: what DecodeJunctionSamples made of before and after.
bool AfterIsForeign(const TPcmFormat& format, const uint8_t* before, size_t beforeSize, const uint8_t* after,
                    size_t afterSize, const TJunctionSamples& samples);

}  // namespace quillot
