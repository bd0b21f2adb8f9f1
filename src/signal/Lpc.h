// Linear prediction of a run of samples from the ones before it: each sample as a weighted sum of the kLpcOrder
// before it, the weights fitted on a stretch of the run. A recording's bulk is predictable this way (its
// spectral envelope); what the weights cannot predict is the residual, close to noise.
#pragma once

#include <cstddef>

namespace quillot {

constexpr int kLpcOrder = 16;

constexpr size_t kLpcMaxRun = 4096;  // the most samples a call below looks at

// The weights a[1..kLpcOrder] (a[0] unused) fitted on x[0..n) by the autocorrelation method, the stretch's
// ends tapered. `floor` is the power of noise the samples carry anyway (their quantisation), added so that a
// fit on a pure tone stays stable. `errors`, when given, receives the fit's error power of every order 0 to
// kLpcOrder. Returns false when the stretch has no power.
bool FitPredictor(const float* x, size_t n, float floor, float* a, float* errors = nullptr);

// Each error predicting x[i] for i in [from, to) into e[i - from].
void PredictionErrors(const float* x, size_t from, size_t to, const float* a, float* e);

// Mean square of the error predicting x[i] for i in [from, to) from x[i - kLpcOrder .. i): x must hold the
// kLpcOrder samples before `from`.
float PredictionError(const float* x, size_t from, size_t to, const float* a);

// The same backwards: x[i] from x[i + 1 .. i + kLpcOrder]; x must hold the kLpcOrder samples after `to`. For
// a fit by the autocorrelation method the backward weights are the forward ones.
float BackwardPredictionError(const float* x, size_t from, size_t to, const float* a);

}  // namespace quillot
