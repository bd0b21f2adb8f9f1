// The DSD stream file unit: the "DSD " chunk holds the total file size and where the metadata starts, then
// come "fmt " and "data" (little-endian 64-bit sizes that count their 12-byte head) and, at the metadata
// pointer, an ID3v2 tag to the end. The total is trusted only when the data chunk ends where the metadata
// starts (or, with no metadata, at the total) and the tag fits what is left; a total of 0 or all-ones
// gives no length. Lag 0.
#pragma once

#include "streams/SizedStream.h"

namespace quillot {

class TDsfStream : public TSizedStream {
 public:
  TDsfStream() : TSizedStream(kDsdSize) {}

 private:
  static constexpr size_t kDsdSize = 28;
  enum class TNext { Dsd, Fmt, Data, Tag, End };
  void Screen(const uint8_t* field, size_t have) override;
  void OnField(const uint8_t* field, size_t size) override;
  void OnSkipped() override;
  // A chunk head of the given id: skips its body.
  void OnChunk(const uint8_t* field, const char* id, TNext then);

  TNext next_ = TNext::Dsd;
  uint64_t total_ = 0;
  uint64_t metadata_ = 0;
  uint64_t chunkStart_ = 0;
};

}  // namespace quillot
