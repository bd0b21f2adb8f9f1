// What the junction judge weighs, measured on each channel either side of the junction: how predictable
// each side is, how far the samples just after the junction stray from what the side before predicts (and
// backwards), whether each side's predictor fits the other side's samples, the level, the offset and the
// samples at the rails.
#pragma once

#include <cstdint>

#include "signal/Junction.h"
#include "signal/JunctionSamples.h"
#include "signal/Lpc.h"

namespace quillot {

struct TChannelMeasures {
  bool Measured = false;    // both sides held enough samples
  float Level[2] = {};      // power about each side's own mean, before and after
  float Dc[2] = {};         // each side's mean
  float Residual[2] = {};   // power of each side's own prediction error near the junction (at least Floor)
  float Floor = 0;          // the power of the quantisation noise
  float JumpForward = 0;    // power of the error predicting the first kJumpSamples after from before, over Residual[0]
  float JumpBackward = 0;   // the last kJumpSamples before predicted backwards from after, over Residual[1]
  float JumpFirst = 0;      // the same forward error over the first 4 samples only
  float CrossForward = 0;   // before's predictor on after's samples, over Residual[1]
  float CrossBackward = 0;  // after's predictor on before's samples, over Residual[0]
  float Clipped = 0;        // share of samples at the rails
  float First[2] = {};      // the squared error of the first two samples after, over Residual[0]
  float BackFirst = 0;      // the squared backward error of the last sample before, over Residual[1]
  float Spike = 0;          // the largest squared error before, over Residual[0]
  float Capacity = 0;       // half the sum over orders below the fit's of log(the order's error / 8 the fit's)
};

struct TJunctionMeasures {
  uint16_t Channels = 0;
  TChannelMeasures Channel[kJunctionChannels];
};

constexpr int kJumpSamples = 16;
// The first two samples after a junction that goes on stray less than this from the prediction, over the
// recording's own error; one that breaks strays more than kBreakingFirst times the worst error before.
constexpr float kContinuingFirst = 8.0f;
constexpr float kBreakingFirst = 1000.0f;

// One channel's side before the junction, fitted: all that the measures take from it alone.
struct TBeforeFit {
  bool Fitted = false;
  size_t Junction = 0;  // the channel's junction the fit was made for
  float Dc = 0, Level = 0, Residual = 0, Spike = 0, Capacity = 0;
  float A[kLpcOrder + 1] = {};
};

// Fits each channel's side before the junction.
void FitBefore(const TJunctionSamples& samples, uint16_t bitsPerSample, TBeforeFit (&fits)[kJunctionChannels]);

// Measures every channel; fits, where given, are the sides before already fitted (FitBefore on the same bytes
// before).
void MeasureJunction(const TJunctionSamples& samples, uint16_t bitsPerSample, TJunctionMeasures& out,
                     const TBeforeFit (*fits)[kJunctionChannels] = nullptr);

// Whether the first samples after the junction already settle it as CannotTell: some channel strays too far
// to go on, and none far enough to break.
bool SettledByFirstSamples(const TJunctionSamples& samples, const TBeforeFit (&fits)[kJunctionChannels]);

// Whether the sides before, fitted, let the judge answer Continues for some side after (JudgeMeasures).
bool ContinuesFrom(const TBeforeFit (&fits)[kJunctionChannels], uint16_t channels);

// The judge's answer on what was measured; DoesNotContinue only where `mayBreak`.
TJunction JudgeMeasures(const TJunctionMeasures& measures, bool mayBreak);

}  // namespace quillot
