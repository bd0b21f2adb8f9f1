// The Sun/NeXT audio unit: ".snd" and its big-endian header, or the little-endian "dns." variant. The end
// is the header size (where the audio starts) plus the data size; a data size of all-ones says the length is
// unknown and one of 0 is a placeholder, so neither gives a length. Lag 0.
#pragma once

#include "streams/SizedStream.h"

namespace quillot {

class TAuStream : public TSizedSamples<TAuStream> {
 public:
  TAuStream() : TSizedSamples(kHeaderSize) {}

 private:
  static constexpr size_t kHeaderSize = 24;
  void Screen(const uint8_t* field, size_t have) override;
  void OnField(const uint8_t* field, size_t size) override;
  void OnSkipped() override;
  uint64_t end_ = 0;
};

}  // namespace quillot
