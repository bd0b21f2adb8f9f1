// The waveform's columns over a file of a length not known in advance, in bounded memory: samples go
// into bins of a fixed number of frames, and when the bins fill, neighbours merge in pairs and each bin
// covers twice as many frames from then on.
#pragma once

#include <cstdint>
#include <vector>

#include "decode/DecodeReport.h"

namespace quillot::decoder {

class TEnvelopeBuilder {
 public:
  // frames sample frames of channels interleaved floats.
  void Add(const float* samples, size_t frames, int channels);
  // kEnvelopePoints columns over everything added, or none when nothing was.
  std::vector<decode::TEnvelopePoint> Columns() const;

 private:
  struct TBin {
    float Peak = 0;
    double SumSquares = 0;
    uint64_t Count = 0;  // samples, over all channels
    uint64_t Frames = 0;
  };
  void Merge();

  static constexpr size_t kMostBins = 16 * decode::kEnvelopePoints;
  std::vector<TBin> bins_;
  uint64_t binFrames_ = 1;
};

}  // namespace quillot::decoder
