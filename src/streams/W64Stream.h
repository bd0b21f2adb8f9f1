// The Sony Wave64 unit: chunks named by 16-byte GUIDs, with 64-bit little-endian sizes that count their
// 24-byte head, each starting 8-aligned. The riff chunk's size is the file's length, trusted only when the
// walk over the chunks fits it and met the data chunk; sizes of 0 or all-ones give no length. Lag 0.
#pragma once

#include <optional>

#include "streams/SizedStream.h"

namespace quillot {

class TW64Stream : public TSizedSamples<TW64Stream> {
 public:
  TW64Stream() : TSizedSamples(kHeadSize + 16) {}

 private:
  static constexpr size_t kHeadSize = 24;  // GUID and size
  void Screen(const uint8_t* field, size_t have) override;
  void OnField(const uint8_t* field, size_t size) override;
  void OnSkipped() override;

  uint64_t end_ = 0;
  uint64_t chunkStart_ = 0;
  bool sawData_ = false;
  uint64_t formatEnd_ = 0;  // while the fmt chunk's body is read: where the chunk ends
  std::optional<TPcmFormat> format_;
};

}  // namespace quillot
