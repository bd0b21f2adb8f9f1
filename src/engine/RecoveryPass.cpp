#include "engine/RecoveryPass.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "drive/SameDevice.h"
#include "engine/FileDetection.h"
#include "engine/RecoveredFileOutput.h"
#include "i18n/Messages.h"
#include "platform/ProgramFolder.h"
#include "platform/UDisksOpen.h"
#include "streams/StartCheck.h"
#include "util/Text.h"

namespace quillot {

int ProgressPercent(uint64_t sector, uint64_t total) {
  if (total == 0) return 0;
  long double share = static_cast<long double>(sector) / static_cast<long double>(total) * 100.0L;
  return static_cast<int>(std::nearbyintl(share));  // the default rounding mode takes a half to even
}

std::string WithTrailingDelimiter(const std::string& folder) {
  if (!folder.empty() && folder.back() == PathDelim) return folder;
  return folder + PathDelim;
}

namespace {
// The destination written as "X:\..." names the source drive by its letter.
bool NamesDriveByLetter(char letter, const std::string& folder) {
  std::string root = UpperCase(std::string(1, letter) + ":\\");
  return UpperCase(folder).find(root) != std::string::npos;
}

// The sectors of one chunk: the setting, cut to what remains and to what fits in the buffer.
uint32_t ChunkSectors(int32_t setting, uint64_t current, uint64_t total, uint32_t bytesPerSec) {
  // Only a hand-edited setting can be below 1; it reads like the setting's default.
  uint64_t n = setting >= 1 ? static_cast<uint64_t>(setting) : 5000;
  n = std::min<uint64_t>(n, total - current);
  // The setting allows more sectors than the buffer holds at large sector sizes (5121 of 2048 bytes
  // already overflow it): the chunk takes the whole sectors that fit, so the buffer stays one size.
  n = std::min<uint64_t>(n, kWorkBufferSize / bytesPerSec);
  // The reader takes a 16-bit count: a larger one would wrap and read fewer sectors than are scanned.
  n = std::min<uint64_t>(n, 0xFFFF);
  return static_cast<uint32_t>(n);
}

const TMessage& ClosingLine(TPassOutcome outcome) {
  if (outcome == TPassOutcome::Fatal) return strRecoveryEncounteredFatalError;
  if (outcome == TPassOutcome::Cancelled) return strRecoveryCancelled;
  return strRecoveryFinished;
}

// Reads of the pass tell the view how far they have come, for as long as the pass runs.
class TReadingHook {
 public:
  explicit TReadingHook(TRecoveryView& view) {
    SetTransferHook([&view](uint64_t sector) { view.OnReading(sector); });
  }
  ~TReadingHook() { SetTransferHook({}); }
  TReadingHook(const TReadingHook&) = delete;
  TReadingHook& operator=(const TReadingHook&) = delete;
};
}  // namespace

// What the phases of one pass share.
struct TRecoveryPass::TPassRun {
  explicit TPassRun(const TRecoveryOptions& o) : options(o) {}
  const TRecoveryOptions& options;
  std::string folder;  // ends in the path delimiter
  uint64_t total = 0;  // the sectors the pass can reach
  uint32_t bytesPerSec = 0;
  uint64_t current = 0;     // the sector at the buffer's start
  uint32_t sectors = 0;     // sectors the buffer holds for the scan
  bool unreadable = false;  // no attempt read the one sector the buffer holds: it is zeros
  bool tellsTransfers = false;
  bool raised = false;   // an error was raised, while starting or inside the pass
  bool refused = false;  // the destination lies on the source drive: the pass stops before reading
  TFileDetection detection;
  std::unique_ptr<uint8_t[]> buffer;
  std::optional<TRecoveredFileOutput> output;  // empty when the start failed
  // The sectors after the chunk, read once for the start checks near its end.
  std::vector<uint8_t> lookahead;
  uint64_t lookaheadAt = UINT64_MAX;  // the sector they begin at
  bool lookaheadEnds = false;         // nothing follows them: the drive's end, or they could not be read
  std::vector<uint8_t> checkBytes;
  std::optional<TReadingHook> reading;
  // Starts that frames confirmed but the open file's stream held back, its end not known yet.
  struct THeld {
    uint64_t sector;
    const TFormat* format;
  };
  std::vector<THeld> heldBack;
};

void TRecoveryPass::StartRecovery(const TRecoveryOptions& options, TFormatsList& catalogue) {
  // The pass is what the user asked for: its opens may bring the password prompt for a device the
  // system refuses us; nothing else does.
  TAccessRequestScope mayAskForAccess;
  TPassRun run(options);
  if (!BeginPass(run, catalogue)) return;  // a drive without sectors: no pass, no end steps
  try {
    while (MoreChunks(run)) {
      ReadChunk(run);
      ScanChunk(run);
    }
  } catch (...) {
    // An error inside the pass ends it through the same end steps as any other end.
    run.raised = true;
  }
  EndPass(run);
}

// Begin: refreshes DriveParams; answers false, with nothing else changed, for a drive without sectors;
// otherwise sets the pass running, readies run for the first chunk and answers true (raised set if it failed).
bool TRecoveryPass::BeginPass(TPassRun& run, TFormatsList& catalogue) {
  // A failed query counts as a drive without sectors, never as the last drive's count.
  if (!GetDriveParams(run.options.DriveNumber, DriveParams)) DriveParams = TDriveParams{};
  if (DriveParams.TotalPhysSec == 0 || DriveParams.BytesPerSec == 0 || DriveParams.BytesPerSec > kWorkBufferSize) {
    view_.ShowMessage(Tr(strErrorNoPsysSectors), false);
    return false;
  }
  run.folder = WithTrailingDelimiter(run.options.TargetFolder);
  run.total = std::min(DriveParams.TotalPhysSec, ReaderSectorLimit());
  run.bytesPerSec = DriveParams.BytesPerSec;
  run.current = run.options.StartSector;
  EnterRunning();
  try {
    ShowPassStarting(run.options.DriveLetter);
    // A drive larger than the reader reaches is searched as far as it reaches, and the log says so.
    if (run.total < DriveParams.TotalPhysSec) view_.AddLogLine(Tr(strOnlyFirst2TiBSearched));
    CheckDestination(run);
    run.detection = PrepareCatalogue(catalogue);
    run.buffer.reset(new uint8_t[kWorkBufferSize]);
  } catch (...) {
    // The pass could not start (no memory for the buffer, say): the end steps undo it, so Start is
    // available again.
    run.raised = true;
    return true;
  }
  run.detection.SetBufferBounds(run.buffer.get(), kWorkBufferSize);
  view_.OnPassStarted(run.options.StartSector, run.total, run.bytesPerSec);
  run.output.emplace(destination_, view_, run.folder);
  run.output->Trim = run.options.Trim;
  run.output->Reassemble = run.options.Trim && run.options.Reassemble;
  run.tellsTransfers = ReaderTellsTransfers();
  run.reading.emplace(view_);
  return true;
}

// Start off, Stop on, and the counters of the new pass at zero.
void TRecoveryPass::EnterRunning() {
  view_.SetStartStopEnabled(false, true);
  Running = true;
  StopRequested = false;
  FilesFound = 0;
  ReadErrors = 0;
  FatalError = false;
}

// The view of a pass that begins, and its first log line.
void TRecoveryPass::ShowPassStarting(char driveLetter) {
  view_.ShowReadErrors(0);
  view_.ShowFilesFound(0);
  view_.CheckState();
  view_.SetStatus(Tr(strBusy));
  view_.SetBusy(true);
  view_.ProcessMessages();
  view_.AddLogLine(Tr(strRecoveryStarted, {std::string(1, driveLetter)}));
}

// Creates the destination folder, or refuses one on the source drive by asking the pass to stop.
void TRecoveryPass::CheckDestination(TPassRun& run) {
  // The same-drive check comes before the folder is created, so a refused destination leaves the
  // source untouched.
  const char letter = run.options.DriveLetter;
  if (NamesDriveByLetter(letter, run.folder) || DestinationOnDrive(letter, run.folder)) {
    view_.ShowMessage(Tr(strSameDiskError), true);
    run.refused = true;
    StopRequested = true;
  } else {
    destination_.CreateFolder(run.folder);
  }
}

// Between chunks, the only place where the end of the drive, Stop and a fatal error are read.
bool TRecoveryPass::MoreChunks(const TPassRun& run) const {
  return !run.raised && run.current < run.total && !StopRequested && !run.output->FatalError;
}

// Read: fills the buffer's start from run.current, with retries; leaves in run.sectors what the scan
// takes: the whole chunk, or after a failed read its first sector alone (zeros where nothing came).
void TRecoveryPass::ReadChunk(TPassRun& run) {
  uint32_t n = ChunkSectors(run.options.SectorsToRead, run.current, run.total, run.bytesPerSec);
  const size_t chunkBytes = static_cast<size_t>(n) * run.bytesPerSec;
  uint8_t* buffer = run.buffer.get();
  // A sector that no attempt reads is still scanned and written: zeroing the chunk first makes that
  // zeros, never the bytes of an earlier chunk. A reader that tells how much it transferred lets that
  // wait for a failure, since a read that succeeds overwrites every byte anyway.
  if (!run.tellsTransfers) std::fill_n(buffer, chunkBytes, uint8_t{0});
  run.unreadable = false;
  for (int32_t attempt = 0;;) {
    if (ReadSectors(run.options.DriveNumber, run.current, static_cast<uint16_t>(n), buffer)) break;
    if (run.tellsTransfers && attempt == 0) {
      const size_t transferred = std::min(LastReadTransferred(), chunkBytes);
      std::fill(buffer + transferred, buffer + chunkBytes, uint8_t{0});
    }
    // The retries read the first sector alone, so a bad sector costs only itself: the next chunk starts
    // right after it and reads the good rest of this one again.
    n = 1;
    // On a CD-ROM a failed request is not yet a sector error: optical drives often fail a long read
    // (a scratch, a slow spin-up) where the sector alone then reads, so only a failed retry counts.
    if (DriveParams.DriveKind != dkCDROM || attempt > 0) ++ReadErrors;
    ++attempt;
    view_.ProcessMessages();
    view_.ShowReadErrors(ReadErrors);
    // A stop may end the retries too, so a dying source never holds the user for long.
    if (attempt > run.options.RetryCount || (run.options.StopEndsRetries && StopRequested)) {
      run.unreadable = true;
      break;
    }
  }
  run.sectors = n;
}

// Scan: tests and hands on the run.sectors sectors at the buffer's start, from run.current on; leaves
// run.current past them and every append written out, so the buffer can be read into again.
void TRecoveryPass::ScanChunk(TPassRun& run) {
  TRecoveredFileOutput& output = *run.output;
  const uint32_t bytesPerSec = run.bytesPerSec;
  const uint32_t n = run.sectors;
  uint64_t current = run.current;
  const uint8_t* sector = run.buffer.get();
  // The medium's window serves the piece search and the starts held back while a file's end was not known.
  output.SeeChunk(sector, size_t(n) * bytesPerSec, current, bytesPerSec,
                  [this, &run]() -> const std::vector<uint8_t>& { return Lookahead(run); });
  for (uint32_t k = 0; k < n; ++k, ++current, sector += bytesPerSec) {
    view_.OnSector(current);
    // A break the open file's unit has not seen yet is found when the gathered run is fed to it, at the
    // latest at the chunk's end; the sectors read since are offered then, from the chunk.
    if (output.Reassemble) output.OfferPiece(current, bytesPerSec);
    // A sector where a piece a search proved begins is that file's data, never a start.
    const TFormat* format = output.PieceBeginsHere() ? nullptr : StartAt(run, k, sector);
    if (format) {
      run.heldBack.clear();
      StartFile(run, *format, current);
    }
    output.TakeForPieces(sector, bytesPerSec, format != nullptr);
    output.AppendOpen(sector, bytesPerSec);
    // While a start is held back the open file is followed at once, so its end is told as soon as it can be.
    if (output.Reassemble || !run.heldBack.empty()) output.Follow();
    if (!run.heldBack.empty()) TakeHeldStart(run, current);
  }
  if (run.unreadable) output.MarkUnreadable(run.current);
  if (output.Reassemble && n > 0) output.EndChunk(current - 1, bytesPerSec);
  run.current = current;
  output.Flush();
  if (!run.heldBack.empty() && n > 0) TakeHeldStart(run, current - 1);
  output.ChunkDone();
}

void TRecoveryPass::StartFile(TPassRun& run, const TFormat& format, uint64_t sector) {
  TRecoveredFileOutput& output = *run.output;
  output.Close();
  output.Start(format.FilePrefix, format.FileExtension, format.Title, sector, format.Stream);
  FilesFound = output.FilesFound;
  view_.ShowFilesFound(FilesFound);
}

void TRecoveryPass::TakeHeldStart(TPassRun& run, uint64_t last) {
  TRecoveredFileOutput& output = *run.output;
  const std::optional<uint64_t> end = output.EndSector(run.bytesPerSec);
  if (!end) {
    // Closed, or ended inside a sector: the starts held back lay inside its recording.
    if (!output.IsOpen() || output.Ended()) run.heldBack.clear();
    return;
  }
  const auto held = std::find_if(run.heldBack.begin(), run.heldBack.end(),
                                 [&](const TPassRun::THeld& h) { return h.sector == *end; });
  if (held == run.heldBack.end() || !output.Window().Sector(held->sector)) {
    run.heldBack.clear();
    return;
  }
  // The recording ended just where frames confirmed a start: that start is taken after all, and the sectors
  // read since go into its file.
  const uint64_t first = held->sector;
  const TFormat& format = *held->format;
  run.heldBack.clear();
  output.CloseAtItsEnd();
  StartFile(run, format, first);
  for (uint64_t s = first; s <= last && output.Window().Sector(s); ++s) {
    output.AppendOpen(output.Window().Sector(s), run.bytesPerSec);
    output.Follow();
  }
}

const TFormat* TRecoveryPass::StartAt(TPassRun& run, uint32_t k, const uint8_t* sector) {
  const TFormat* format = run.detection.Match(sector);
  while (format && !format->Check.empty() && !CheckedStartHolds(run, k, sector, *format))
    format = run.detection.MatchAfter(sector, format);
  return format;
}

bool TRecoveryPass::CheckedStartHolds(TPassRun& run, uint32_t k, const uint8_t* sector, const TFormat& format) {
  size_t size = 0;
  bool ends = false;
  const uint8_t* bytes = CheckBytes(run, k, size, ends);
  const TStartCheck check = CheckStart(format.Check, bytes, size, ends, run.bytesPerSec);
  // A unit that cannot confirm starts leaves the plain rule. A start does not split a recording: where the
  // open file's stream goes on, the match is its own data. It is kept in mind: should the open file's end be
  // told later just there, it is taken then.
  if (check == TStartCheck::NoCheck) return true;
  if (check != TStartCheck::Confirmed) return false;
  if (!run.output->StreamContinuesInto(sector, size_t(run.sectors - k) * run.bytesPerSec)) return true;
  constexpr size_t kMostHeld = 64;
  if (run.heldBack.size() == kMostHeld) run.heldBack.erase(run.heldBack.begin());
  run.heldBack.push_back({run.current + k, &format});
  return false;
}

const std::vector<uint8_t>& TRecoveryPass::Lookahead(TPassRun& run) {
  // Near the chunk's end: the sectors after it are read once, and read again with the next chunk.
  const size_t bps = run.bytesPerSec;
  const uint64_t next = run.current + run.sectors;
  if (run.lookaheadAt != next) {
    run.lookaheadAt = next;
    const uint64_t want = std::min<uint64_t>((kStartCheckBytes + bps - 1) / bps, run.total - next);
    run.lookahead.resize(want * bps);
    const bool read = want > 0 &&
                      ReadSectors(run.options.DriveNumber, next, static_cast<uint16_t>(want), run.lookahead.data());
    if (!read) run.lookahead.clear();
    run.lookaheadEnds = !read || next + want == run.total;
  }
  return run.lookahead;
}

const uint8_t* TRecoveryPass::CheckBytes(TPassRun& run, uint32_t k, size_t& size, bool& ends) {
  const size_t bps = run.bytesPerSec;
  const uint8_t* at = run.buffer.get() + k * bps;
  const size_t inChunk = (run.sectors - k) * bps;
  ends = false;
  if (inChunk >= kStartCheckBytes) {
    size = kStartCheckBytes;
    return at;
  }
  Lookahead(run);
  // Only what a check reads is copied.
  const size_t fromLookahead = std::min(run.lookahead.size(), kStartCheckBytes - inChunk);
  run.checkBytes.assign(at, at + inChunk);
  run.checkBytes.insert(run.checkBytes.end(), run.lookahead.begin(),
                        run.lookahead.begin() + static_cast<ptrdiff_t>(fromLookahead));
  ends = run.lookaheadEnds && fromLookahead == run.lookahead.size();
  size = run.checkBytes.size();
  return run.checkBytes.data();
}

// End: closes the open file, decides the outcome from the flags, logs its line and leaves the pass
// idle with PassDone set.
void TRecoveryPass::EndPass(TPassRun& run) {
  run.reading.reset();
  // Read before the open file is closed.
  std::optional<uint64_t> resume;
  if (run.output && !run.refused && run.current < run.total) {
    // The unit follows what the file holds so far, so an end already written is known.
    try {
      run.output->Follow();
    } catch (...) {
      run.raised = true;
    }
    resume = run.output->IsOpen() && !run.output->Ended() ? run.output->OpenFileStart() : run.current;
  }
  if (run.output) {
    try {
      run.output->Close();
      run.output->FinishPieces();
    } catch (...) {
      run.raised = true;
    }
    FilesFound = run.output->FilesFound;
    FatalError = run.output->FatalError;
  }
  outcome_ = FatalError || run.raised ? TPassOutcome::Fatal
             : StopRequested          ? TPassOutcome::Cancelled
                                      : TPassOutcome::Finished;
  resume_ = outcome_ == TPassOutcome::Cancelled ? resume : std::nullopt;
  if (resume_) view_.AddLogLine(Tr(strResumeFrom, {std::to_string(*resume_)}));
  view_.AddLogLine(Tr(ClosingLine(outcome_)));
  view_.SetStatus(Tr(strIdle));
  view_.SetBusy(false);
  view_.SetStartStopEnabled(true, false);
  view_.OnPassEnded();
  Running = false;
  PassDone = true;
}

}  // namespace quillot
