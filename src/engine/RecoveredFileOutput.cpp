#include "engine/RecoveredFileOutput.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "engine/FileNaming.h"
#include "i18n/Messages.h"
#include "streams/StartCheck.h"
#include "util/Text.h"

namespace quillot {

TRecoveredFileOutput::TRecoveredFileOutput(TDestination& destination, TRecoveryView& view, std::string folder)
    : destination_(destination), view_(view), folder_(std::move(folder)) {}

void TRecoveredFileOutput::Start(const std::string& prefix, const std::string& extension,
                                 const std::string& formatTitle, uint64_t firstSector, const std::string& stream) {
  ++FilesFound;
  NoteStart(firstSector);
  const TNumberedFile file =
      CreateNumberedFile(destination_, view_, folder_, prefix, extension, FilesFound, NameOffset);
  const std::string& name = file.Name;
  const bool declined = file.Declined;
  const TCreateResult created = file.Created;
  handle_ = file.Handle;
  const std::string path = folder_ + name;
  declined_.reset();
  if (declined || created != TCreateResult::Created) {
    declined_ = stream.empty() ? nullptr : MakeStreamUnit(stream);
    if (declined_) declined_->SkipChecksums();
    declinedAnswer_ = TStreamAnswer{};
  }
  if (!declined) {
    if (created != TCreateResult::Created) {
      FatalError = true;
      view_.AddLogLine(Tr(strCannotCreateDestinationFile, {path}));
    } else {
      FatalError = false;
      open_ = accepting_ = true;
      current_ = TRecoveredFile{};
      current_.Name = name;
      current_.Path = path;
      current_.Format = formatTitle;
      current_.FirstSector = firstSector;
      unit_ = stream.empty() ? nullptr : MakeStreamUnit(stream);
      // Checksums cost a look at every byte: only a trimming pass, which relies on them, pays for it.
      if (unit_ && !Trim) unit_->SkipChecksums();
      answer_ = TStreamAnswer{};
      fed_ = unwritten_ = 0;
      recent_.clear();
      recentStart_ = pieceOffset_ = 0;
    }
  }
  view_.AddLogLine(Tr(strRecoveringFile, {name}));
}

void TRecoveredFileOutput::WriteFailed() {
  FatalError = true;
  current_.Short = true;
  view_.AddWriteErrorLine(Tr(strCannotWriteToDestFile, {current_.Path}));
}

namespace {
bool AllZero(const uint8_t* p, size_t n) { return n == 0 || (p[0] == 0 && std::memcmp(p, p + 1, n - 1) == 0); }
}  // namespace

void TRecoveredFileOutput::FollowPending() {
  if (pendingFed_ == pendingSize_) return;
  const uint8_t* data = pendingBegin_ + pendingFed_;
  const size_t size = pendingSize_ - pendingFed_;
  const size_t sector = pendingSectorSize_ ? pendingSectorSize_ : pendingSize_;
  pendingFed_ = pendingKeep_ = pendingSize_;
  if (!unit_ || answer_.State != TStreamState::Continues) return;
  const uint64_t before = fed_;
  const uint64_t runStart = before - (pendingSize_ - size);  // the gathered run's first byte in the file
  if (Reassemble && Trim) {
    // In slices: the bytes kept for the piece search must still hold the part where the stream broke, which
    // the unit tells at that part's end.
    constexpr size_t kSlice = 32 * 1024;
    for (size_t done = 0; done < size && answer_.State == TStreamState::Continues; done += kSlice) {
      const size_t n = std::min(kSlice, size - done);
      KeepRecent(recent_, recentStart_, data + done, n);
      answer_ = unit_->Feed(data + done, n);
    }
  } else {
    answer_ = unit_->Feed(data, size);
  }
  fed_ += size;
  if (answer_.State == TStreamState::Ended) current_.StreamEnd = answer_.At;
  if (answer_.State == TStreamState::Broke && Reassemble && Trim) StartWaiting();
  if (!Trim || answer_.State != TStreamState::Ended) return;
  // The recording ends within or before the gathered run: the rest of it and every sector after it up to
  // the next start are not the file's.
  accepting_ = false;
  const uint64_t at = answer_.At;
  pendingKeep_ = at > runStart ? static_cast<size_t>(std::min<uint64_t>(at - runStart, pendingSize_)) : 0;
  // A unit that had to see what follows its end tells it late: the file is cut back to it.
  if (at < runStart && current_.Bytes > at) {
    if (destination_.CutBack(handle_, at)) {
      current_.Bytes = at;
    } else {
      WriteFailed();
    }
  }
  // The whole sectors after the one holding the end are left unwritten, like those appended later.
  const uint64_t dropped = (before + size) / sector - (at + sector - 1) / sector;
  current_.Sectors -= dropped;
  unwritten_ += dropped;
}

void TRecoveredFileOutput::KeepRecent(std::vector<uint8_t>& recent, uint64_t& recentStart, const uint8_t* data,
                                      size_t size) {
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

uint64_t TRecoveredFileOutput::MediumByte(const TRecoveredFile& file, uint64_t pieceOffset, uint64_t at,
                                          uint32_t bytesPerSec) {
  const uint64_t pieceSector = file.Pieces.empty() ? file.FirstSector : file.Pieces.back().First;
  return pieceSector * bytesPerSec + (at - pieceOffset);
}

void TRecoveredFileOutput::AddPiece(TRecoveredFile& file, uint64_t pieceOffset, uint64_t end, uint64_t sector,
                                    uint32_t bytesPerSec) {
  if (file.Pieces.empty()) file.Pieces.push_back({file.FirstSector, 0});
  file.Pieces.back().Count = (end - pieceOffset) / bytesPerSec;
  file.Pieces.push_back({sector, 0});
  file.Sectors = end / bytesPerSec;
}

void TRecoveredFileOutput::StartWaiting() {
  // A file in many pieces is more likely a card too broken to follow.
  constexpr size_t kMostPieces = 8;
  uint64_t at = 0;
  if (current_.Pieces.size() >= kMostPieces || !unit_->RestartAtBreak(at) || at < recentStart_ ||
      at > recentStart_ + recent_.size() || at < pieceOffset_)
    return;
  std::vector<uint8_t> head(recent_.begin() + static_cast<ptrdiff_t>(at - recentStart_), recent_.end());
  const TStreamVerdict verdict = unit_->Close();
  current_.Verdict = verdict.Verdict;
  current_.Evidence = verdict.Evidence;
  // The file goes on as it would without the search; the unit stays with the search.
  const uint64_t breakByte = MediumByte(current_, pieceOffset_, at, pendingSectorSize_);
  broken_.emplace(std::move(unit_), at, std::move(head), breakByte);
  recent_.clear();
}

bool TRecoveredFileOutput::ClusterEndsWithin(uint64_t pieceOffset, uint64_t at, uint64_t length,
                                             uint32_t bytesPerSec) const {
  const uint64_t cluster = ClusterSectors() * bytesPerSec;
  if (ClusterSectors() < 2 || at < pieceOffset) return false;
  return pieceOffset + ((at - pieceOffset) / cluster + 1) * cluster <= at + length;
}

void TRecoveredFileOutput::NoteStart(uint64_t firstSector) {
  if (startsSeen_++ == 0) {
    firstStart_ = firstSector;
    return;
  }
  const uint64_t distance = firstSector > firstStart_ ? firstSector - firstStart_ : firstStart_ - firstSector;
  startDistances_ = std::gcd(startDistances_, distance);
}

uint64_t TRecoveredFileOutput::ClusterSectors() const {
  // Files start on clusters; too few starts could share a larger power of two by chance.
  constexpr uint64_t kMostSectors = 128;
  if (startsSeen_ < 4 || startDistances_ == 0) return 1;
  return std::min(startDistances_ & (~startDistances_ + 1), kMostSectors);
}

std::optional<TRecoveredFileOutput::TFound> TRecoveredFileOutput::Offer(TBrokenFile& search, uint64_t firstSector,
                                                                        uint64_t sector, uint32_t bytesPerSec) {
  // Around each candidate the search sees the same bytes wherever the reads begin and end: enough before it to
  // tell whether another recording's frames run into it, and the bytes a start check reads after it.
  constexpr size_t kBefore = 64 * 1024;
  const uint64_t clusterSectors = ClusterSectors();
  const uint64_t cluster = clusterSectors * bytesPerSec;
  // Sectors read before this one are offered from the window, as far as it holds them.
  uint64_t s = std::max<uint64_t>((search.Next() + bytesPerSec - 1) / bytesPerSec, window_.FirstSector());
  search.OfferedUpTo((sector + 1) * bytesPerSec);
  for (; s <= sector && !search.GivenUp(s * bytesPerSec); ++s) {
    // A sector another file in pieces holds is withdrawn from every search.
    if (s < firstSector || (s - firstSector) % clusterSectors != 0 || Claimed(s)) continue;
    size_t before = 0, after = 0;
    const uint8_t* p = window_.Around(s, kBefore, kStartCheckBytes, before, after);
    if (!p) continue;
    if (auto match = search.Try(s * bytesPerSec, p, after, p - before, before, cluster))
      return TFound{s, std::move(*match)};
  }
  return std::nullopt;
}

bool TRecoveredFileOutput::Claimed(uint64_t sector) const {
  const auto holds = [sector](const TRecoveredFile& f) {
    if (f.Pieces.empty()) return sector >= f.FirstSector && sector < f.FirstSector + f.Sectors;
    for (const TRecoveredFile::TRun& piece : f.Pieces)
      // A piece just taken holds its first sector before any is fed.
      if (sector >= piece.First && (sector < piece.First + piece.Count || sector == piece.First)) return true;
    return false;
  };
  return std::any_of(resumed_.begin(), resumed_.end(), [&](const TResumed& r) { return holds(r.File); }) ||
         std::any_of(waiting_.begin(), waiting_.end(), [&](const TWaiting& w) { return holds(w.File); });
}

void TRecoveredFileOutput::EndChunk(uint64_t lastSector, uint32_t bytesPerSec) {
  FollowPending();
  if (WantsPieces()) OfferUpTo(lastSector, bytesPerSec, true);
}

void TRecoveredFileOutput::OfferUpTo(uint64_t sector, uint32_t bytesPerSec, bool appended) {
  // The sectors from a piece's first up to this one: read since, and appended elsewhere.
  const uint64_t readSince = appended ? sector + 1 : sector;
  if (broken_ && open_) {
    if (auto found = Offer(*broken_, current_.FirstSector, sector, bytesPerSec)) {
      if (ResumeOpenFile(found->Sector, std::move(found->Match), bytesPerSec)) {
        for (uint64_t s = found->Sector; s < readSince && window_.Sector(s); ++s)
          AppendOpen(window_.Sector(s), bytesPerSec);
        openTookPiece_ = !appended;
      }
    } else if (broken_->GivenUp(sector * bytesPerSec)) {
      broken_.reset();
    }
  }
  std::vector<TResumed> taken;
  for (size_t i = 0; i < waiting_.size();) {
    TWaiting& w = waiting_[i];
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
      ++i;
      continue;
    }
    waiting_.erase(waiting_.begin() + static_cast<ptrdiff_t>(i));
  }
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
}

bool TRecoveredFileOutput::ResumeOpenFile(uint64_t sector, TPieceMatch match, uint32_t bytesPerSec) {
  Flush();
  const uint64_t end = match.FirstPieceEnd;
  if (end > current_.Bytes || !destination_.CutBack(handle_, end)) return false;
  broken_.reset();
  current_.Bytes = end;
  AddPiece(current_, pieceOffset_, end, sector, bytesPerSec);
  current_.AwaitsContentCheck = match.Unit->CarriesContentSum();
  pieceOffset_ = end;
  recent_.clear();
  recentStart_ = end;
  unit_ = std::move(match.Unit);
  answer_ = TStreamAnswer{};
  fed_ = end;
  accepting_ = true;
  return true;
}

bool TRecoveredFileOutput::AppendToResumed(const uint8_t* sector, uint32_t bytesPerSec) {
  // A piece that begins at this sector has it: its search proved it. A file whose piece would run on into it
  // stops there, as if its bytes had stopped, and waits for its next piece.
  const auto beginsHere = [](const TResumed& r) { return r.File.Pieces.back().Count == 0; };
  const bool pieceBegins = std::any_of(resumed_.begin(), resumed_.end(), beginsHere);
  bool kept = false;
  for (size_t i = 0; i < resumed_.size();) {
    TStreamAnswer answer;
    bool done = false;
    if (pieceBegins && !beginsHere(resumed_[i])) {
      answer = {TStreamState::Broke, resumed_[i].Fed};
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

bool TRecoveredFileOutput::FeedResumed(TResumed& r, const uint8_t* sector, uint32_t bytesPerSec,
                                       TStreamAnswer& answer) {
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

void TRecoveredFileOutput::EndResumed(TResumed& r, const TStreamAnswer& answer, uint32_t bytesPerSec) {
  const TStreamVerdict verdict = r.Unit->Close();
  r.File.Verdict = verdict.Verdict;
  r.File.Evidence = verdict.Evidence;
  // Broken again: the next piece may lie further on.
  uint64_t at = 0;
  // Broken again, or, with no count to tell, ended where a cluster ends inside its last frame: the next
  // piece may lie further on.
  if ((answer.State == TStreamState::Broke || answer.State == TStreamState::Ended) && r.File.Pieces.size() < 8 &&
      r.Unit->RestartAtBreak(at) && at >= r.RecentStart && at >= r.PieceOffset &&
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

void TRecoveredFileOutput::FinishKept(int handle, TRecoveredFile& file) {
  if (!destination_.Close(handle)) file.Short = true;
  ReportFinished(file);
}

void TRecoveredFileOutput::ReportFinished(TRecoveredFile& file) {
  // What could not be read or written is missing from the file, whatever its stream says.
  if ((file.Verdict == TVerdict::Whole || file.Verdict == TVerdict::Unproven) &&
      (file.Short || !file.UnreadableSectors.empty()))
    file.Verdict = TVerdict::Damaged;
  view_.OnFileFinished(file);
}

void TRecoveredFileOutput::FinishPieces() {
  for (TWaiting& w : waiting_) FinishKept(w.Handle, w.File);
  waiting_.clear();
  for (TResumed& r : resumed_) {
    const TStreamVerdict verdict = r.Unit->Close();
    r.File.Verdict = verdict.Verdict;
    r.File.Evidence = verdict.Evidence;
    FinishKept(r.Handle, r.File);
  }
  resumed_.clear();
}

bool TRecoveredFileOutput::StreamContinuesInto(const uint8_t* sector, size_t size) {
  // A claim that rests on a declared length alone never holds back a start that frames confirm: the samples
  // it claims are unchecked, the frames are not.
  const auto holds = [&](const TStreamUnit& unit) {
    return !unit.ClaimsByLengthAlone() && unit.ContinuesWith(sector, size);
  };
  // A file declined at its start is followed all the same: its own frames are no new start.
  if (declined_ && declinedAnswer_.State == TStreamState::Continues && holds(*declined_)) return true;
  if (!open_ || !unit_) return false;
  FollowPending();
  return accepting_ && answer_.State == TStreamState::Continues && holds(*unit_);
}

void TRecoveredFileOutput::Flush() {
  if (!open_ || pendingSize_ == 0) return;
  const uint8_t* data = pendingBegin_;
  const size_t sector = pendingSectorSize_ ? pendingSectorSize_ : pendingSize_;
  FollowPending();
  const size_t size = pendingKeep_;
  pendingSize_ = pendingFed_ = pendingKeep_ = 0;
  for (size_t pos = 0; pos < size;) {
    const bool zero = AllZero(data + pos, std::min(sector, size - pos));
    size_t end = std::min(pos + sector, size);
    while (end < size && AllZero(data + end, std::min(sector, size - end)) == zero) end = std::min(end + sector, size);
    // A hole needs no room, so it says nothing of whether writing those zeros would have worked:
    // FatalError keeps the outcome of the last data written.
    if (zero && destination_.AppendZeros(handle_, end - pos)) {
      current_.Bytes += end - pos;
    } else {
      WriteRun(data + pos, end - pos);
    }
    pos = end;
  }
}

void TRecoveredFileOutput::WriteRun(const uint8_t* data, size_t size) {
  ssize_t n = destination_.Write(handle_, data, size);
  if (n == static_cast<ssize_t>(size)) {
    FatalError = false;
    current_.Bytes += size;
    return;
  }
  // The large write failed part way: go on sector by sector from where it stopped, so each failing
  // sector is logged and FatalError ends as it would had every sector been written alone.
  size_t done = n > 0 ? static_cast<size_t>(n) : 0;
  current_.Bytes += done;
  const size_t sector = pendingSectorSize_ ? pendingSectorSize_ : size;
  while (done < size) {
    size_t sectorEnd = std::min((done / sector + 1) * sector, size);
    size_t want = sectorEnd - done;
    ssize_t w = destination_.Write(handle_, data + done, want);
    if (w == static_cast<ssize_t>(want)) {
      FatalError = false;
    } else {
      WriteFailed();
    }
    if (w > 0) current_.Bytes += static_cast<size_t>(w);
    done = sectorEnd;
  }
}

void TRecoveredFileOutput::Close() {
  if (!open_) return;
  Flush();
  // The bytes stopped before the stream's end (the next start came first): its piece may lie further on.
  if (Reassemble && Trim && unit_ && answer_.State == TStreamState::Continues && !broken_ &&
      unit_->Close().Verdict == TVerdict::CutShort)
    StartWaiting();
  if (current_.Pieces.size() > 1) {
    uint64_t before = 0;
    for (size_t i = 0; i + 1 < current_.Pieces.size(); ++i) before += current_.Pieces[i].Count;
    current_.Pieces.back().Count = current_.Sectors - before;
  }
  if (broken_) {
    // Kept open as it is, until the piece that continues it comes or the search gives up. Each keeps a file
    // open: past a bound the one waiting longest is given up.
    constexpr size_t kMostWaiting = 64;
    if (waiting_.size() == kMostWaiting) {
      FinishKept(waiting_.front().Handle, waiting_.front().File);
      waiting_.erase(waiting_.begin());
    }
    open_ = accepting_ = false;
    waiting_.push_back({handle_, std::move(current_), std::move(*broken_), pieceOffset_});
    broken_.reset();
    handle_ = -1;
    return;
  }
  // Setting the length of a file that ends in a hole is its last write.
  if (!destination_.Close(handle_)) WriteFailed();
  open_ = accepting_ = false;
  if (unwritten_ > 0) current_.Unwritten = {current_.FirstSector + current_.Sectors, unwritten_};
  if (unit_) {
    const TStreamVerdict v = unit_->Close();
    current_.Verdict = v.Verdict;
    current_.Evidence = v.Evidence;
    unit_.reset();
  }
  handle_ = -1;
  ReportFinished(current_);
}

}  // namespace quillot
