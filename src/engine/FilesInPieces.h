// The files of a pass that wait for the piece that continues them, or take one: a recording stored in pieces
// (a card filled, emptied and filled again) breaks where its first piece ends and goes on at a cluster further
// ahead. Each waiting file keeps its search (engine/BrokenFile.h); every sector the pass reads is offered to
// them through the medium's window (engine/MediumWindow.h), so the size of the reads changes nothing; a file
// that took a piece is fed the sectors after it until its stream ends or breaks again.
//
// One medium sector goes into one file: a sector a file in pieces holds is withdrawn from every other search,
// and a piece that begins at a sector takes it from a file that would run on into it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/BrokenFile.h"
#include "engine/Destination.h"
#include "engine/MediumWindow.h"
#include "engine/RecoveryView.h"
#include "engine/SearchBudget.h"
#include "streams/StreamUnit.h"

namespace quillot {

// The pieces a file may be put together from. A card filled and emptied many times over leaves a recording in
// dozens; each search is bounded on its own (engine/SearchBudget.h), and each join proven or judged by its unit.
inline constexpr size_t kMostPieces = 128;

// Tells the view a file is finished, damaged where a sector of it could not be read or written.
void ReportFinished(TRecoveryView& view, TRecoveredFile& file);

class TFilesInPieces {
 public:
  TFilesInPieces(TDestination& destination, TRecoveryView& view) : destination_(destination), view_(view) {}

  TMediumWindow& Window() { return window_; }
  // What the searches may still spend; the pass earns it sector by sector.
  TSearchBudget& Budget() { return budget_; }
  bool Waiting() const { return !waiting_.empty(); }

  // A start at firstSector: files start on clusters, so their distances tell the cluster size.
  void NoteStart(uint64_t firstSector);
  // The cluster size in sectors, from the starts seen: the largest power of two dividing their distances.
  uint64_t ClusterSectors() const;
  // Whether a cluster (once its size is known) ends inside the length bytes from byte at of a piece that
  // began at pieceOffset: where a stream with no count that ended may have been cut at a piece's end.
  bool ClusterEndsWithin(uint64_t pieceOffset, uint64_t at, uint64_t length, uint32_t bytesPerSec) const;

  struct TFound {
    uint64_t Sector;
    TPieceMatch Match;
  };
  // The first sector of those search has not seen, up to sector, that continues a file that began at
  // firstSector.
  std::optional<TFound> Offer(TBrokenFile& search, uint64_t firstSector, uint64_t sector, uint32_t bytesPerSec);

  // A file (open on handle, its last piece beginning at byte pieceOffset) waits for its next piece. Each keeps a
  // file open: past a bound the one waiting longest is given up.
  void Wait(int handle, TRecoveredFile file, TBrokenFile search, uint64_t pieceOffset);
  // Offers every waiting file the sectors after its break up to sector; appended: sector was appended already.
  void OfferWaiting(uint64_t sector, uint32_t bytesPerSec, bool appended);
  // Whether a piece a file took begins at the sector about to be fed: the sector is that file's.
  bool PieceBegins() const;
  // Feeds the files that took a piece the next sector; true when one of them kept it. startHere: a file starts
  // at that sector, and every file that would run on into it stops before it.
  bool Take(const uint8_t* sector, uint32_t bytesPerSec, bool startHere = false);
  // Whether a file that took a piece goes on into the sector about to be fed, as its unit tells (a frame chain
  // whose next frame begins on its first byte).
  bool ContinuesWith(const uint8_t* sector, size_t size) const;
  // Ends every file still waiting or taking a piece; at the pass's end.
  void Finish();

  // A file's pieces once the one that ended at end (a byte of the file) goes on at sector.
  static void AddPiece(TRecoveredFile& file, uint64_t pieceOffset, uint64_t end, uint64_t sector, uint32_t bytesPerSec);
  // Keeps the last bytes fed to a unit, for the piece search should its stream break.
  static void KeepRecent(std::vector<uint8_t>& recent, uint64_t& recentStart, const uint8_t* data, size_t size);
  // The medium byte of byte at of a file whose last piece began at pieceOffset.
  static uint64_t MediumByte(const TRecoveredFile& file, uint64_t pieceOffset, uint64_t at, uint32_t bytesPerSec);

 private:
  struct TWaiting {
    int Handle;
    TRecoveredFile File;
    TBrokenFile Search;
    uint64_t PieceOffset;  // where its last piece begins in the file
    bool Gone = false;     // closed or taken a piece: leaves the list
  };
  struct TResumed {
    int Handle;
    TRecoveredFile File;
    std::unique_ptr<TStreamUnit> Unit;
    uint64_t Fed;          // bytes of the file fed to the unit
    uint64_t PieceOffset;  // where the piece it takes began in the file
    std::vector<uint8_t> Recent;
    uint64_t RecentStart;
    bool KeptLast = false;  // the last sector fed went into the file
  };
  // Whether a file in pieces (waiting or taking one) holds the sector.
  bool Claimed(uint64_t sector) const;
  // Feeds a file that took a piece one more sector; true when its stream ended or broke (told in answer).
  bool FeedResumed(TResumed& r, const uint8_t* sector, uint32_t bytesPerSec, TStreamAnswer& answer);
  // A resumed file whose bytes stop while its unit still weighs whether its stream goes on past the end it
  // declared ended there (TStreamUnit::EndIfNoMore): cut back to it, answer Ended. False where the unit says none.
  bool EndedLate(TResumed& r, TStreamAnswer& answer);
  // A resumed file whose stream ended or broke: closed, or waiting again for its next piece.
  void EndResumed(TResumed& r, const TStreamAnswer& answer, uint32_t bytesPerSec);
  // Closes a file kept open for its pieces and reports it.
  void FinishKept(int handle, TRecoveredFile& file);

  TDestination& destination_;
  TRecoveryView& view_;
  std::vector<TWaiting> waiting_;
  std::vector<TResumed> resumed_;
  uint64_t firstStart_ = 0, startDistances_ = 0, startsSeen_ = 0;
  TMediumWindow window_;
  TSearchBudget budget_;
  size_t turn_ = 0;       // the waiting file offered sectors first next time
  uint64_t changes_ = 0;  // counts what changes the sectors the files hold
  mutable uint64_t claimedSector_ = ~0ull, claimedAt_ = 0;
  mutable bool claimed_ = false;
};

}  // namespace quillot
