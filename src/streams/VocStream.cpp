#include "streams/VocStream.h"

#include <algorithm>
#include <cstring>

namespace quillot {

namespace {

constexpr char kMagic[] = "Creative Voice File\x1A";
constexpr size_t kMagicSize = sizeof kMagic - 1;
constexpr uint8_t kTerminator = 0;
constexpr uint8_t kLastType = 9;
// The fields each sound block carries before its samples: types 1 (rate, codec) and 9 (rate, bits,
// channels, codec, reserved).
size_t SoundFields(uint8_t type) { return type == 1 ? 2 : type == 9 ? 12 : 0; }

}  // namespace

void TVocStream::Screen(const uint8_t* field, size_t have) {
  if (FirstField() && std::memcmp(field, kMagic, std::min(have, kMagicSize)) != 0) NotMine();
}

void TVocStream::OnField(const uint8_t* field, size_t) {
  switch (next_) {
    case TNext::Header: {
      const uint16_t headerSize = Le16(field + 20), version = Le16(field + 22), check = Le16(field + 24);
      if (check != uint16_t(~version + 0x1234) || headerSize < kHeaderSize) {
        Break(0);
        return;
      }
      SkipTo(headerSize);
      return;
    }
    case TNext::Type:
      type_ = field[0];
      if (type_ == kTerminator) {
        End(Pos());
      } else if (type_ > kLastType) {
        Break(blockStart_);
      } else {
        next_ = TNext::Size;
        ReadField(3);
      }
      return;
    case TNext::Size: {
      const uint32_t size = field[0] | field[1] << 8 | uint32_t(field[2]) << 16;
      if (size < SoundFields(type_)) {
        NoLength();
        return;
      }
      SkipTo(Pos() + size);
      return;
    }
  }
}

void TVocStream::OnSkipped() {
  blockStart_ = Pos();
  next_ = TNext::Type;
  ReadField(1);
}

}  // namespace quillot
