// Whether the bytes after a junction go on with the recording before it: a real recording (speech, music,
// ambience) is predictable from one sample to the next where noise is not, so each channel is predicted across
// the junction from the samples before it and the error there is weighed against the recording's own. Where
// the signal cannot tell (noise, silence, clipping) the answer says so, and nothing is joined or cut on it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "signal/PcmFormat.h"

namespace quillot {

enum class TJunction : uint8_t { Continues, DoesNotContinue, CannotTell };

// The bytes the judge wants before and after a junction; fewer (at a recording's start or a medium's end)
// are taken as they come.
size_t JunctionBytesBefore(const TPcmFormat& format);
size_t JunctionBytesAfter(const TPcmFormat& format);

// before: the recording's bytes up to the junction, from the start of a frame (or ADPCM block) on; after: the
// bytes that would follow it, from the junction on. The junction may fall inside a frame or block: its first
// bytes are before's last ones. Continues only where a piece from elsewhere would seldom pass (on the bench's
// recordings about 1 in 10 000 did); DoesNotContinue only on bytes no recording of the format holds (see
// signal/ForeignBytes.h) or a break no recording makes (none of three million true junctions), the latter never
// for IMA ADPCM, whose block headers restart the stream; CannotTell otherwise.
TJunction JudgeJunction(const TPcmFormat& format, const uint8_t* before, size_t beforeSize, const uint8_t* after,
                        size_t afterSize);

}  // namespace quillot
