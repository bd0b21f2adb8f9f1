// The Core Audio Format unit: "caff", version 1, then chunks with 64-bit big-endian sizes after a 12-byte
// head, the description first. CAF carries no total length, so once the audio data chunk has passed, the
// file ends where the next bytes are no chunk of the format's own types: told within the next chunk's
// 12-byte head, the lag. A data chunk of size -1 runs to the end of the file, and one too short for its
// edit count is a placeholder: neither gives a length.
#pragma once

#include <optional>

#include "streams/SizedStream.h"

namespace quillot {

class TCafStream : public TSizedSamples<TCafStream> {
 public:
  TCafStream() : TSizedSamples(8) {}

 private:
  static constexpr size_t kHeadSize = 12;
  void Screen(const uint8_t* field, size_t have) override;
  void OnField(const uint8_t* field, size_t size) override;
  void OnSkipped() override;

  uint64_t chunkStart_ = 0;
  uint64_t chunks_ = 0;
  bool sawData_ = false;
  uint64_t descEnd_ = 0;  // while the description's body is read: where its chunk ends
  std::optional<TPcmFormat> format_;
};

}  // namespace quillot
