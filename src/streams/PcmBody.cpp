#include "streams/PcmBody.h"

#include <algorithm>

namespace quillot {

void TPcmBody::Begin(const TPcmFormat& format, uint64_t first, uint64_t end) {
  format_ = format;
  began_ = format.BlockAlign > 0 && format.Channels > 0;
  first_ = first;
  end_ = end;
  recent_.clear();
  recentStart_ = first;
  next_ = FirstBoundaryFrom(first + 1);
  judgedAt_ = UINT64_MAX;
}

uint64_t TPcmBody::FirstBoundaryFrom(uint64_t at) const {
  return every_ == 0 ? UINT64_MAX : (at + every_ - 1) / every_ * every_;
}

void TPcmBody::Before(uint64_t at, const uint8_t*& bytes, size_t& size) const {
  const uint64_t want = JunctionBytesBefore(format_);
  uint64_t from = std::max({recentStart_, first_, at > want ? at - want : 0});
  // From the start of a frame (or block): the samples' phase follows the chunk's first byte.
  const uint64_t phase = (from - first_) % format_.BlockAlign;
  if (phase) from += format_.BlockAlign - phase;
  from = std::min(from, at);
  bytes = recent_.data() + (from - recentStart_);
  size = static_cast<size_t>(at - from);
}

std::optional<uint64_t> TPcmBody::Feed(const uint8_t* data, size_t size, uint64_t at) {
  if (!Judging()) return std::nullopt;
  judgedAt_ = UINT64_MAX;
  const size_t before = JunctionBytesBefore(format_), after = JunctionBytesAfter(format_);
  if (at != recentStart_ + recent_.size()) {
    recent_.clear();
    recentStart_ = at;
  }
  recent_.insert(recent_.end(), data, data + size);
  const uint64_t reached = at + size;
  while (true) {
    // The declared end, once past it, is judged in its place among the boundaries.
    const bool declared = declared_ <= next_;
    const uint64_t b = declared ? declared_ : next_;
    if (!(b < end_ && (reached >= b + after || reached >= end_) && b < reached)) break;
    if (declared) {
      declared_ = kNone;
      if (next_ == b) next_ += every_;
    } else {
      next_ += every_;
    }
    if (b < recentStart_) {
      if (declared) return b;
      continue;
    }
    if (declared) {
      pastEnd_ = JudgeDeclaredEnd(b, reached);
      if (pastEnd_ == TPastHeader::No) return b;
      continue;
    }
    const uint8_t* p = nullptr;
    size_t n = 0;
    Before(b, p, n);
    const size_t got = static_cast<size_t>(std::min<uint64_t>(after, std::min(reached, end_) - b));
    const TJunction judged = JudgeJunction(format_, p, n, recent_.data() + (b - recentStart_), got);
    if (judged == TJunction::DoesNotContinue) return b;
    if (judged == TJunction::Continues) ++continued_;
  }
  // Only what the next judgement needs is kept.
  const uint64_t judgeNext = std::min({reached, next_, declared_});
  const uint64_t keepFrom = judgeNext > before + format_.BlockAlign ? judgeNext - before - format_.BlockAlign : 0;
  if (keepFrom > recentStart_ + 64 * 1024) {
    const size_t drop = static_cast<size_t>(keepFrom - recentStart_);
    recent_.erase(recent_.begin(), recent_.begin() + static_cast<std::ptrdiff_t>(drop));
    recentStart_ = keepFrom;
  }
  return std::nullopt;
}

TPastHeader TPcmBody::JudgeDeclaredEnd(uint64_t at, uint64_t reached) const {
  if (PaddedAfter(at, reached)) return TPastHeader::No;
  const uint8_t* p = nullptr;
  size_t n = 0;
  Before(at, p, n);
  // Up to the end of the end's cluster where that holds enough to judge: a recorder wrote on into it, where a
  // header that told the truth leaves it what lay there before, most likely the remains of one other file.
  const uint64_t least = 128 * uint64_t(format_.BlockAlign);
  uint64_t got = std::min<uint64_t>(JunctionBytesAfter(format_), reached - at);
  if (next_ - at >= least) got = std::min(got, next_ - at);
  switch (JudgeJunction(format_, p, n, recent_.data() + (at - recentStart_), static_cast<size_t>(got))) {
    case TJunction::Continues: return TPastHeader::Longer;
    case TJunction::DoesNotContinue: return TPastHeader::No;
    // Unproven either way: kept rather than cut away.
    case TJunction::CannotTell: break;
  }
  return TPastHeader::MayBeLonger;
}

bool TPcmBody::PaddedAfter(uint64_t at, uint64_t reached) const {
  // The rest of the sector (of 512 bytes, which every sector size is a multiple of), or all the next one.
  constexpr uint64_t kSector = 512;
  const uint64_t end = std::min(reached, at / kSector * kSector + kSector);
  const uint8_t* p = recent_.data() + (at - recentStart_);
  const size_t n = static_cast<size_t>(end - at);
  // One byte value, as most file systems pad; or the sector before it again, as one that writes its last
  // sector from a buffer still holding the one before leaves it.
  if (std::all_of(p, p + n, [&](uint8_t v) { return v == p[0]; })) return true;
  return at >= recentStart_ + kSector && std::equal(p, p + n, p - kSector);
}

bool TPcmBody::GoOnPastEnd() {
  if (!Judging() || end_ == kNone || (end_ - first_) % format_.BlockAlign != 0) return false;
  declared_ = end_;
  end_ = kNone;
  return true;
}

TPcmBody TPcmBody::RestartedAt(uint64_t at) const {
  TPcmBody body = *this;
  if (at >= recentStart_ && at <= recentStart_ + recent_.size())
    body.recent_.resize(static_cast<size_t>(at - recentStart_));
  else
    body.recent_.clear(), body.recentStart_ = at;
  body.next_ = at;
  body.candidate_ = nullptr;
  return body;
}

bool TPcmBody::MayResumeWith(std::optional<uint64_t> end, size_t headSize, const uint8_t* next, size_t nextSize) const {
  candidate_ = nullptr;
  if (!end || headSize != 0) return false;
  candidate_ = next;
  candidateSize_ = nextSize;
  const uint64_t at = *end;
  if (!JudgeFrom(at)) return false;
  const size_t got = static_cast<size_t>(std::min<uint64_t>({nextSize, JunctionBytesAfter(format_), end_ - at}));
  return judge_.Judge(next, got) == TJunction::Continues;
}

bool TPcmBody::JudgeFrom(uint64_t at) const {
  if (!began_ || at < recentStart_ || at > recentStart_ + recent_.size()) return false;
  // A search asks about one end of the recording with cluster after cluster: its side before is fitted once.
  if (judgedAt_ != at) {
    const uint8_t* p = nullptr;
    size_t n = 0;
    Before(at, p, n);
    judge_.Before(format_, p, n);
    judgedAt_ = at;
  }
  return true;
}

bool TPcmBody::MayBeResumedAt(uint64_t at) const { return JudgeFrom(at) && judge_.MayContinue(); }

bool TPcmBody::RunsOnInto(std::optional<uint64_t> end, const uint8_t* before, size_t beforeSize) const {
  const uint8_t* next = candidate_;
  const size_t nextSize = candidateSize_;
  if (!end || !began_ || !next) return false;
  const uint64_t at = *end;
  // Cut as the recording's frames would fall at the boundary.
  const size_t phase = static_cast<size_t>((at - first_) % format_.BlockAlign);
  size_t n = std::min(beforeSize, JunctionBytesBefore(format_));
  if (n < phase) return false;
  n -= (n - phase) % format_.BlockAlign;
  const size_t got = std::min(nextSize, JunctionBytesAfter(format_));
  return JudgeJunction(format_, before + (beforeSize - n), n, next, got) == TJunction::Continues;
}

}  // namespace quillot
