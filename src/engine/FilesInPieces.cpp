#include "engine/FilesInPieces.h"

#include <algorithm>
#include <numeric>

#include "streams/StartCheck.h"

namespace quillot {

void TFilesInPieces::KeepRecent(std::vector<uint8_t>& recent, uint64_t& recentStart, const uint8_t* data, size_t size) {
  // At least enough for the longest part a unit reads (an Ogg page, a FLAC frame, padding).
  constexpr size_t kRecent = 128 * 1024;
  // Of a run longer than that, only its last bytes are copied. Up to twice that is held, so the bytes kept
  // move down once per kRecent bytes taken rather than with every sector.
  if (size >= kRecent) {
    recentStart += recent.size() + (size - kRecent);
    recent.assign(data + (size - kRecent), data + size);
    return;
  }
  if (recent.size() + size > 2 * kRecent) {
    const size_t drop = recent.size() + size - kRecent;
    recentStart += drop;
    recent.erase(recent.begin(), recent.begin() + static_cast<ptrdiff_t>(drop));
  }
  recent.insert(recent.end(), data, data + size);
}

uint64_t TFilesInPieces::MediumByte(const TRecoveredFile& file, uint64_t pieceOffset, uint64_t at,
                                    uint32_t bytesPerSec) {
  const uint64_t pieceSector = file.Pieces.empty() ? file.FirstSector : file.Pieces.back().First;
  return pieceSector * bytesPerSec + (at - pieceOffset);
}

void TFilesInPieces::AddPiece(TRecoveredFile& file, uint64_t pieceOffset, uint64_t end, uint64_t sector,
                              uint32_t bytesPerSec) {
  if (file.Pieces.empty()) file.Pieces.push_back({file.FirstSector, 0});
  file.Pieces.back().Count = (end - pieceOffset) / bytesPerSec;
  file.Pieces.push_back({sector, 0});
  file.Sectors = end / bytesPerSec;
}

bool TFilesInPieces::ClusterEndsWithin(uint64_t pieceOffset, uint64_t at, uint64_t length, uint32_t bytesPerSec) const {
  const uint64_t cluster = ClusterSectors() * bytesPerSec;
  if (ClusterSectors() < 2 || at < pieceOffset) return false;
  return pieceOffset + ((at - pieceOffset) / cluster + 1) * cluster <= at + length;
}

void TFilesInPieces::NoteStart(uint64_t firstSector) {
  if (startsSeen_++ == 0) {
    firstStart_ = firstSector;
    return;
  }
  const uint64_t distance = firstSector > firstStart_ ? firstSector - firstStart_ : firstStart_ - firstSector;
  startDistances_ = std::gcd(startDistances_, distance);
}

uint64_t TFilesInPieces::ClusterSectors() const {
  // Files start on clusters; too few starts could share a larger power of two by chance.
  constexpr uint64_t kMostSectors = 128;
  if (startsSeen_ < 4 || startDistances_ == 0) return 1;
  return std::min(startDistances_ & (~startDistances_ + 1), kMostSectors);
}

std::optional<TFilesInPieces::TFound> TFilesInPieces::Offer(TBrokenFile& search, uint64_t firstSector, uint64_t sector,
                                                            uint32_t bytesPerSec) {
  // Around each candidate the search sees the same bytes wherever the reads begin and end: enough before it to
  // tell whether another recording's frames run into it, and the bytes a start check reads after it.
  constexpr size_t kBefore = 64 * 1024;
  // A search far from its break leaves the lower half of the reserve to those near theirs.
  budget_.KeepAtLeast(search.Far(sector * bytesPerSec) ? TSearchBudget::kReserve / 2 : 0);
  struct TFloor {
    TSearchBudget& Budget;
    ~TFloor() { Budget.KeepAtLeast(0); }
  } floor{budget_};
  // Each offer costs, however few its candidates: the files waiting are many on a card made to have them.
  if (!budget_.Spend(TSearchBudget::kOffer)) return std::nullopt;
  const uint64_t clusterSectors = ClusterSectors();
  const uint64_t cluster = clusterSectors * bytesPerSec;
  // A search the budget left behind takes up its sectors where it stopped, as far back as the window holds
  // whatever the size of the reads; those before went by untried.
  const uint64_t held = window_.History() / bytesPerSec;
  uint64_t s = std::max(
      {(search.Next() + bytesPerSec - 1) / bytesPerSec, window_.FirstSector(), sector > held ? sector - held : 0});
  for (; s <= sector && !search.GivenUp(s * bytesPerSec); ++s) {
    if (s < firstSector || (s - firstSector) % clusterSectors != 0) continue;
    if (!budget_.Spend(TSearchBudget::kCandidate)) break;
    // A sector another file in pieces holds is withdrawn from every search.
    if (Claimed(s)) continue;
    size_t before = 0, after = 0;
    const uint8_t* p = window_.Around(s, kBefore, kStartCheckBytes, before, after);
    budget_.Spend(std::min(window_.Copied() / TSearchBudget::kCopiedPerUnit, budget_.Left()));
    if (!p) continue;
    bool unpaid = false;
    auto match = search.Try(s * bytesPerSec, p, after, p - before, before, cluster, budget_, unpaid);
    if (match) {
      search.OfferedUpTo((sector + 1) * bytesPerSec);
      return TFound{s, std::move(*match)};
    }
    if (unpaid) break;
  }
  // Up to the sector it stopped at: a candidate left for want of budget is tried again.
  search.OfferedUpTo(std::min(s, sector + 1) * bytesPerSec);
  return std::nullopt;
}

bool TFilesInPieces::Claimed(uint64_t sector) const {
  // Every search asks of the same sector in turn, and the files change only when they take a sector or a piece.
  if (sector == claimedSector_ && changes_ == claimedAt_) return claimed_;
  claimedSector_ = sector;
  claimedAt_ = changes_;
  const auto holds = [sector](const TRecoveredFile& f) {
    if (f.Pieces.empty()) return sector >= f.FirstSector && sector < f.FirstSector + f.Sectors;
    for (const TRecoveredFile::TRun& piece : f.Pieces)
      // A piece just taken holds its first sector before any is fed.
      if (sector >= piece.First && (sector < piece.First + piece.Count || sector == piece.First)) return true;
    return false;
  };
  claimed_ = std::any_of(resumed_.begin(), resumed_.end(), [&](const TResumed& r) { return holds(r.File); }) ||
             std::any_of(waiting_.begin(), waiting_.end(), [&](const TWaiting& w) { return holds(w.File); });
  return claimed_;
}

bool TFilesInPieces::PieceBegins() const {
  return std::any_of(resumed_.begin(), resumed_.end(),
                     [](const TResumed& r) { return r.File.Pieces.back().Count == 0; });
}

bool TFilesInPieces::Take(const uint8_t* sector, uint32_t bytesPerSec, bool startHere) {
  if (resumed_.empty()) return false;
  ++changes_;
  // A piece that begins at this sector has it: its search proved it. A file whose piece would run on into it
  // stops there, as if its bytes had stopped, and waits for its next piece; so does every one where a file
  // starts.
  const auto beginsHere = [](const TResumed& r) { return r.File.Pieces.back().Count == 0; };
  const bool pieceBegins = PieceBegins();
  bool kept = false;
  for (size_t i = 0; i < resumed_.size();) {
    TStreamAnswer answer;
    bool done = false;
    if (startHere || (pieceBegins && !beginsHere(resumed_[i]))) {
      if (!EndedLate(resumed_[i], answer)) answer = {TStreamState::Broke, resumed_[i].Fed};
      resumed_[i].KeptLast = false;
      done = true;
    } else {
      done = FeedResumed(resumed_[i], sector, bytesPerSec, answer);
    }
    kept = kept || resumed_[i].KeptLast;
    if (!done) {
      ++i;
      continue;
    }
    TResumed r = std::move(resumed_[i]);
    resumed_.erase(resumed_.begin() + static_cast<ptrdiff_t>(i));
    EndResumed(r, answer, bytesPerSec);
  }
  return kept;
}

bool TFilesInPieces::ContinuesWith(const uint8_t* sector, size_t size) const {
  return std::any_of(resumed_.begin(), resumed_.end(),
                     [&](const TResumed& r) { return r.Unit->HoldsBackStart(sector, size); });
}

bool TFilesInPieces::FeedResumed(TResumed& r, const uint8_t* sector, uint32_t bytesPerSec, TStreamAnswer& answer) {
  KeepRecent(r.Recent, r.RecentStart, sector, bytesPerSec);
  answer = r.Unit->Feed(sector, bytesPerSec);
  size_t keep = bytesPerSec;
  if (answer.State != TStreamState::Continues) {
    // Where it ended, or where the part that failed began: what follows is not the file's.
    if (answer.State == TStreamState::Ended) r.File.StreamEnd = answer.At;
    keep = answer.At > r.Fed ? static_cast<size_t>(std::min<uint64_t>(answer.At - r.Fed, bytesPerSec)) : 0;
    // Told late: the end lies in what was written already. (A break's part stays: the next piece found
    // cuts the file back to where its piece ends.)
    if (answer.State == TStreamState::Ended && answer.At < r.Fed && r.File.Bytes > answer.At &&
        destination_.CutBack(r.Handle, answer.At))
      r.File.Bytes = answer.At;
  }
  if (keep > 0) {
    if (destination_.Write(r.Handle, sector, keep) == static_cast<ssize_t>(keep))
      r.File.Bytes += keep;
    else
      r.File.Short = true;
    ++r.File.Sectors;
    ++r.File.Pieces.back().Count;
  }
  r.KeptLast = keep > 0;
  r.Fed += bytesPerSec;
  return answer.State != TStreamState::Continues;
}

void TFilesInPieces::EndResumed(TResumed& r, const TStreamAnswer& answer, uint32_t bytesPerSec) {
  ++changes_;
  const TStreamVerdict verdict = r.Unit->Close();
  r.File.Verdict = verdict.Verdict;
  r.File.Evidence = verdict.Evidence;
  r.File.PastHeader = verdict.PastHeader;
  // Broken again: the next piece may lie further on.
  uint64_t at = 0;
  // Broken again, or, with no count to tell, ended where a cluster ends inside its last frame: the next
  // piece may lie further on.
  if ((answer.State == TStreamState::Broke || answer.State == TStreamState::Ended) &&
      r.File.Pieces.size() < kMostPieces && r.Unit->RestartAtBreak(at) && at >= r.RecentStart && at >= r.PieceOffset &&
      at <= r.RecentStart + r.Recent.size() &&
      (answer.State == TStreamState::Broke ||
       ClusterEndsWithin(r.PieceOffset, at, r.Unit->BrokenPartLength(), bytesPerSec))) {
    std::vector<uint8_t> head(r.Recent.begin() + static_cast<ptrdiff_t>(at - r.RecentStart), r.Recent.end());
    const uint64_t breakByte = MediumByte(r.File, r.PieceOffset, at, bytesPerSec);
    waiting_.push_back(
        {r.Handle, std::move(r.File), TBrokenFile(std::move(r.Unit), at, std::move(head), breakByte), r.PieceOffset});
  } else {
    FinishKept(r.Handle, r.File);
  }
}

bool TFilesInPieces::EndedLate(TResumed& r, TStreamAnswer& answer) {
  const auto end = r.Unit->EndIfNoMore();
  if (!end) return false;
  answer = {TStreamState::Ended, *end};
  r.File.StreamEnd = *end;
  if (r.File.Bytes <= *end || !destination_.CutBack(r.Handle, *end)) return true;
  // The whole sectors after the one that holds the end are not the file's.
  const uint64_t sector = window_.BytesPerSector();
  const uint64_t dropped =
      std::min((r.File.Bytes + sector - 1) / sector - (*end + sector - 1) / sector, r.File.Pieces.back().Count);
  r.File.Bytes = *end;
  r.File.Sectors -= dropped;
  r.File.Pieces.back().Count -= dropped;
  return true;
}

void TFilesInPieces::FinishKept(int handle, TRecoveredFile& file) {
  if (!destination_.Close(handle)) file.Short = true;
  ReportFinished(view_, file);
}

void ReportFinished(TRecoveryView& view, TRecoveredFile& file) {
  // What could not be read or written is missing from the file, whatever its stream says.
  if ((file.Verdict == TVerdict::Whole || file.Verdict == TVerdict::Unproven) &&
      (file.Short || !file.UnreadableSectors.empty()))
    file.Verdict = TVerdict::Damaged;
  view.OnFileFinished(file);
}

void TFilesInPieces::Finish() {
  ++changes_;
  for (TWaiting& w : waiting_) FinishKept(w.Handle, w.File);
  waiting_.clear();
  for (TResumed& r : resumed_) {
    TStreamAnswer ended;
    EndedLate(r, ended);
    const TStreamVerdict verdict = r.Unit->Close();
    r.File.Verdict = verdict.Verdict;
    r.File.Evidence = verdict.Evidence;
    r.File.PastHeader = verdict.PastHeader;
    FinishKept(r.Handle, r.File);
  }
  resumed_.clear();
}

void TFilesInPieces::OfferWaiting(uint64_t sector, uint32_t bytesPerSec, bool appended) {
  const uint64_t readSince = appended ? sector + 1 : sector;
  std::vector<TResumed> taken;
  // The files take turns while the budget lasts; one passed over takes up its sectors at its next turn.
  const size_t n = waiting_.size();
  size_t visited = 0;
  for (; visited < n && !budget_.Empty(); ++visited) {
    TWaiting& w = waiting_[(turn_ + visited) % n];
    std::optional<TFound> found;
    if (!w.Search.GivenUp(sector * bytesPerSec)) found = Offer(w.Search, w.File.FirstSector, sector, bytesPerSec);
    if (found && found->Match.FirstPieceEnd <= w.File.Bytes &&
        destination_.CutBack(w.Handle, found->Match.FirstPieceEnd)) {
      const uint64_t end = found->Match.FirstPieceEnd;
      w.File.Bytes = end;
      AddPiece(w.File, w.PieceOffset, end, found->Sector, bytesPerSec);
      w.File.AwaitsContentCheck = found->Match.Unit->CarriesContentSum();
      taken.push_back({w.Handle, std::move(w.File), std::move(found->Match.Unit), end, end, {}, end});
    } else if (w.Search.GivenUp(sector * bytesPerSec)) {
      FinishKept(w.Handle, w.File);
    } else {
      continue;
    }
    w.Gone = true;
    ++changes_;
  }
  if (n > 0) turn_ = (turn_ + visited) % n;
  // The next turn stays with the same file as the ones before it leave.
  size_t goneBefore = 0;
  for (size_t i = 0; i < turn_; ++i) goneBefore += waiting_[i].Gone ? 1 : 0;
  turn_ -= goneBefore;
  std::erase_if(waiting_, [](const TWaiting& w) { return w.Gone; });
  for (TResumed& r : taken) {
    TStreamAnswer answer;
    bool done = false;
    // The piece it took began at the sector its last piece names.
    for (uint64_t s = r.File.Pieces.back().First; s < readSince && !done && window_.Sector(s); ++s)
      done = FeedResumed(r, window_.Sector(s), bytesPerSec, answer);
    if (done)
      EndResumed(r, answer, bytesPerSec);
    else
      resumed_.push_back(std::move(r));
  }
  if (!taken.empty()) ++changes_;
}

void TFilesInPieces::Wait(int handle, TRecoveredFile file, TBrokenFile search, uint64_t pieceOffset) {
  constexpr size_t kMostWaiting = 64;
  if (waiting_.size() == kMostWaiting) {
    FinishKept(waiting_.front().Handle, waiting_.front().File);
    waiting_.erase(waiting_.begin());
    turn_ = turn_ > 0 ? turn_ - 1 : 0;
  }
  waiting_.push_back({handle, std::move(file), std::move(search), pieceOffset});
  ++changes_;
}

}  // namespace quillot
