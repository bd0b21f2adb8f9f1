#include "engine/MediumMap.h"

#include <gtest/gtest.h>

namespace quillot {

namespace {
TRecoveredFile File(uint64_t first, uint64_t sectors, TVerdict verdict) {
  TRecoveredFile f;
  f.FirstSector = first;
  f.Sectors = sectors;
  f.Verdict = verdict;
  return f;
}
}  // namespace

// Files become spans at their sectors, a reassembled file one span a piece, cut to the sectors the pass
// covered; unreadable sectors of every file merge into ascending runs.
TEST(MediumMap, SpansLieAtTheFilesSectors) {
  std::vector<TRecoveredFile> files{File(100, 50, TVerdict::Whole), File(20, 40, TVerdict::Damaged),
                                    File(300, 30, TVerdict::Whole), File(980, 100, TVerdict::CutShort)};
  files[2].Pieces = {{300, 10}, {500, 20}};
  files[1].UnreadableSectors = {41, 42, 44};
  files[0].UnreadableSectors = {43, 120};
  const TMediumMap map = LayOutMedium(40, 1000, files);
  EXPECT_EQ(map.First, 40u);
  EXPECT_EQ(map.End, 1000u);
  // The file in pieces carries no checksum over its join: each of its spans is unverified.
  const std::vector<TMapSpan> want{{100, 50, TClaim::Whole, 0, 0},
                                   {40, 20, TClaim::Damaged, 1, 0},
                                   {300, 10, TClaim::Unverified, 2, 0},
                                   {500, 20, TClaim::Unverified, 2, 1},
                                   {980, 20, TClaim::CutShort, 3, 0}};
  EXPECT_EQ(map.Spans, want);
  ASSERT_EQ(map.Unreadable.size(), 2u);
  EXPECT_EQ(map.Unreadable[0].First, 41u);
  EXPECT_EQ(map.Unreadable[0].Count, 4u);
  EXPECT_EQ(map.Unreadable[1].First, 120u);
  EXPECT_EQ(map.Unreadable[1].Count, 1u);
  EXPECT_DOUBLE_EQ(map.Fraction(40), 0);
  EXPECT_DOUBLE_EQ(map.Fraction(520), 0.5);
  EXPECT_DOUBLE_EQ(map.Fraction(5000), 1);
  // A file wholly before the pass's first sector has no span; an empty pass none at all.
  EXPECT_TRUE(LayOutMedium(100, 100, files).Spans.empty());
  EXPECT_EQ(LayOutMedium(100, 100, files).Fraction(100), 0);
  // Each claim has its own colour.
  const TClaim claims[] = {TClaim::Whole,    TClaim::Unproven, TClaim::Unverified,
                           TClaim::CutShort, TClaim::Damaged,  TClaim::Unknown};
  for (TClaim a : claims)
    for (TClaim b : claims)
      if (a != b) {
        EXPECT_STRNE(ClaimColour(a), ClaimColour(b));
      }
}

}  // namespace quillot
