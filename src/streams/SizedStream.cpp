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
    if (body_.Judging() && pos_ < samplesEnd_ && pos_ + skip > samplesFirst_) {
      const uint64_t from = std::max(pos_, samplesFirst_), to = std::min(pos_ + skip, samplesEnd_);
      if (const auto broke = body_.Feed(data + (from - pos_), size_t(to - from), from)) {
        Break(*broke);
        brokeInSamples_ = true;
        break;
      }
    }
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

void TSizedStream::Samples(const TPcmFormat& format, uint64_t first, uint64_t end) {
  samplesFirst_ = first;
  samplesEnd_ = end;
  if (judgeEvery_ == 0) return;
  body_.JudgeEvery(judgeEvery_);
  body_.Begin(format, first, end);
}

std::optional<uint64_t> TSizedStream::PieceEnd() const {
  // Where the samples stopped going on, or where the bytes stopped inside them (the next start came first).
  if (status_ == TStatus::Broke && brokeInSamples_) return at_;
  if (status_ == TStatus::Reading && body_.Judging() && want_ == 0 && pos_ >= samplesFirst_ && pos_ < samplesEnd_)
    return pos_;
  return std::nullopt;
}

std::unique_ptr<TStreamUnit> TSizedStream::RestartAtBreak(uint64_t& at) const {
  const auto end = PieceEnd();
  // A recording whose end no piece could be found to go on is not searched for.
  if (!end || !body_.MayBeResumedAt(*end)) return nullptr;
  auto unit = Clone();
  if (!unit) return nullptr;
  at = *end;
  TSizedStream& u = *unit;
  u.status_ = TStatus::Reading;
  u.brokeInSamples_ = false;
  u.mayEnd_ = false;
  u.pos_ = at;
  u.body_ = body_.RestartedAt(at);
  return unit;
}

TStreamVerdict TSizedStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  if (pos_ == 0) return {TVerdict::Unknown, TEvidence::None};
  return {mayEnd_ ? TVerdict::Whole : TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
