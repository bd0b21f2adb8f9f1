#include "engine/RecoveredFileOutput.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "i18n/Messages.h"
#include "util/Text.h"

namespace quillot {

namespace {
constexpr int32_t kNameSearchLimit = 100000;

// A prefix or extension that could lead out of the destination folder is refused.
bool SafeNamePart(const std::string& part) {
  return part.find('/') == std::string::npos && part.find('\0') == std::string::npos;
}
}  // namespace

TRecoveredFileOutput::TRecoveredFileOutput(TDestination& destination, TRecoveryView& view, std::string folder)
    : destination_(destination), view_(view), folder_(std::move(folder)) {}

std::string TRecoveredFileOutput::NameFor(const std::string& prefix, const std::string& extension) const {
  char number[16];
  std::snprintf(number, sizeof number, "%.5d", FilesFound + NameOffset);
  return prefix + number + "." + extension;
}

bool TRecoveredFileOutput::SearchName(const std::string& prefix, const std::string& extension, std::string& name) {
  bool exists;
  do {
    name = NameFor(prefix, extension);
    exists = destination_.Exists(folder_ + name);
    if (exists) ++NameOffset;
  } while (exists && NameOffset <= kNameSearchLimit);
  return exists;
}

void TRecoveredFileOutput::Start(const std::string& prefix, const std::string& extension,
                                 const std::string& formatTitle, uint64_t firstSector, const std::string& stream) {
  ++FilesFound;
  const bool safe = SafeNamePart(prefix) && SafeNamePart(extension);
  std::string name;
  TCreateResult created = TCreateResult::Failed;
  bool declined = false;
  for (;;) {
    const bool exists = SearchName(prefix, extension, name);
    if (exists) {
      declined = !view_.AskYesNo(Tr(strFileExistsConfirm, {folder_ + name}));
      if (!declined && safe) created = destination_.Create(folder_ + name, TCreateMode::Replace, handle_);
      break;
    }
    if (safe) created = destination_.Create(folder_ + name, TCreateMode::New, handle_);
    // Another pass into this folder took the name since the search: search on from the next number.
    if (created != TCreateResult::Taken || NameOffset >= kNameSearchLimit) break;
    ++NameOffset;
  }
  const std::string path = folder_ + name;
  if (!declined) {
    if (created != TCreateResult::Created) {
      handle_ = -1;
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
  answer_ = unit_->Feed(data, size);
  fed_ += size;
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

bool TRecoveredFileOutput::StreamContinuesInto(const uint8_t* sector, size_t size) {
  if (!open_ || !unit_) return false;
  FollowPending();
  return accepting_ && answer_.State == TStreamState::Continues && unit_->ContinuesWith(sector, size);
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
  // What could not be read or written is missing from the file, whatever its stream says.
  if (current_.Verdict == TVerdict::Whole && (current_.Short || !current_.UnreadableSectors.empty()))
    current_.Verdict = TVerdict::Damaged;
  handle_ = -1;
  view_.OnFileFinished(current_);
}

}  // namespace quillot
