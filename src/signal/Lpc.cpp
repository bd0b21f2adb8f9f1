#include "signal/Lpc.h"

#include <algorithm>

namespace quillot {

namespace {

constexpr size_t kTaper = 64;  // samples tapered at each end of a fit

}  // namespace

bool FitPredictor(const float* x, size_t n, float floor, float* a, float* errors) {
  n = std::min(n, kLpcMaxRun);
  if (n <= size_t(kLpcOrder)) return false;
  float w[kLpcMaxRun];
  const size_t taper = std::min(kTaper, n / 4);
  for (size_t i = 0; i < n; ++i) w[i] = x[i];
  for (size_t i = 0; i < taper; ++i) {
    const float g = (float(i) + 0.5f) / float(taper);
    w[i] *= g;
    w[n - 1 - i] *= g;
  }
  float r[kLpcOrder + 1];
  for (int k = 0; k <= kLpcOrder; ++k) {
    float sum = 0.0f;
    for (size_t i = size_t(k); i < n; ++i) sum += w[i] * w[i - k];
    r[k] = sum;
  }
  if (!(r[0] > 0.0f)) return false;
  double R[kLpcOrder + 1];
  for (int k = 0; k <= kLpcOrder; ++k) R[k] = r[k];
  R[0] = R[0] * (1.0 + 1e-5) + double(floor) * double(n);
  // Levinson-Durbin.
  double c[kLpcOrder + 1] = {1.0}, err = R[0];
  if (errors) std::fill(errors, errors + kLpcOrder + 1, float(err / double(n)));
  for (int m = 1; m <= kLpcOrder; ++m) {
    double acc = R[m];
    for (int k = 1; k < m; ++k) acc -= c[k] * R[m - k];
    const double k = acc / err;
    double prev[kLpcOrder + 1];
    std::copy(c, c + m, prev);
    c[m] = k;
    for (int j = 1; j < m; ++j) c[j] = prev[j] - k * prev[m - j];
    err *= 1.0 - k * k;
    if (!(err > 0.0)) break;
    if (errors) std::fill(errors + m, errors + kLpcOrder + 1, float(err / double(n)));
  }
  for (int k = 1; k <= kLpcOrder; ++k) a[k] = float(c[k]);
  return true;
}

namespace {

// The error of each prediction, a weight at a time over all samples (which vectorises), then its power.
template <int Direction>
void Errors(const float* x, size_t from, size_t n, const float* a, float* e) {
  const float* at = x + from;
  for (size_t i = 0; i < n; ++i) e[i] = at[i];
  for (int k = 1; k <= kLpcOrder; ++k) {
    const float w = a[k];
    const float* past = at - Direction * k;
    for (size_t i = 0; i < n; ++i) e[i] -= w * past[i];
  }
}

template <int Direction>
float ErrorPower(const float* x, size_t from, size_t to, const float* a) {
  if (to <= from) return 0.0f;
  const size_t n = std::min(to - from, kLpcMaxRun);
  float e[kLpcMaxRun];
  Errors<Direction>(x, from, n, a, e);
  float sum[4] = {};
  size_t i = 0;
  for (; i + 4 <= n; i += 4)
    for (int j = 0; j < 4; ++j) sum[j] += e[i + j] * e[i + j];
  for (; i < n; ++i) sum[0] += e[i] * e[i];
  return (sum[0] + sum[1] + sum[2] + sum[3]) / float(n);
}

}  // namespace

void PredictionErrors(const float* x, size_t from, size_t to, const float* a, float* e) {
  Errors<1>(x, from, std::min(to - from, kLpcMaxRun), a, e);
}

float PredictionError(const float* x, size_t from, size_t to, const float* a) { return ErrorPower<1>(x, from, to, a); }

float BackwardPredictionError(const float* x, size_t from, size_t to, const float* a) {
  return ErrorPower<-1>(x, from, to, a);
}

}  // namespace quillot
