#include "streams/FormStream.h"

#include <algorithm>
#include <cstring>

namespace quillot {

namespace {

constexpr TFormLayout kIff{"FORM", 4, "", {"SSND", "BODY"}};
constexpr TFormLayout kDff{"FRM8", 8, "DSD ", {"DSD ", "DST "}};
// Past this a size is no file's: an all-ones or garbled field.
constexpr uint64_t kLargest = uint64_t(1) << 62;

uint64_t RoundEven(uint64_t n) { return n + (n & 1); }

}  // namespace

TFormStream::TFormStream(const TFormLayout& layout) : TSizedStream(4 + layout.SizeBytes + 4), layout_(layout) {}
TIffStream::TIffStream() : TFormStream(kIff) {}
TDffStream::TDffStream() : TFormStream(kDff) {}

uint64_t TFormStream::Size(const uint8_t* p) const { return layout_.SizeBytes == 8 ? Be64(p) : Be32(p); }

void TFormStream::Screen(const uint8_t* field, size_t have) {
  if (FirstField() && std::memcmp(field, layout_.Magic.data(), std::min<size_t>(have, 4)) != 0) NotMine();
}

namespace {

// The samples an AIFF's COMM chunk describes: linear big-endian PCM, or in AIFF-C also little-endian 16-bit
// ("sowt") and 32-bit float; nothing for compressed ones.
std::optional<TPcmFormat> CommonFormat(const uint8_t* p, size_t size, bool aifc) {
  if (size < 18) return std::nullopt;
  TPcmFormat f;
  f.Channels = Be16(p);
  f.BitsPerSample = Be16(p + 6);
  // The rate is an 80-bit float: its whole part is enough here.
  const int exponent = (Be16(p + 8) & 0x7FFF) - 16383;
  f.SampleRate = exponent >= 0 && exponent < 32 ? uint32_t(Be32(p + 10) >> (31 - exponent)) : 0;
  f.Encoding = TPcmFormat::TEncoding::Signed;
  f.BigEndian = true;
  if (aifc) {
    if (size < 22) return std::nullopt;
    const uint8_t* type = p + 18;
    if (std::memcmp(type, "sowt", 4) == 0) {
      f.BigEndian = false;
    } else if (std::memcmp(type, "fl32", 4) == 0 || std::memcmp(type, "FL32", 4) == 0) {
      f.Encoding = TPcmFormat::TEncoding::Float;
    } else if (std::memcmp(type, "NONE", 4) != 0 && std::memcmp(type, "twos", 4) != 0) {
      return std::nullopt;
    }
  }
  const bool plain = f.BitsPerSample == 8 || f.BitsPerSample == 16 || f.BitsPerSample == 24 || f.BitsPerSample == 32;
  if (f.Channels == 0 || f.Channels > 8 || !plain) return std::nullopt;
  if (f.Encoding == TPcmFormat::TEncoding::Float && f.BitsPerSample != 32) return std::nullopt;
  f.BlockAlign = uint16_t(f.Channels * f.BitsPerSample / 8);
  return f;
}

}  // namespace

void TFormStream::OnField(const uint8_t* field, size_t size) {
  switch (field_) {
    case TField::Head: return OnHead(field);
    case TField::ChunkHead: return OnChunkHead(field);
    case TField::Common: format_ = CommonFormat(field, size, aifc_); return SkipTo(chunkEnd_);
    case TField::SoundHead:
      // The samples begin after the chunk's offset field; a block size only aligns them.
      if (format_ && soundEnd_ > Pos() + Be32(field)) Samples(*format_, Pos() + Be32(field), soundEnd_);
      return SkipTo(chunkEnd_);
  }
}

void TFormStream::OnHead(const uint8_t* field) {
  const uint8_t* type = field + 4 + layout_.SizeBytes;
  if (!IsPrintableCode(type) || (!layout_.FormType.empty() && std::memcmp(type, layout_.FormType.data(), 4) != 0)) {
    NotMine();
    return;
  }
  const uint64_t size = Size(field + 4);
  const uint64_t allOnes = layout_.SizeBytes == 8 ? ~uint64_t(0) : 0xFFFFFFFF;
  // 0 and all-ones are what a recorder leaves before it finishes; under 4 cannot hold the form type.
  if (size == 0 || size == allOnes || size < 4 || size > kLargest) {
    NoLength();
    return;
  }
  end_ = RoundEven(4 + layout_.SizeBytes + size);
  aifc_ = std::memcmp(type, "AIFC", 4) == 0;
  samples_ = aifc_ || std::memcmp(type, "AIFF", 4) == 0;
  chunkStart_ = Pos();
  OnSkipped();
}

void TFormStream::OnChunkHead(const uint8_t* field) {
  if (!IsPrintableCode(field)) {
    Break(chunkStart_);
    return;
  }
  const uint64_t size = Size(field + 4);
  for (std::string_view id : layout_.AudioIds) sawAudio_ = sawAudio_ || std::memcmp(field, id.data(), 4) == 0;
  const uint64_t chunkEnd = chunkStart_ + 4 + layout_.SizeBytes + RoundEven(size);
  // A chunk reaching past the form's end: the form's size was written before the recording grew.
  if (size > kLargest || chunkEnd > end_) {
    NoLength();
    return;
  }
  chunkEnd_ = chunkEnd;
  if (samples_ && std::memcmp(field, "COMM", 4) == 0 && size >= 18) {
    field_ = TField::Common;
    ReadField(std::min<uint64_t>(size, 22));
    return;
  }
  if (samples_ && std::memcmp(field, "SSND", 4) == 0 && size >= 8) {
    soundEnd_ = chunkStart_ + 4 + layout_.SizeBytes + size;
    field_ = TField::SoundHead;
    ReadField(8);
    return;
  }
  SkipTo(chunkEnd);
}

void TFormStream::OnSkipped() {
  if (Pos() < end_) {
    chunkStart_ = Pos();
    field_ = TField::ChunkHead;
    ReadField(4 + layout_.SizeBytes);
    return;
  }
  if (sawAudio_)
    End(end_);
  else
    NoLength();
}

}  // namespace quillot
