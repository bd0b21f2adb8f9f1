#include "streams/DsfStream.h"

#include <algorithm>
#include <cstring>

namespace quillot {

namespace {

constexpr uint8_t kDsdHead[12] = {'D', 'S', 'D', ' ', 28, 0, 0, 0, 0, 0, 0, 0};
constexpr size_t kHeadSize = 12;
constexpr size_t kTagHeader = 10;
constexpr uint64_t kLargest = uint64_t(1) << 62;

}  // namespace

void TDsfStream::Screen(const uint8_t* field, size_t have) {
  if (FirstField() && std::memcmp(field, kDsdHead, std::min(have, sizeof kDsdHead)) != 0) NotMine();
}

void TDsfStream::OnField(const uint8_t* field, size_t) {
  switch (next_) {
    case TNext::Dsd:
      total_ = Le64(field + 12);
      metadata_ = Le64(field + 20);
      // 0 and all-ones are placeholders; a metadata pointer outside the file is no length either.
      if (total_ < kDsdSize + 2 * kHeadSize || total_ > kLargest ||
          (metadata_ != 0 && (metadata_ < kDsdSize + 2 * kHeadSize || metadata_ > total_ - kTagHeader))) {
        NoLength();
        return;
      }
      chunkStart_ = Pos();
      next_ = TNext::Fmt;
      ReadField(kHeadSize);
      return;
    case TNext::Fmt: OnChunk(field, "fmt ", TNext::Data); return;
    case TNext::Data: OnChunk(field, "data", TNext::Tag); return;
    case TNext::Tag: {
      // ID3v2: "ID3", version, flags, a 28-bit size in four 7-bit bytes, a footer of 10 if flagged.
      const uint8_t* p = field;
      if (std::memcmp(p, "ID3", 3) != 0 || ((p[6] | p[7] | p[8] | p[9]) & 0x80) != 0) {
        Break(metadata_);
        return;
      }
      const uint64_t tag = kTagHeader + (uint64_t(p[6]) << 21 | p[7] << 14 | p[8] << 7 | p[9]) +
                           ((p[5] & 0x10) ? 10 : 0);
      if (metadata_ + tag > total_) {
        Break(metadata_);
        return;
      }
      next_ = TNext::End;
      SkipTo(total_);
      return;
    }
    case TNext::End: return;
  }
}

void TDsfStream::OnChunk(const uint8_t* field, const char* id, TNext then) {
  if (std::memcmp(field, id, 4) != 0) {
    Break(chunkStart_);
    return;
  }
  const uint64_t size = Le64(field + 4);
  const uint64_t chunkEnd = chunkStart_ + size;
  if (size < kHeadSize || size > kLargest || chunkEnd > total_) {
    NoLength();
    return;
  }
  next_ = then;
  SkipTo(chunkEnd);
}

void TDsfStream::OnSkipped() {
  chunkStart_ = Pos();
  switch (next_) {
    case TNext::Data: ReadField(kHeadSize); return;
    case TNext::Tag:
      // The audio must reach the metadata, or the end when there is none: else the sizes disagree.
      if (Pos() != (metadata_ != 0 ? metadata_ : total_)) {
        NoLength();
      } else if (metadata_ == 0) {
        End(total_);
      } else {
        ReadField(kTagHeader);
      }
      return;
    case TNext::End: End(total_); return;
    case TNext::Dsd:
    case TNext::Fmt: return;
  }
}

}  // namespace quillot
