// Turns the sector stream of a pass into numbered files: each recognised start begins a new file that
// receives every sector up to the next start. Appends are gathered into large writes, and runs of
// all-zero sectors become holes, which read back as the same zeros.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/BrokenFile.h"

#include "engine/Destination.h"
#include "engine/FilesInPieces.h"
#include "engine/RecoveryView.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TRecoveredFileOutput {
 public:
  // folder ends in the path delimiter.
  TRecoveredFileOutput(TDestination& destination, TRecoveryView& view, std::string folder);
  ~TRecoveredFileOutput() {
    Close();
    FinishPieces();
  }
  TRecoveredFileOutput(const TRecoveredFileOutput&) = delete;
  TRecoveredFileOutput& operator=(const TRecoveredFileOutput&) = delete;

  // A recognised start: names and creates the next file (asking before an overwrite).
  // stream names the format's stream unit ("riff"), which follows the file and gives its verdict.
  void Start(const std::string& prefix, const std::string& extension, const std::string& formatTitle,
             uint64_t firstSector, const std::string& stream = {});
  // Appends one sector to the open file, or to the file in pieces that takes it. The bytes must stay valid
  // until Flush or Close.
  void Append(const uint8_t* sector, uint32_t bytesPerSec) {
    TakeForPieces(sector, bytesPerSec, false);
    AppendOpen(sector, bytesPerSec);
  }
  // Asked before a start is looked for at the sector about to be appended: whether a piece that a search
  // proved begins there (the open file's next, or a waiting file's), and so no start.
  bool PieceBeginsHere() const { return openTookPiece_ || pieces_.PieceBegins(); }
  // The first half of Append, after the start decision: the files that took a piece are fed the sector. One
  // medium sector goes into one file: the file open there ends where another's proven piece begins, and a file
  // that starts there (started) ends the pieces that would run on into it.
  void TakeForPieces(const uint8_t* sector, uint32_t bytesPerSec, bool started) {
    const bool openPiece = std::exchange(openTookPiece_, false);
    const bool pieceBegins = pieces_.PieceBegins();
    pieces_.Take(sector, bytesPerSec, started);
    if (pieceBegins && open_ && !openPiece) Close();
  }
  // The second half: the sector goes into the open file, unless its recording has ended.
  void AppendOpen(const uint8_t* sector, uint32_t bytesPerSec) {
    // A file declined at its start is no file, but its stream is followed all the same.
    if (declined_ && declinedAnswer_.State == TStreamState::Continues)
      declinedAnswer_ = declined_->Feed(sector, bytesPerSec);
    // A run that does not continue the gathered one writes that first, which may end the recording.
    if (accepting_ && pendingSize_ != 0 && sector != pendingBegin_ + pendingSize_) Flush();
    if (!accepting_) {
      if (open_) ++unwritten_;  // past the end of a trimmed file's recording
      return;
    }
    if (pendingSize_ != 0) {
      pendingSize_ += bytesPerSec;
    } else {
      pendingBegin_ = sector;
      pendingSize_ = bytesPerSec;
    }
    pendingSectorSize_ = bytesPerSec;
    ++current_.Sectors;
  }
  // The sector just appended could not be read: it went in as zeros, and the file's report says so.
  void MarkUnreadable(uint64_t sector) {
    if (open_) current_.UnreadableSectors.push_back(sector);
  }
  // Whether the open file's stream (or that of a file that took a piece, or of a start declined) goes on into the
  // sector about to be appended, as its unit tells from everything before it (a frame chain that lands on the
  // sector's first byte, a page that starts there): a match there that needs a check is then no start. Writes
  // what was gathered first.
  bool StreamContinuesInto(const uint8_t* sector, size_t size);
  // Writes what Append gathered; run before the buffer holding it is reused.
  void Flush();
  void Close();

  // The sectors the pass holds in memory (sector firstSector first) until the next chunk, and how to reach the
  // bytes after them: the medium's window, which keeps the last bytes of the chunks before too. A unit tells that
  // its stream broke at the end of the part that broke, or that its recording ended where a start was held back,
  // when the pass may have read past; those sectors are offered or replayed from the window.
  void SeeChunk(const uint8_t* begin, size_t size, uint64_t firstSector, uint32_t bytesPerSec,
                std::function<const std::vector<uint8_t>&()> ahead) {
    pieces_.Window().SeeChunk(begin, size, firstSector, bytesPerSec, std::move(ahead));
  }
  // A sector of the chunk the pass reads, offered before it is appended: it, or one read since a break, may be
  // the piece that continues a file whose stream broke. Every sector read earns the search its work.
  void OfferPiece(uint64_t sector, uint32_t bytesPerSec) {
    pieces_.Budget().Earn(bytesPerSec);
    if (WantsPieces()) OfferUpTo(sector, bytesPerSec, false);
  }
  // The chunk's sectors up to sector were all appended: a break told at its end is searched in them too.
  void EndChunk(uint64_t lastSector, uint32_t bytesPerSec);
  // After a sector, with Reassemble or while a start is held back: the open file's unit follows at once, so a
  // break or an end is told at the sector where it lies, whatever the size of the reads, while the window still
  // holds the sectors after it.
  void Follow() {
    if (open_) FollowPending();
  }
  // The chunk is written out and its buffer about to be read into again: its last bytes stay in the window.
  void ChunkDone() { pieces_.Window().EndChunk(); }
  bool WantsPieces() const { return broken_.has_value() || pieces_.Waiting(); }
  // Ends the files still waiting for a piece or taking one; at the pass's end, after Close.
  void FinishPieces() { pieces_.Finish(); }

  bool IsOpen() const { return open_; }
  // Whether the open file's unit told where its recording ends.
  bool Ended() const { return open_ && answer_.State == TStreamState::Ended; }
  // The medium sector the open file's recording ended before, when it ended on a sector's first byte (a file in
  // one piece); else nothing.
  std::optional<uint64_t> EndSector(uint32_t bytesPerSec) const {
    if (!Ended() || !current_.Pieces.empty() || answer_.At % bytesPerSec != 0) return std::nullopt;
    return current_.FirstSector + answer_.At / bytesPerSec;
  }
  // Closes the open file, whose recording ended where a start is taken after all: the sectors after its end
  // are the next file's, neither its own nor its unwritten run.
  void CloseAtItsEnd();
  TMediumWindow& Window() { return pieces_.Window(); }
  // The first sector of the open file.
  uint64_t OpenFileStart() const { return current_.FirstSector; }
  // End each file where its stream unit says its recording ends; the sectors after it, up to the next
  // start, are not written.
  bool Trim = false;
  // With Trim: a file whose stream breaks before its end waits for the piece that continues it, within
  // kPieceWindowBytes ahead, and is written with its pieces in order (engine/BrokenFile.h).
  bool Reassemble = false;
  bool FatalError = false;
  int32_t FilesFound = 0;
  int32_t NameOffset = 0;

 private:
  // Writes whole sectors of data, falling back to one sector at a time when the large write fails.
  void WriteRun(const uint8_t* data, size_t size);
  void WriteFailed();
  // Feeds the part of the gathered run the file's unit has not seen yet, and leaves in pendingKeep_ how
  // much of the run belongs to the file.
  void FollowPending();
  // The open file's stream broke: it starts waiting for the piece that continues it, if its unit can say.
  void StartWaiting();
  // The open file's recording ended at byte at, told only as the file closes: a trimming pass cuts it back there.
  void EndedLate(uint64_t at);
  // The open file goes on with the piece at sector: cut back to where its first piece ends.
  bool ResumeOpenFile(uint64_t sector, TPieceMatch match, uint32_t bytesPerSec);
  // Offers the open file, if its stream broke, and every file waiting for a piece the sectors after its break
  // up to sector; appended: sector was appended already.
  void OfferUpTo(uint64_t sector, uint32_t bytesPerSec, bool appended);
  TDestination& destination_;
  TRecoveryView& view_;
  std::string folder_;
  bool open_ = false;
  bool accepting_ = false;  // open, and (when trimming) its recording has not ended yet
  std::unique_ptr<TStreamUnit> unit_;
  TStreamAnswer answer_;
  // The stream of a start whose file was not written (an overwrite declined, a creation that failed): followed
  // without writing, so that its own frames start no file.
  std::unique_ptr<TStreamUnit> declined_;
  TStreamAnswer declinedAnswer_;
  bool openTookPiece_ = false;  // the open file's next piece begins at the sector offered last
  uint64_t fed_ = 0;            // bytes of the file fed to its unit
  uint64_t unwritten_ = 0;      // sectors left unwritten after the recording ended
  int handle_ = -1;
  TRecoveredFile current_;
  const uint8_t* pendingBegin_ = nullptr;
  size_t pendingSize_ = 0;
  size_t pendingFed_ = 0;   // of the gathered run, the bytes fed to the unit
  size_t pendingKeep_ = 0;  // of those, the bytes that belong to the file
  uint32_t pendingSectorSize_ = 0;

  std::vector<uint8_t> recent_;  // with Reassemble: the last bytes fed to the open file's unit
  uint64_t recentStart_ = 0;     // the file offset of recent_'s first byte
  uint64_t pieceOffset_ = 0;     // where the open file's last piece begins in the file
  std::optional<TBrokenFile> broken_;
  TFilesInPieces pieces_;
};

}  // namespace quillot
