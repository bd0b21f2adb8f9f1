// What a recovery pass shows and asks while it runs. The wizard, the command line and the tests each
// implement it; the pass calls OnSector for every sector and the view decides how often to repaint.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "streams/StreamUnit.h"

namespace quillot {

class TFormat;

// One recovered file, as the report lists it.
struct TRecoveredFile {
  std::string Name;    // file name, without its folder
  std::string Path;    // full path name
  std::string Format;  // title of the format that matched
  uint64_t FirstSector = 0;
  uint64_t Sectors = 0;  // sectors appended
  uint64_t Bytes = 0;    // bytes written (or that would be written on a dry run)
  // The byte of the file where its stream ended as its unit said, with or without trimming; 0 when the
  // unit never said. A decoder stops there: what follows is another file's or nobody's.
  uint64_t StreamEnd = 0;
  std::vector<uint64_t> UnreadableSectors;  // sectors that could not be read, written as zeros
  bool Short = false;                       // a write failed: the file lacks some of its sectors
  TVerdict Verdict = TVerdict::Unknown;     // what the format's stream unit made of the file
  TEvidence Evidence = TEvidence::None;
  // In pieces, and its stream carries a checksum of its whole content that no decoder has checked yet: no
  // join is proven until then (engine/FileClaim.h).
  bool AwaitsContentCheck = false;
  // Whether its recording went on past the length its header declares; if so, the end is unproven.
  TPastHeader PastHeader = TPastHeader::No;
  // The run of sectors after a trimmed file's end, up to the next start, that was not written.
  struct TRun {
    uint64_t First = 0, Count = 0;
  } Unwritten;
  // A file put back together from pieces: each piece's first sector and sectors, in the file's order.
  // Empty for a file in one piece.
  std::vector<TRun> Pieces;
};

class TRecoveryView {
 public:
  virtual ~TRecoveryView() = default;

  // The pass begins (totalSectors sectors of bytesPerSec bytes, from firstSector) and ends.
  virtual void OnPassStarted(uint64_t firstSector, uint64_t totalSectors, uint32_t bytesPerSec) = 0;
  virtual void OnPassEnded() = 0;

  // Every processed sector, before it is tested; progress in percent of sectors before it.
  virtual void OnSector(uint64_t sector) = 0;
  virtual void ShowFilesFound(int32_t filesFound) = 0;
  virtual void ShowReadErrors(int32_t readErrors) = 0;
  virtual void AddLogLine(const std::string& line) = 0;
  // A failed write of the open file, one per failed sector; a plain log line unless the view gathers them.
  virtual void AddWriteErrorLine(const std::string& line) { AddLogLine(line); }
  virtual void SetStatus(const std::string& status) = 0;
  virtual void SetBusy(bool busy) = 0;
  virtual void SetStartStopEnabled(bool startEnabled, bool stopEnabled) = 0;
  // The wizard refreshes its buttons from the pass state.
  virtual void CheckState() = 0;
  virtual void ShowMessage(const std::string& text, bool warning) = 0;
  virtual bool AskYesNo(const std::string& text) = 0;
  // Lets pending events run: after the pass starts and after each failed read.
  virtual void ProcessMessages() = 0;
  // Between the transfers of a chunk's read: the sector the read has reached. A slow source takes seconds
  // a chunk; the view may repaint and let events run here, as it does between sectors.
  virtual void OnReading(uint64_t /*sectorReached*/) {}
  // A recovered file was closed.
  virtual void OnFileFinished(const TRecoveredFile&) {}
};

// Percent of sectors before sector, of total, rounded half to even (sector 32 of 256 shows 12).
int ProgressPercent(uint64_t sector, uint64_t total);

}  // namespace quillot
