#include "engine/RecoveredFileOutput.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "engine/FileNaming.h"
#include "engine/FilesInPieces.h"
#include "i18n/Messages.h"
#include "streams/StartCheck.h"
#include "util/Text.h"

namespace quillot {

TRecoveredFileOutput::TRecoveredFileOutput(TDestination& destination, TRecoveryView& view, std::string folder)
    : destination_(destination), view_(view), folder_(std::move(folder)), pieces_(destination, view) {}

void TRecoveredFileOutput::Start(const std::string& prefix, const std::string& extension,
                                 const std::string& formatTitle, uint64_t firstSector, const std::string& stream) {
  ++FilesFound;
  pieces_.NoteStart(firstSector);
  const TNumberedFile file =
      CreateNumberedFile(destination_, view_, folder_, prefix, extension, FilesFound, NameOffset);
  const std::string& name = file.Name;
  const bool declined = file.Declined;
  const TCreateResult created = file.Created;
  handle_ = file.Handle;
  const std::string path = folder_ + name;
  std::unique_ptr<TStreamUnit> unit = stream.empty() ? nullptr : MakeStreamUnit(stream);
  // Checksums cost a look at every byte: only a trimming pass, which relies on them, pays for it; a file
  // not written is followed by its structure alone.
  const bool written = !declined && created == TCreateResult::Created;
  if (unit && (!Trim || !written)) unit->SkipChecksums();
  // Samples nothing else checks are judged where clusters begin: as the starts seen tell their size, and
  // before they can, at every sector.
  if (unit) unit->JudgeSamplesEvery(pieces_.ClusterSectors() * pieces_.Window().BytesPerSector());
  declined_ = written ? nullptr : std::move(unit);
  declinedAnswer_ = TStreamAnswer{};
  if (!declined) {
    if (created != TCreateResult::Created) {
      FatalError = true;
    } else {
      FatalError = false;
      open_ = accepting_ = true;
      current_ = TRecoveredFile{};
      current_.Name = name;
      current_.Path = path;
      current_.Format = formatTitle;
      current_.FirstSector = firstSector;
      unit_ = std::move(unit);
      answer_ = TStreamAnswer{};
      fed_ = unwritten_ = 0;
      recent_.clear();
      recentStart_ = pieceOffset_ = 0;
    }
  }
  view_.AddLogLine(Tr(strRecoveringFile, {name}));
  // A file's error follows the line that names it.
  if (!declined && created != TCreateResult::Created) view_.AddLogLine(Tr(strCannotCreateDestinationFile, {path}));
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
      TFilesInPieces::KeepRecent(recent_, recentStart_, data + done, n);
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

void TRecoveredFileOutput::StartWaiting() {
  uint64_t at = 0;
  if (current_.Pieces.size() >= kMostPieces || !unit_->RestartAtBreak(at) || at < recentStart_ ||
      at > recentStart_ + recent_.size() || at < pieceOffset_)
    return;
  std::vector<uint8_t> head(recent_.begin() + static_cast<ptrdiff_t>(at - recentStart_), recent_.end());
  const TStreamVerdict verdict = unit_->Close();
  current_.Verdict = verdict.Verdict;
  current_.Evidence = verdict.Evidence;
  // The file goes on as it would without the search; the unit stays with the search.
  const uint64_t breakByte = TFilesInPieces::MediumByte(current_, pieceOffset_, at, pendingSectorSize_);
  broken_.emplace(std::move(unit_), at, std::move(head), breakByte);
  recent_.clear();
}

void TRecoveredFileOutput::EndChunk(uint64_t lastSector, uint32_t bytesPerSec) {
  FollowPending();
  if (WantsPieces()) OfferUpTo(lastSector, bytesPerSec, true);
}

void TRecoveredFileOutput::OfferUpTo(uint64_t sector, uint32_t bytesPerSec, bool appended) {
  // The sectors from a piece's first up to this one: read since, and appended elsewhere.
  const uint64_t readSince = appended ? sector + 1 : sector;
  if (broken_ && open_) {
    if (auto found = pieces_.Offer(*broken_, current_.FirstSector, sector, bytesPerSec)) {
      if (ResumeOpenFile(found->Sector, std::move(found->Match), bytesPerSec)) {
        for (uint64_t s = found->Sector; s < readSince && pieces_.Window().Sector(s); ++s)
          AppendOpen(pieces_.Window().Sector(s), bytesPerSec);
        openTookPiece_ = !appended;
      }
    } else if (broken_->GivenUp(sector * bytesPerSec)) {
      broken_.reset();
    }
  }
  pieces_.OfferWaiting(sector, bytesPerSec, appended);
}

bool TRecoveredFileOutput::ResumeOpenFile(uint64_t sector, TPieceMatch match, uint32_t bytesPerSec) {
  Flush();
  const uint64_t end = match.FirstPieceEnd;
  if (end > current_.Bytes || !destination_.CutBack(handle_, end)) return false;
  broken_.reset();
  current_.Bytes = end;
  TFilesInPieces::AddPiece(current_, pieceOffset_, end, sector, bytesPerSec);
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

bool TRecoveredFileOutput::StreamContinuesInto(const uint8_t* sector, size_t size) {
  // A claim that rests on a declared length alone never holds back a start that frames confirm: the samples
  // it claims are unchecked, the frames are not (TStreamUnit::HoldsBackStart).
  // A file that took a piece goes on with its stream too.
  if (pieces_.ContinuesWith(sector, size)) return true;
  // A file declined at its start is followed all the same: its own frames are no new start.
  if (declined_ && declinedAnswer_.State == TStreamState::Continues && declined_->HoldsBackStart(sector, size))
    return true;
  if (!open_ || !unit_) return false;
  FollowPending();
  return accepting_ && answer_.State == TStreamState::Continues && unit_->HoldsBackStart(sector, size);
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

void TRecoveredFileOutput::EndedLate(uint64_t at) {
  answer_ = {TStreamState::Ended, at};
  current_.StreamEnd = at;
  if (!Trim || current_.Bytes <= at) return;
  const uint64_t had = current_.Bytes;
  if (!destination_.CutBack(handle_, at)) {
    WriteFailed();
    return;
  }
  current_.Bytes = at;
  // The whole sectors after the one holding the end are not the file's, like those a trimmed file leaves.
  if (const uint64_t sector = pendingSectorSize_) {
    const uint64_t dropped = (had + sector - 1) / sector - (at + sector - 1) / sector;
    current_.Sectors -= std::min(dropped, current_.Sectors);
    unwritten_ += dropped;
  }
}

void TRecoveredFileOutput::CloseAtItsEnd() {
  Flush();
  if (open_ && answer_.State == TStreamState::Ended && current_.Bytes > answer_.At && pendingSectorSize_ != 0) {
    if (destination_.CutBack(handle_, answer_.At)) {
      current_.Bytes = answer_.At;
      current_.Sectors = answer_.At / pendingSectorSize_;
    } else {
      WriteFailed();
    }
  }
  unwritten_ = 0;
  Close();
}

void TRecoveredFileOutput::Close() {
  if (!open_) return;
  Flush();
  // A unit still weighing whether its stream goes on past the end it declared: no more bytes come, so it
  // ended there.
  if (unit_ && answer_.State == TStreamState::Continues && !broken_)
    if (const auto end = unit_->EndIfNoMore()) EndedLate(*end);
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
    // Kept open as it is, until the piece that continues it comes or the search gives up.
    open_ = accepting_ = false;
    pieces_.Wait(handle_, std::move(current_), std::move(*broken_), pieceOffset_);
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
    current_.PastHeader = v.PastHeader;
    unit_.reset();
  }
  handle_ = -1;
  ReportFinished(view_, current_);
}

}  // namespace quillot
