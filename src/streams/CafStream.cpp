#include "streams/CafStream.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace quillot {

namespace {

constexpr uint8_t kFileHead[6] = {'c', 'a', 'f', 'f', 0, 1};
constexpr uint64_t kLargest = uint64_t(1) << 62;
constexpr uint64_t kToTheEnd = ~uint64_t(0);
constexpr size_t kDescription = 32;
// The format's chunk types; anything else after the audio is not this file's.
constexpr std::string_view kTypes[] = {"desc", "data", "pakt", "chan", "kuki", "strg", "mark", "regn", "inst",
                                       "midi", "ovvw", "peak", "edct", "info", "umid", "uuid", "free"};

// Whether the first have bytes (up to 4) start one of the format's chunk types.
bool StartsKnownType(const uint8_t* p, size_t have) {
  const size_t n = std::min<size_t>(have, 4);
  return std::any_of(std::begin(kTypes), std::end(kTypes),
                     [&](std::string_view t) { return std::memcmp(p, t.data(), n) == 0; });
}

// The description's linear PCM: "lpcm", flags (1: float, 2: little-endian), one frame a packet.
std::optional<TPcmFormat> Description(const uint8_t* p) {
  if (std::memcmp(p + 8, "lpcm", 4) != 0) return std::nullopt;
  const uint32_t flags = Be32(p + 12), bytesPerPacket = Be32(p + 16), framesPerPacket = Be32(p + 20);
  TPcmFormat f;
  f.Channels = uint16_t(std::min<uint32_t>(Be32(p + 24), 0xFFFF));
  f.BitsPerSample = uint16_t(std::min<uint32_t>(Be32(p + 28), 0xFFFF));
  f.Encoding = flags & 1 ? TPcmFormat::TEncoding::Float : TPcmFormat::TEncoding::Signed;
  f.BigEndian = !(flags & 2);
  f.BlockAlign = uint16_t(std::min<uint32_t>(bytesPerPacket, 0xFFFF));
  const bool plain = f.BitsPerSample == 8 || f.BitsPerSample == 16 || f.BitsPerSample == 24 || f.BitsPerSample == 32;
  if (framesPerPacket != 1 || f.Channels == 0 || f.Channels > 8 || !plain ||
      uint32_t(f.BlockAlign) != f.Channels * f.BitsPerSample / 8u ||
      (f.Encoding == TPcmFormat::TEncoding::Float && f.BitsPerSample != 32))
    return std::nullopt;
  return f;
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
  if (descEnd_ != 0) {
    format_ = Description(field);
    SkipTo(std::exchange(descEnd_, 0));
    return;
  }
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
  if (chunks_ == 1 && size >= kDescription) {
    descEnd_ = Pos() + size;
    ReadField(kDescription);
    return;
  }
  // The data begins with an edit count.
  if (data && format_) Samples(*format_, Pos() + 4, Pos() + size);
  SkipTo(Pos() + size);
}

void TCafStream::OnSkipped() {
  chunkStart_ = Pos();
  ReadField(kHeadSize);
  if (sawData_) MayEndAt(chunkStart_);
}

}  // namespace quillot
