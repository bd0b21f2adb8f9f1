// A recovered file whose stream broke before its end, waiting for the piece that continues it: a recording
// stored in pieces (a card filled, emptied and filled again) breaks where its first piece ends and goes on
// at a cluster further ahead. The search keeps the first piece's bytes from the break on and the unit as
// it broke; each cluster the pass reads within the window is tried, first by the unit's quick test, then by
// feeding the broken part put together from both pieces to a unit restarted at the break.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/SearchBudget.h"
#include "streams/StreamUnit.h"

namespace quillot {

// How far ahead of the break the continuing piece may lie, and how many candidates a file may put to the proof
// (those its unit's quick test let through and that are not the middle of another recording).
inline constexpr uint64_t kPieceWindowBytes = 64ull << 20;
inline constexpr uint32_t kMostPieceCandidates = 16;
// The work one file's search may take from the pass's budget (engine/SearchBudget.h), so one file with
// endless near misses leaves some for the others.
inline constexpr uint64_t kMostSearchWork = 16ull << 20;
// The continuing piece mostly lies within this of the break: the clusters freed nearest it are taken first. A
// search further on draws no more of the budget than the upper half of its reserve, so searches that find
// nothing for long do not leave the ones that begin after them without.
inline constexpr uint64_t kNearPieceBytes = 4ull << 20;

// A piece that continues the file: where the first piece ends (a byte offset in the file) and a unit fed the
// file up to there, ready for the piece's bytes.
struct TPieceMatch {
  uint64_t FirstPieceEnd = 0;
  std::unique_ptr<TStreamUnit> Unit;
};

class TBrokenFile {
 public:
  // broken: the unit that broke at byte breakAt of the file; head: the file's bytes from breakAt on;
  // breakByte: where byte breakAt lies on the medium.
  TBrokenFile(std::unique_ptr<TStreamUnit> broken, uint64_t breakAt, std::vector<uint8_t> head, uint64_t breakByte);

  // Tries the cluster starting at medium byte at, whose bytes (from its start on) are given, and the bytes
  // before it on the medium as far as they are at hand; cluster is the cluster size in bytes, the file's
  // first byte lying on a cluster start. Candidates are taken in the order the medium holds them: the
  // first that passes every check. Each check is paid from budget; unpaid tells that the candidate was left
  // before it was done with, for want of it.
  std::optional<TPieceMatch> Try(uint64_t at, const uint8_t* bytes, size_t size, const uint8_t* before,
                                 size_t beforeSize, uint64_t cluster, TSearchBudget& budget, bool& unpaid);
  // The window has passed, or every candidate or all the work allowed was spent: the file is written as it is.
  bool GivenUp(uint64_t at) const {
    return at > breakByte_ + kPieceWindowBytes || tried_ >= kMostPieceCandidates || spent_ >= kMostSearchWork;
  }
  // The first medium byte not offered yet: the pass may have read past the break before its unit told it.
  uint64_t Next() const { return next_; }
  // Whether a candidate at medium byte at lies far from the break.
  bool Far(uint64_t at) const { return at > breakByte_ + kNearPieceBytes; }
  void OfferedUpTo(uint64_t end) { next_ = std::max(next_, end); }

 private:
  std::unique_ptr<TStreamUnit> broken_;
  uint64_t breakAt_;
  std::vector<uint8_t> head_;
  uint64_t breakByte_;
  uint64_t next_;
  uint64_t held_;  // the parts the unit had checked when it broke
  uint32_t tried_ = 0;
  uint64_t spent_ = 0;
};

}  // namespace quillot
