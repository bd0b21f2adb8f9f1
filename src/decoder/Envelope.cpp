#include "decoder/Envelope.h"

#include <algorithm>
#include <cmath>

namespace quillot::decoder {

void TEnvelopeBuilder::Add(const float* samples, size_t frames, int channels) {
  for (size_t f = 0; f < frames; ++f) {
    if (bins_.empty() || bins_.back().Frames == binFrames_) {
      if (bins_.size() == kMostBins) Merge();
      if (bins_.empty() || bins_.back().Frames == binFrames_) bins_.emplace_back();
    }
    TBin& bin = bins_.back();
    for (int c = 0; c < channels; ++c) {
      const float v = std::fabs(samples[f * static_cast<size_t>(channels) + static_cast<size_t>(c)]);
      const float clipped = std::isfinite(v) ? std::min(v, 1.0f) : 0.0f;
      bin.Peak = std::max(bin.Peak, clipped);
      bin.SumSquares += static_cast<double>(clipped) * clipped;
      ++bin.Count;
    }
    ++bin.Frames;
  }
}

void TEnvelopeBuilder::Merge() {
  std::vector<TBin> merged;
  merged.reserve(bins_.size() / 2 + 1);
  for (size_t i = 0; i < bins_.size(); i += 2) {
    TBin bin = bins_[i];
    if (i + 1 < bins_.size()) {
      const TBin& next = bins_[i + 1];
      bin.Peak = std::max(bin.Peak, next.Peak);
      bin.SumSquares += next.SumSquares;
      bin.Count += next.Count;
      bin.Frames += next.Frames;
    }
    merged.push_back(bin);
  }
  bins_ = std::move(merged);
  binFrames_ *= 2;
}

std::vector<decode::TEnvelopePoint> TEnvelopeBuilder::Columns() const {
  uint64_t total = 0;
  for (const auto& b : bins_) total += b.Frames;
  if (total == 0) return {};
  // Each bin goes to the column its first frame falls in.
  std::vector<TBin> columns(decode::kEnvelopePoints);
  uint64_t at = 0;
  for (const auto& b : bins_) {
    TBin& c = columns[static_cast<size_t>(at * decode::kEnvelopePoints / total)];
    c.Peak = std::max(c.Peak, b.Peak);
    c.SumSquares += b.SumSquares;
    c.Count += b.Count;
    at += b.Frames;
  }
  std::vector<decode::TEnvelopePoint> out;
  for (const auto& c : columns)
    out.push_back({c.Peak, c.Count ? static_cast<float>(std::sqrt(c.SumSquares / static_cast<double>(c.Count))) : 0});
  return out;
}

}  // namespace quillot::decoder
