// What the junction judge weighs, measured on each channel either side of the junction: how predictable
// each side is, how far the samples just after the junction stray from what the side before predicts (and
// backwards), whether each side's predictor fits the other side's samples, the level, the offset and the
// samples at the rails.
#pragma once

#include <cstdint>

#include "signal/Junction.h"
#include "signal/JunctionSamples.h"

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

void MeasureJunction(const TJunctionSamples& samples, uint16_t bitsPerSample, TJunctionMeasures& out);

// The judge's answer on what was measured; DoesNotContinue only where `mayBreak`.
TJunction JudgeMeasures(const TJunctionMeasures& measures, bool mayBreak);

}  // namespace quillot
