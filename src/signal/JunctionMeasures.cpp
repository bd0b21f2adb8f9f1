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

void FitChannel(const float* s, size_t junction, float floor, float (&z)[kSpan], TBeforeFit& f) {
  const size_t p = kLpcOrder, J = junction;
  f = TBeforeFit{};
  f.Junction = J;
  if (J < 4 * p) return;
  f.Dc = Mean(s, 0, J);
  for (size_t i = 0; i < J; ++i) z[i] = s[i] - f.Dc;
  float orders[p + 1];
  if (!FitPredictor(z, J, floor, f.A, orders)) return;
  // An order counts where it leaves well above the full fit's error: only there does a piece from elsewhere
  // have room to stray.
  for (size_t k = 0; k < p; ++k) f.Capacity += std::max(0.0f, std::log(orders[k] / (8.0f * orders[p]))) / 2;
  const size_t nearBefore = J - std::min(kNear, J - p);
  f.Level = Power(z, J - std::min(2 * kNear, J), J);
  float e[kNear];
  PredictionErrors(z, nearBefore, J, f.A, e);
  float spike = 0.0f, power = 0.0f;
  for (size_t i = 0; i < J - nearBefore; ++i) {
    power += e[i] * e[i];
    spike = std::max(spike, e[i] * e[i]);
  }
  f.Residual = std::max(power / float(J - nearBefore), floor);
  f.Spike = Ratio(spike, f.Residual);
  f.Fitted = true;
}

// The squared errors of the first two samples after, over the side before's own, summed.
float FirstErrors(const float* s, const TBeforeFit& f) {
  const size_t p = kLpcOrder, J = f.Junction;
  float z[kLpcOrder + 2], e[2];
  for (size_t i = 0; i < p + 2; ++i) z[i] = s[J - p + i] - f.Dc;
  PredictionErrors(z, p, p + 2, f.A, e);
  return Ratio(e[0] * e[0] + e[1] * e[1], f.Residual);
}

void MeasureChannel(const float* s, size_t count, float floor, const TBeforeFit& f, float (&z)[kSpan],
                    float (&w)[kSpan], TChannelMeasures& m) {
  const size_t p = kLpcOrder, J = f.Junction, N = count;
  if (!f.Fitted || N - J < 4 * p) return;
  m.Dc[0] = f.Dc;
  m.Dc[1] = Mean(s, J, N);
  for (size_t i = 0; i < N; ++i) {
    z[i] = s[i] - m.Dc[0];
    w[i] = s[i] - m.Dc[1];
  }
  const float* a = f.A;
  float b[p + 1];
  if (!FitPredictor(w + J, N - J, floor, b)) return;
  m.Capacity = f.Capacity;
  const size_t nearBefore = J - std::min(kNear, J - p), nearAfter = std::min(N, J + p + kNear);
  m.Level[0] = f.Level;
  m.Level[1] = Power(w, J, std::min(N, J + 2 * kNear));
  m.Floor = floor;
  m.Residual[0] = f.Residual;
  m.Spike = f.Spike;
  m.Residual[1] = std::max(PredictionError(w, J + p, nearAfter, b), floor);
  float e[2];
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

void FitBefore(const TJunctionSamples& samples, uint16_t bitsPerSample, TBeforeFit (&fits)[kJunctionChannels]) {
  const float floor = QuantisationFloor(bitsPerSample);
  float z[kSpan];
  for (uint16_t c = 0; c < samples.Channels; ++c)
    FitChannel(samples.Samples[c], samples.Junction[c], floor, z, fits[c]);
}

void MeasureJunction(const TJunctionSamples& samples, uint16_t bitsPerSample, TJunctionMeasures& out,
                     const TBeforeFit (*fits)[kJunctionChannels]) {
  out.Channels = samples.Channels;
  const float floor = QuantisationFloor(bitsPerSample);
  float z[kSpan], w[kSpan];
  for (uint16_t c = 0; c < samples.Channels; ++c) {
    out.Channel[c] = TChannelMeasures{};
    TBeforeFit own;
    const TBeforeFit* fit = fits ? &(*fits)[c] : &own;
    if (!fits || fit->Junction != samples.Junction[c]) {
      FitChannel(samples.Samples[c], samples.Junction[c], floor, z, own);
      fit = &own;
    }
    MeasureChannel(samples.Samples[c], samples.Count, floor, *fit, z, w, out.Channel[c]);
  }
}

bool SettledByFirstSamples(const TJunctionSamples& samples, const TBeforeFit (&fits)[kJunctionChannels]) {
  bool strays = false;
  for (uint16_t c = 0; c < samples.Channels; ++c) {
    const TBeforeFit& f = fits[c];
    if (!f.Fitted || f.Junction != samples.Junction[c] || samples.Count < f.Junction + 4 * kLpcOrder) return false;
    const float first = FirstErrors(samples.Samples[c], f);
    if (first > kBreakingFirst * std::max(1.0f, f.Spike)) return false;
    strays = strays || first >= kContinuingFirst;
  }
  return strays;
}

}  // namespace quillot
