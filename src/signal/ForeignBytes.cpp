#include "signal/ForeignBytes.h"

#include <algorithm>
#include <cmath>

#include "signal/Lpc.h"

namespace quillot {

namespace {

constexpr size_t kLeastBefore = 256, kLeastAfter = 128;

// An IMA ADPCM block starts with each channel's first sample, a step index of at most 88 and a zero byte.
bool AdpcmHeadersHold(const TPcmFormat& f, const uint8_t* bytes, size_t size) {
  for (size_t at = 0; at + f.BlockAlign <= size; at += f.BlockAlign)
    for (size_t c = 0; c < f.Channels; ++c)
      if (bytes[at + 4 * c + 2] > 88 || bytes[at + 4 * c + 3] != 0) return false;
  return true;
}

// The blocks after the junction break the format's rules where every block before it keeps them: random
// bytes pass a block's headers in fewer than 1 in 700 per channel.
bool AdpcmForeign(const TPcmFormat& f, const uint8_t* before, size_t beforeSize, const uint8_t* after,
                  size_t afterSize) {
  const size_t split = beforeSize % f.BlockAlign, from = split ? f.BlockAlign - split : 0;
  if (beforeSize < f.BlockAlign || afterSize < from + f.BlockAlign) return false;
  return AdpcmHeadersHold(f, before, beforeSize - split) && !AdpcmHeadersHold(f, after + from, afterSize - from);
}

struct TSide {
  float Mean = 0, Power = 0, Lag1 = 0, Lag2 = 0, Loud = 0;  // Loud: the share at half full scale or more
};

TSide Measure(const float* x, size_t from, size_t to) {
  TSide s;
  const float n = float(to - from);
  for (size_t i = from; i < to; ++i) {
    s.Mean += x[i];
    s.Loud += std::fabs(x[i]) >= 0.5f;
  }
  s.Mean /= n;
  s.Loud /= n;
  float c1 = 0, c2 = 0;
  for (size_t i = from; i < to; ++i) {
    const float v = x[i] - s.Mean;
    s.Power += v * v;
    if (i + 1 < to) c1 += v * (x[i + 1] - s.Mean);
    if (i + 2 < to) c2 += v * (x[i + 2] - s.Mean);
  }
  if (s.Power > 0) {
    s.Lag1 = c1 / s.Power;
    s.Lag2 = c2 / s.Power;
  }
  s.Power /= n;
  return s;
}

// How much of the stretch's power a predictor fitted on it removes.
float PredictionGain(const float* x, size_t n, float mean) {
  float z[kLpcMaxRun], a[kLpcOrder + 1], orders[kLpcOrder + 1];
  n = std::min(n, kLpcMaxRun);
  for (size_t i = 0; i < n; ++i) z[i] = x[i] - mean;
  if (!FitPredictor(z, n, 1e-10f, a, orders)) return 0;
  return orders[0] / std::max(orders[kLpcOrder], 1e-30f);
}

enum class TAfter { Recording, Bytes, Fill };

// Whether the side after is loud enough to be bytes: most junctions are not, and cost one look.
bool Loud(const float* x, size_t from, size_t to) {
  size_t loud = 0;
  for (size_t i = from; i < to; ++i) loud += std::fabs(x[i]) >= 0.5f;
  return 10 * loud >= 3 * (to - from);
}

bool Constant(const float* x, size_t from, size_t to) {
  return std::all_of(x + from, x + to, [&](float v) { return v == x[from]; });
}

// What one channel's samples after the junction are, judged against the recording before it.
TAfter Channel(const float* x, size_t junction, size_t count) {
  const size_t start = junction - std::min(junction, kLpcMaxRun);
  // A fill far from silence (8-bit 0x00 or 0xFF): no recording rests at a rail. A fill at silence may be the
  // recording's own pause, cut as sharply as a speech synthesiser cuts it.
  if (Constant(x, junction, count))
    return std::fabs(x[junction]) >= 1.0f / 64 && !Constant(x, start, junction) ? TAfter::Fill : TAfter::Recording;
  if (!Loud(x, junction, count)) return TAfter::Recording;
  const TSide after = Measure(x, junction, count);
  const TSide before = Measure(x, start, junction);
  // Bytes of a compressed or random file: white, loud and spread over the whole scale as no recording is,
  // after a quieter stretch whose samples a predictor follows, or after a near silence (a recording's fading
  // end, whose last samples are its noise floor) 30 dB below them.
  const bool white = std::fabs(after.Lag1) < 0.2f && std::fabs(after.Lag2) < 0.2f;
  if (!white || before.Loud >= 0.1f || after.Power < 4 * before.Power) return TAfter::Recording;
  if (after.Power >= 1000 * before.Power) return TAfter::Bytes;
  const size_t n = std::min(junction, kLpcMaxRun);
  return PredictionGain(x + junction - n, n, before.Mean) >= 2.0f ? TAfter::Bytes : TAfter::Recording;
}

}  // namespace

bool AfterIsForeign(const TPcmFormat& f, const uint8_t* before, size_t beforeSize, const uint8_t* after,
                    size_t afterSize, const TJunctionSamples& s) {
  if (f.Encoding == TPcmFormat::TEncoding::ImaAdpcm) return AdpcmForeign(f, before, beforeSize, after, afterSize);
  if (s.Channels == 0) return false;
  for (uint16_t c = 0; c < s.Channels; ++c) {
    const size_t j = s.Junction[c];
    if (j < kLeastBefore || s.Count < j + kLeastAfter) return false;
    if (Channel(s.Samples[c], j, s.Count) == TAfter::Recording) return false;
  }
  return true;
}

}  // namespace quillot
