#include "signal/JunctionJudge.h"

#include "signal/ForeignBytes.h"
#include "signal/JunctionSamples.h"

namespace quillot {

void TJunctionJudge::Before(const TPcmFormat& format, const uint8_t* before, size_t beforeSize) {
  format_ = format;
  before_.assign(before, before + beforeSize);
  fitted_ = false;
  mayContinue_ = -1;
}

TJunction TJunctionJudge::Judge(const uint8_t* after, size_t afterSize) {
  static thread_local TJunctionSamples samples;
  const TPcmFormat& format = format_;
  if (!DecodeJunctionSamples(format, before_.data(), before_.size(), after, afterSize, samples))
    return TJunction::CannotTell;
  if (AfterIsForeign(format, before_.data(), before_.size(), after, afterSize, samples))
    return TJunction::DoesNotContinue;
  // An ADPCM junction meets at the after side's next block: its side before depends on the bytes after.
  const bool adpcm = format.Encoding == TPcmFormat::TEncoding::ImaAdpcm;
  if (!adpcm && !fitted_) {
    FitBefore(samples, format.BitsPerSample, fits_);
    fitted_ = true;
  }
  if (!adpcm && SettledByFirstSamples(samples, fits_)) return TJunction::CannotTell;
  TJunctionMeasures measures;
  MeasureJunction(samples, format.BitsPerSample, measures, adpcm ? nullptr : &fits_);
  // An ADPCM block's header restarts from a sample and step of its own: the encoders' headers stray from the
  // decoded stream enough that a break there is no proof.
  return JudgeMeasures(measures, !adpcm);
}

bool TJunctionJudge::MayContinue() {
  if (format_.Encoding == TPcmFormat::TEncoding::ImaAdpcm) return true;
  if (mayContinue_ >= 0) return mayContinue_ == 1;
  mayContinue_ = 0;
  static thread_local TJunctionSamples samples;
  // Any bytes after place each channel's junction; the fit takes the samples before it alone.
  const std::vector<uint8_t> after(size_t(format_.BlockAlign) * kJunctionAfter, 0);
  if (!DecodeJunctionSamples(format_, before_.data(), before_.size(), after.data(), after.size(), samples))
    return false;
  if (!fitted_) {
    FitBefore(samples, format_.BitsPerSample, fits_);
    fitted_ = true;
  }
  mayContinue_ = ContinuesFrom(fits_, samples.Channels) ? 1 : 0;
  return mayContinue_ == 1;
}

}  // namespace quillot
