// The MD5 a FLAC stream's STREAMINFO carries of its audio, checked against the samples the decoder gives:
// frames whose CRCs all hold can still come from another recording of the same parameters, and only the
// sum over the whole stream tells.
#pragma once

#include <cstdint>
#include <vector>

#include "decode/DecodeReport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/md5.h>
}

namespace quillot::decoder {

class TFlacSum {
 public:
  TFlacSum() = default;
  TFlacSum(const TFlacSum&) = delete;
  TFlacSum& operator=(const TFlacSum&) = delete;
  ~TFlacSum();

  // Reads the sum from the stream's parameters: false when it is not FLAC or carries none (all zeros,
  // as an encoder leaves it that did not compute one).
  bool Start(const AVCodecParameters& parameters);

  // Adds a decoded frame's samples as FLAC sums them: interleaved, each a signed little-endian integer
  // of the stream's bit depth rounded up to whole bytes.
  void Add(const AVFrame& frame);

  // At the end of the stream: whether the samples added give the sum carried; None when the decoder gave
  // samples in a layout this cannot read back to the stream's own.
  decode::TContentSum Result();

 private:
  AVMD5* md5_ = nullptr;
  uint8_t expected_[16] = {};
  int bits_ = 0;
  bool unreadable_ = false;  // a sample layout FLAC's decoder does not give
  std::vector<uint8_t> bytes_;
};

}  // namespace quillot::decoder
