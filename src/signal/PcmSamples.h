// A recording's bytes as samples: each stored sample normalised to [-1, 1), one run of samples a channel
// (channel c's sample i at out[c * stride + i]). Nothing here allocates: the junction judge calls it in a pass.
#pragma once

#include <cstddef>
#include <cstdint>

#include "signal/PcmFormat.h"

namespace quillot {

// Whether the decoders below read this layout: 8-bit unsigned; 8, 16, 24 or 32-bit signed; 32-bit float; WAV's
// IMA ADPCM (4 bits a sample, FramesPerBlock no more than its BlockAlign holds). A plain PCM frame must be
// exactly one stored sample of every channel.
bool IsDecodable(const TPcmFormat& format);

// Decodes `frames` whole frames of plain PCM from `bytes`. A float that is no number reads as 0 and one
// beyond full scale as full scale, as a player would clip it.
void DecodePcmFrames(const TPcmFormat& format, const uint8_t* bytes, size_t frames, float* out, size_t stride);

// Decodes the start of an IMA ADPCM block of `size` bytes (at most BlockAlign): each channel's 4-byte header
// (its first sample and step index), then groups of 4 bytes a channel, 8 samples a group, low nibble first.
// Keeps only frames [first, first + count) at out[c * stride + (frame - first)]; returns how many of them
// the bytes held for every channel. A step index above the table's end is taken as its end.
size_t DecodeImaAdpcmBlock(const TPcmFormat& format, const uint8_t* block, size_t size, size_t first, size_t count,
                           float* out, size_t stride);

}  // namespace quillot
