// Starts the stream itself confirms. A format whose signature is only a frame header (MP3 without tags,
// MP2, ADTS, AC-3, DTS) matches inside other files and random data; such a match is a start only when its
// unit finds enough frames of one stream in a row from the match's first byte. A recording shorter than
// that still starts when its chain ends validly after kShortRecordingFrames frames: followed by zeros up to
// its sector's end, or by the end of the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillot {

enum class TStartCheck {
  Confirmed,  // a stream starts here
  Refused,    // no stream of the unit's starts here
  NoCheck,    // the unit cannot confirm starts (or there is no unit of that name)
};

// The bytes a check reads at the most: three of the longest frames checked (DTS, 16 KiB) and more.
inline constexpr size_t kStartCheckBytes = 64 * 1024;
// The fewest frames a recording that ends within the checked bytes may hold.
inline constexpr uint64_t kShortRecordingFrames = 2;

// Checks a start of the named unit's stream at data[0]. size is what is at hand (kStartCheckBytes or all there
// is); dataEnds says that nothing follows it (the medium ended or could not be read). sectorSize tells where
// an ending chain's sector ends. frames overrides the unit's own count (for measuring; 0 keeps it).
TStartCheck CheckStart(std::string_view unit, const uint8_t* data, size_t size, bool dataEnds, uint32_t sectorSize,
                       uint64_t frames = 0);

// Whether CheckStart can confirm starts of the named unit: there is one of that name and it counts frames.
bool ConfirmsStarts(std::string_view unit);

}  // namespace quillot
