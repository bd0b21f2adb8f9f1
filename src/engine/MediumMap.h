// The medium as one bar, every recovered file a span of it: the layout the command line's --map draws
// and the wizard can draw too. Plain numbers only; each face draws them its own way.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/FileClaim.h"
#include "engine/RecoveryView.h"

namespace quillot {

struct TMapSpan {
  uint64_t First = 0, Count = 0;  // sectors
  TClaim Claim = TClaim::Unknown;
  size_t File = 0;   // the file's index in the list laid out
  size_t Piece = 0;  // which piece of a file put back together (0 for a file in one piece)
  bool operator==(const TMapSpan&) const = default;
};

struct TMediumMap {
  uint64_t First = 0, End = 0;                   // the sectors the pass covered, End excluded
  std::vector<TMapSpan> Spans;                   // in the order of the files, each file's pieces in its own order
  std::vector<TRecoveredFile::TRun> Unreadable;  // runs of unreadable sectors, ascending, merged
  // Where sector lies along the bar, 0 at First to 1 at End.
  double Fraction(uint64_t sector) const;
};

// Each file's sectors (each piece's for a file put back together), cut to the pass's sectors.
TMediumMap LayOutMedium(uint64_t firstSector, uint64_t endSector, const std::vector<TRecoveredFile>& files);

// The colour each claim is drawn in, as "#rrggbb"; the colour of unreadable sectors.
const char* ClaimColour(TClaim claim);
inline constexpr const char* kUnreadableColour = "#000000";

}  // namespace quillot
