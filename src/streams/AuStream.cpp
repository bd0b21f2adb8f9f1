#include "streams/AuStream.h"

#include <algorithm>
#include <cstring>

namespace quillot {

void TAuStream::Screen(const uint8_t* field, size_t have) {
  const size_t n = std::min<size_t>(have, 4);
  if (FirstField() && std::memcmp(field, ".snd", n) != 0 && std::memcmp(field, "dns.", n) != 0) NotMine();
}

void TAuStream::OnField(const uint8_t* field, size_t) {
  const bool little = field[0] == 'd';
  auto word = [&](size_t at) { return little ? Le32(field + at) : Be32(field + at); };
  const uint32_t offset = word(4), dataSize = word(8), rate = word(16), channels = word(20);
  if (offset < kHeaderSize || rate == 0 || channels == 0) {
    NotMine();
    return;
  }
  if (dataSize == 0 || dataSize == 0xFFFFFFFF) {
    NoLength();
    return;
  }
  end_ = uint64_t(offset) + dataSize;
  // Linear samples of 8 to 32 bits and 32-bit float are judged; the logarithmic codes are not.
  const uint32_t encoding = word(12);
  if (channels <= 8 && ((encoding >= 2 && encoding <= 5) || encoding == 6)) {
    TPcmFormat f;
    f.Encoding = encoding == 6 ? TPcmFormat::TEncoding::Float : TPcmFormat::TEncoding::Signed;
    f.BitsPerSample = uint16_t(encoding == 6 ? 32 : 8 * (encoding - 1));
    f.Channels = uint16_t(channels);
    f.SampleRate = rate;
    f.BlockAlign = uint16_t(f.Channels * f.BitsPerSample / 8);
    f.BigEndian = !little;
    Samples(f, offset, end_);
  }
  SkipTo(end_);
}

void TAuStream::OnSkipped() { End(end_); }

}  // namespace quillot
