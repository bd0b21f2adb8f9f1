#include "streams/CafStream.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace quillot {

namespace {

constexpr uint8_t kFileHead[6] = {'c', 'a', 'f', 'f', 0, 1};
constexpr uint64_t kLargest = uint64_t(1) << 62;
constexpr uint64_t kToTheEnd = ~uint64_t(0);
// The format's chunk types; anything else after the audio is not this file's.
constexpr std::string_view kTypes[] = {"desc", "data", "pakt", "chan", "kuki", "strg", "mark", "regn", "inst",
                                       "midi", "ovvw", "peak", "edct", "info", "umid", "uuid", "free"};

// Whether the first have bytes (up to 4) start one of the format's chunk types.
bool StartsKnownType(const uint8_t* p, size_t have) {
  const size_t n = std::min<size_t>(have, 4);
  return std::any_of(std::begin(kTypes), std::end(kTypes),
                     [&](std::string_view t) { return std::memcmp(p, t.data(), n) == 0; });
}

}  // namespace

void TCafStream::Screen(const uint8_t* field, size_t have) {
  if (FirstField()) {
    if (std::memcmp(field, kFileHead, std::min(have, sizeof kFileHead)) != 0) NotMine();
    return;
  }
  if (sawData_ && !StartsKnownType(field, have)) End(chunkStart_);
}

void TCafStream::OnField(const uint8_t* field, size_t) {
  if (chunkStart_ == 0) {
    OnSkipped();
    return;
  }
  const uint64_t size = Be64(field + 4);
  const bool data = std::memcmp(field, "data", 4) == 0;
  if (sawData_) {
    // After the audio, a second data chunk or an impossible size is the next file or junk.
    if (data || size > kLargest) {
      End(chunkStart_);
      return;
    }
  } else if (chunks_ == 0 && std::memcmp(field, "desc", 4) != 0) {
    Break(chunkStart_);
    return;
  } else if (data && (size == kToTheEnd || size < 4)) {
    NoLength();
    return;
  } else if (!IsPrintableCode(field) || size > kLargest) {
    Break(chunkStart_);
    return;
  }
  ++chunks_;
  sawData_ = sawData_ || data;
  SkipTo(Pos() + size);
}

void TCafStream::OnSkipped() {
  chunkStart_ = Pos();
  ReadField(kHeadSize);
  if (sawData_) MayEndAt(chunkStart_);
}

}  // namespace quillot
