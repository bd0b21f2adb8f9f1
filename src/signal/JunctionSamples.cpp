#include "signal/JunctionSamples.h"

#include <algorithm>
#include <cstring>

#include "signal/Junction.h"
#include "signal/PcmSamples.h"

namespace quillot {

namespace {

bool IsAdpcm(const TPcmFormat& f) { return f.Encoding == TPcmFormat::TEncoding::ImaAdpcm; }

size_t BlocksFor(const TPcmFormat& f, size_t frames) { return (frames + f.FramesPerBlock - 1) / f.FramesPerBlock; }

bool Judged(const TPcmFormat& f) {
  return IsDecodable(f) && f.Channels <= kJunctionChannels && (!IsAdpcm(f) || f.BlockAlign <= kJunctionMaxBlock);
}

bool DecodePlain(const TPcmFormat& f, const uint8_t* before, size_t beforeSize, const uint8_t* after, size_t afterSize,
                 TJunctionSamples& out) {
  const size_t frame = f.BlockAlign, split = beforeSize % frame;
  const size_t nb = std::min(beforeSize / frame, kJunctionBefore);
  float* base = &out.Samples[0][0];
  constexpr size_t stride = TJunctionSamples::kSpan;
  DecodePcmFrames(f, before + beforeSize - split - nb * frame, nb, base, stride);
  size_t at = nb, from = 0;
  for (uint16_t c = 0; c < f.Channels; ++c) out.Junction[c] = nb;
  if (split) {  // the frame the junction splits, from both sides
    from = frame - split;
    if (afterSize < from) {
      out.Count = nb;
      return true;
    }
    uint8_t joined[kJunctionChannels * 4];
    std::memcpy(joined, before + beforeSize - split, split);
    std::memcpy(joined + split, after, from);
    DecodePcmFrames(f, joined, 1, base + at, stride);
    const size_t sampleBytes = frame / f.Channels;
    for (uint16_t c = 0; c < f.Channels; ++c)
      if ((c + 1) * sampleBytes <= split) out.Junction[c] = nb + 1;
    ++at;
  }
  const size_t na = std::min((afterSize - from) / frame, nb + kJunctionAfter - at);
  DecodePcmFrames(f, after + from, na, base + at, stride);
  out.Count = at + na;
  return true;
}

// The decoder carries its state across a split block, so the after side's bytes decode smoothly up to its
// next block, whose header restarts from the sample and step the after side's encoder had: that is where
// the two sides meet, and the junction the judge weighs.
bool DecodeAdpcm(const TPcmFormat& f, const uint8_t* before, size_t beforeSize, const uint8_t* after, size_t afterSize,
                 TJunctionSamples& out) {
  const size_t block = f.BlockAlign, fpb = f.FramesPerBlock, split = beforeSize % block;
  const size_t wholeBefore = beforeSize / block, meet = (wholeBefore + (split ? 1 : 0)) * fpb;
  const size_t nb = std::min(meet, kJunctionBefore), start = meet - nb, end = meet + kJunctionAfter;
  float* base = &out.Samples[0][0];
  constexpr size_t stride = TJunctionSamples::kSpan;
  size_t count = 0;  // frames decoded from `start` on without a gap
  auto decode = [&](const uint8_t* bytes, size_t size, size_t blockStart) {
    const size_t lo = std::max(start, blockStart), hi = std::min(end, blockStart + fpb);
    if (lo >= hi) return true;
    if (lo != start + count) return false;
    const size_t got = DecodeImaAdpcmBlock(f, bytes, size, lo - blockStart, hi - lo, base + (lo - start), stride);
    count += got;
    return got == hi - lo;
  };
  bool whole = true;
  for (size_t b = start / fpb; whole && b < wholeBefore; ++b) whole = decode(before + b * block, block, b * fpb);
  size_t from = 0;
  if (whole && split) {
    uint8_t joined[kJunctionMaxBlock];
    from = std::min(block - split, afterSize);
    std::memcpy(joined, before + wholeBefore * block, split);
    std::memcpy(joined + split, after, from);
    whole = decode(joined, split + from, wholeBefore * fpb);
  }
  for (size_t b = meet / fpb; whole && from < afterSize && b * fpb < end; ++b, from += block)
    whole = decode(after + from, std::min(block, afterSize - from), b * fpb);
  out.Count = count;
  for (uint16_t c = 0; c < f.Channels; ++c) out.Junction[c] = std::min(nb, count);
  return true;
}

}  // namespace

size_t JunctionBytesBefore(const TPcmFormat& f) {
  if (!Judged(f)) return 0;
  if (IsAdpcm(f)) return (BlocksFor(f, kJunctionBefore) + 1) * f.BlockAlign;
  return (kJunctionBefore + 1) * f.BlockAlign;
}

size_t JunctionBytesAfter(const TPcmFormat& f) {
  if (!Judged(f)) return 0;
  if (IsAdpcm(f)) return (BlocksFor(f, kJunctionAfter) + 1) * f.BlockAlign;
  return (kJunctionAfter + 1) * f.BlockAlign;
}

bool DecodeJunctionSamples(const TPcmFormat& f, const uint8_t* before, size_t beforeSize, const uint8_t* after,
                           size_t afterSize, TJunctionSamples& out) {
  out.Channels = 0;
  out.Count = 0;
  if (!Judged(f)) return false;
  out.Channels = f.Channels;
  return IsAdpcm(f) ? DecodeAdpcm(f, before, beforeSize, after, afterSize, out)
                    : DecodePlain(f, before, beforeSize, after, afterSize, out);
}

}  // namespace quillot
