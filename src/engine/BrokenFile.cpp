#include "engine/BrokenFile.h"

namespace quillot {

TBrokenFile::TBrokenFile(std::unique_ptr<TStreamUnit> broken, uint64_t breakAt, std::vector<uint8_t> head,
                         uint64_t breakByte)
    : broken_(std::move(broken)),
      breakAt_(breakAt),
      head_(std::move(head)),
      breakByte_(breakByte),
      next_(breakByte + 1),
      held_(broken_->PartsHeld()) {
  // The first piece ends inside the part that broke.
  const uint64_t part = broken_->BrokenPartLength();
  if (head_.size() > part) head_.resize(static_cast<size_t>(part));
}

std::optional<TPieceMatch> TBrokenFile::Try(uint64_t at, const uint8_t* bytes, size_t size, const uint8_t* before,
                                            size_t beforeSize, uint64_t cluster, TSearchBudget& budget, bool& unpaid) {
  unpaid = false;
  if (at <= breakByte_ || cluster == 0 || GivenUp(at)) return std::nullopt;
  const auto pay = [&](uint64_t units) {
    if (spent_ < kMostSearchWork && budget.Spend(units)) {
      spent_ += units;
      return true;
    }
    unpaid = true;
    return false;
  };
  // A quick test may search the candidate for the broken part's successor, once whatever the ends tried with
  // it (a run of bytes without a sync code goes by many at a time); each end tried costs a little more.
  if (!pay(std::min<uint64_t>(size, broken_->ResumeSearchLength()) / TSearchBudget::kSearchedPerUnit))
    return std::nullopt;
  // The first piece ends on a cluster boundary at or after the break, within the bytes kept from it. A
  // cluster counts once against the candidates, whatever the ends tried with it.
  bool counted = false;
  for (uint64_t end = (breakAt_ + cluster - 1) / cluster * cluster; end - breakAt_ <= head_.size(); end += cluster) {
    const size_t fromHead = static_cast<size_t>(end - breakAt_);
    if (!pay(TSearchBudget::kQuickTest)) return std::nullopt;
    if (!broken_->MayResumeWith(head_.data(), fromHead, bytes, size)) continue;
    // The middle of another recording is turned down before it counts as a candidate: a stream of fixed-length
    // frames offers one such cluster in every few.
    if (broken_->RunsOnInto(head_.data(), fromHead, before, beforeSize)) continue;
    // The proof: the broken part, put together, holds its checks (a page's CRC-32, a frame's CRC-16 up to the
    // next frame's header). What follows it may lie in a further piece.
    if (!pay(fromHead + size)) return std::nullopt;
    if (!counted) ++tried_;
    counted = true;
    uint64_t at0 = 0;
    auto trial = broken_->RestartAtBreak(at0);
    trial->Feed(head_.data(), fromHead);
    const TStreamAnswer answer = trial->Feed(bytes, size);
    if (answer.State != TStreamState::Ended && trial->PartsHeld() < held_ + 1) continue;
    TPieceMatch match{end, broken_->RestartAtBreak(at0)};
    match.Unit->Feed(head_.data(), fromHead);
    return match;
  }
  return std::nullopt;
}

}  // namespace quillot
