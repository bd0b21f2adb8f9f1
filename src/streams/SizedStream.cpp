#include "streams/SizedStream.h"

#include <algorithm>

#include "streams/GatherField.h"

namespace quillot {

bool IsPrintableCode(const uint8_t* p) {
  return std::all_of(p, p + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

TStreamAnswer TSizedStream::Feed(const uint8_t* data, size_t size) {
  // A skip that has reached its offset moves on at once, even when no byte is left.
  while (status_ == TStatus::Reading && (size > 0 || (want_ == 0 && pos_ == skipTo_))) {
    if (want_ > 0) {
      bool whole = GatherField(field_, have_, data, size, pos_, want_);
      Screen(field_.data(), have_);
      if (status_ != TStatus::Reading || !whole) continue;
      const size_t fieldSize = want_;
      want_ = have_ = 0;
      skipTo_ = ~uint64_t(0);  // until the unit asks for more
      ++fields_;
      OnField(field_.data(), fieldSize);
      continue;
    }
    uint64_t skip = std::min<uint64_t>(size, skipTo_ - pos_);
    data += skip;
    size -= size_t(skip);
    pos_ += skip;
    if (pos_ == skipTo_) {
      skipTo_ = ~uint64_t(0);  // not again until asked
      OnSkipped();
    }
  }
  return AnswerFor(status_, at_, at_);
}

void TSizedStream::ReadField(size_t size) {
  want_ = std::min(size, kMaxField);
  have_ = 0;
  mayEnd_ = false;
}

void TSizedStream::SkipTo(uint64_t at) {
  want_ = 0;
  skipTo_ = std::max(at, pos_);
  mayEnd_ = false;
}

void TSizedStream::End(uint64_t at) {
  status_ = TStatus::Ended;
  at_ = at;
}

void TSizedStream::Break(uint64_t at) {
  status_ = TStatus::Broke;
  at_ = at;
}

void TSizedStream::NoLength() { status_ = TStatus::NoLength; }
void TSizedStream::NotMine() { status_ = TStatus::NotMine; }

void TSizedStream::MayEndAt(uint64_t at) {
  mayEnd_ = true;
  at_ = at;
}

TStreamVerdict TSizedStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  if (pos_ == 0) return {TVerdict::Unknown, TEvidence::None};
  return {mayEnd_ ? TVerdict::Whole : TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
