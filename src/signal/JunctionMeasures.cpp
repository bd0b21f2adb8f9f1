#include "signal/JunctionMeasures.h"

#include <algorithm>
#include <cmath>

#include "signal/Lpc.h"

namespace quillot {

namespace {

constexpr size_t kNear = 256;  // samples either side over which residuals and levels are taken
constexpr size_t kSpan = TJunctionSamples::kSpan;

float Mean(const float* x, size_t from, size_t to) {
  float sum = 0.0f;
  for (size_t i = from; i < to; ++i) sum += x[i];
  return sum / float(to - from);
}

float Power(const float* x, size_t from, size_t to) {
  float sum = 0.0f;
  for (size_t i = from; i < to; ++i) sum += x[i] * x[i];
  return sum / float(to - from);
}

float Ratio(float num, float den) { return num / std::max(den, 1e-30f); }

// The power of the rounding to `bits`: what no predictor removes. A float is taken as 24 bits.
float QuantisationFloor(uint16_t bits) {
  const float q = std::ldexp(1.0f, 1 - std::clamp<int>(bits == 4 ? 16 : bits, 8, 24));
  return q * q / 12.0f;
}

void MeasureChannel(const float* s, size_t junction, size_t count, float floor, float (&z)[kSpan], float (&w)[kSpan],
                    TChannelMeasures& m) {
  const size_t p = kLpcOrder, J = junction, N = count;
  if (J < 4 * p || N - J < 4 * p) return;
  m.Dc[0] = Mean(s, 0, J);
  m.Dc[1] = Mean(s, J, N);
  for (size_t i = 0; i < N; ++i) {
    z[i] = s[i] - m.Dc[0];
    w[i] = s[i] - m.Dc[1];
  }
  float a[p + 1], b[p + 1], orders[p + 1];
  if (!FitPredictor(z, J, floor, a, orders) || !FitPredictor(w + J, N - J, floor, b)) return;
  // An order counts where it leaves well above the full fit's error: only there does a piece from elsewhere
  // have room to stray.
  for (size_t k = 0; k < p; ++k) m.Capacity += std::max(0.0f, std::log(orders[k] / (8.0f * orders[p]))) / 2;
  const size_t nearBefore = J - std::min(kNear, J - p), nearAfter = std::min(N, J + p + kNear);
  m.Level[0] = Power(z, J - std::min(2 * kNear, J), J);
  m.Level[1] = Power(w, J, std::min(N, J + 2 * kNear));
  m.Floor = floor;
  float e[kNear];
  PredictionErrors(z, nearBefore, J, a, e);
  float spike = 0.0f, power = 0.0f;
  for (size_t i = 0; i < J - nearBefore; ++i) {
    power += e[i] * e[i];
    spike = std::max(spike, e[i] * e[i]);
  }
  m.Residual[0] = std::max(power / float(J - nearBefore), floor);
  m.Spike = Ratio(spike, m.Residual[0]);
  m.Residual[1] = std::max(PredictionError(w, J + p, nearAfter, b), floor);
  PredictionErrors(z, J, J + 2, a, e);
  m.First[0] = Ratio(e[0] * e[0], m.Residual[0]);
  m.First[1] = Ratio(e[1] * e[1], m.Residual[0]);
  m.BackFirst = Ratio(BackwardPredictionError(w, J - 1, J, b), m.Residual[1]);
  m.JumpForward = Ratio(PredictionError(z, J, J + kJumpSamples, a), m.Residual[0]);
  m.JumpFirst = Ratio(PredictionError(z, J, J + 4, a), m.Residual[0]);
  m.JumpBackward = Ratio(BackwardPredictionError(w, J - kJumpSamples, J, b), m.Residual[1]);
  m.CrossForward = Ratio(std::max(PredictionError(w, J + p, nearAfter, a), floor), m.Residual[1]);
  m.CrossBackward = Ratio(std::max(PredictionError(z, nearBefore, J, b), floor), m.Residual[0]);
  size_t rails = 0;
  for (size_t i = 0; i < N; ++i) rails += std::fabs(s[i]) >= 0.998f;
  m.Clipped = float(rails) / float(N);
  m.Measured = true;
}

}  // namespace

void MeasureJunction(const TJunctionSamples& samples, uint16_t bitsPerSample, TJunctionMeasures& out) {
  out.Channels = samples.Channels;
  const float floor = QuantisationFloor(bitsPerSample);
  float z[kSpan], w[kSpan];
  for (uint16_t c = 0; c < samples.Channels; ++c) {
    out.Channel[c] = TChannelMeasures{};
    MeasureChannel(samples.Samples[c], samples.Junction[c], samples.Count, floor, z, w, out.Channel[c]);
  }
}

}  // namespace quillot
