// The Creative voice file unit: a 26-byte header whose check word is the complement of the version plus
// 0x1234, then typed blocks with 24-bit little-endian sizes, until the terminator block (type 0, one byte)
// ends the file. A sound block too short for its own fields is a size left as a placeholder: no length.
// Lag 0.
#pragma once

#include "streams/SizedStream.h"

namespace quillot {

class TVocStream : public TSizedStream {
 public:
  TVocStream() : TSizedStream(kHeaderSize) {}

 private:
  static constexpr size_t kHeaderSize = 26;
  enum class TNext { Header, Type, Size };
  void Screen(const uint8_t* field, size_t have) override;
  void OnField(const uint8_t* field, size_t size) override;
  void OnSkipped() override;

  TNext next_ = TNext::Header;
  uint8_t type_ = 0;
  uint64_t blockStart_ = 0;
};

}  // namespace quillot
