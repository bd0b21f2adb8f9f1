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

void TFormStream::OnField(const uint8_t* field, size_t) {
  if (chunkStart_ == 0)
    OnHead(field);
  else
    OnChunkHead(field);
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
  SkipTo(chunkEnd);
}

void TFormStream::OnSkipped() {
  if (Pos() < end_) {
    chunkStart_ = Pos();
    ReadField(4 + layout_.SizeBytes);
    return;
  }
  if (sawAudio_)
    End(end_);
  else
    NoLength();
}

}  // namespace quillot
