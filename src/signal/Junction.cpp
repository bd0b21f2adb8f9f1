#include "signal/Junction.h"

#include <algorithm>

#include "signal/JunctionJudge.h"
#include "signal/JunctionMeasures.h"
#include "signal/JunctionSamples.h"

namespace quillot {

namespace {

// The bounds below were set on the bench's recordings (bench/JunctionRates.cpp): speech, voices, music and
// melodies in eight layouts, millions of junctions. A recording predictable enough that a piece from
// elsewhere seldom meets it by chance has a capacity of 3.25 or more; channels that each go on add theirs, as
// a piece must meet every one of them, but a stereo pair is mostly one signal, so it needs 3.5.
constexpr float kMonoCapacity = 3.25f;
constexpr float kChannelsCapacity = 3.5f;
constexpr float kChannelCapacity = 1.0f;  // the least of each channel among several
constexpr float kMaxClipped = 0.01f;
constexpr float kMinLevel = 1e-8f;  // -80 dBFS: below it, silence

// Every sign of a continuation: the first samples after, each way, no worse than the recording's own
// prediction errors, and each side's predictor fitting the other side as its own does.
bool ChannelContinues(const TChannelMeasures& m) {
  return m.Measured && m.Capacity >= kChannelCapacity && m.Clipped < kMaxClipped && m.Level[0] > kMinLevel &&
         m.Level[1] > kMinLevel && m.First[0] + m.First[1] < kContinuingFirst && m.BackFirst < 8.0f &&
         m.JumpFirst < 4.0f && m.JumpForward < 3.0f && m.CrossForward < 3.0f && m.CrossBackward < 3.0f &&
         m.Level[1] < 4.0f * m.Level[0] && m.Level[0] < 4.0f * m.Level[1];
}

// A break no recording makes: the samples after a junction a thousand times further from the prediction
// than the worst error of the stretch before, the same backwards, at a steady level. An onset (a note, a
// plosive) mostly comes out of a quieter or different stretch and is left alone; the sharpest attacks of the
// bench's melodies reached 330 times the worst error before.
bool ChannelBreaks(const TChannelMeasures& m) {
  return m.Measured && m.Capacity >= 1.5f && m.Clipped < kMaxClipped && m.Level[0] > kMinLevel &&
         m.Level[1] > kMinLevel && m.First[0] + m.First[1] > kBreakingFirst * std::max(1.0f, m.Spike) &&
         m.BackFirst > 1000.0f && m.JumpForward > 30.0f && m.JumpBackward > 30.0f && m.Level[1] < 3.0f * m.Level[0] &&
         m.Level[0] < 3.0f * m.Level[1];
}

}  // namespace

bool ContinuesFrom(const TBeforeFit (&fits)[kJunctionChannels], uint16_t channels) {
  float capacity = 0.0f;
  for (uint16_t c = 0; c < channels; ++c) {
    if (!fits[c].Fitted || fits[c].Capacity < kChannelCapacity || fits[c].Level <= kMinLevel) return false;
    capacity += fits[c].Capacity;
  }
  return channels > 0 && capacity >= (channels == 1 ? kMonoCapacity : kChannelsCapacity);
}

TJunction JudgeMeasures(const TJunctionMeasures& m, bool mayBreak) {
  bool all = m.Channels > 0;
  float capacity = 0.0f;
  for (uint16_t c = 0; c < m.Channels; ++c) {
    if (mayBreak && ChannelBreaks(m.Channel[c])) return TJunction::DoesNotContinue;
    all = all && ChannelContinues(m.Channel[c]);
    capacity += m.Channel[c].Capacity;
  }
  return all && capacity >= (m.Channels == 1 ? kMonoCapacity : kChannelsCapacity) ? TJunction::Continues
                                                                                  : TJunction::CannotTell;
}

TJunction JudgeJunction(const TPcmFormat& format, const uint8_t* before, size_t beforeSize, const uint8_t* after,
                        size_t afterSize) {
  static thread_local TJunctionJudge judge;
  judge.Before(format, before, beforeSize);
  return judge.Judge(after, afterSize);
}

}  // namespace quillot
