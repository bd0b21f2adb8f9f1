#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

TBytes Chirp() { return test::SampleAudio("chirp.flac"); }

// STREAMINFO's total samples (36 bits) set to zero: the length is unknown.
TBytes WithoutTotal(TBytes flac) {
  flac[8 + 13] &= 0xF0;
  for (int i = 14; i < 18; ++i) flac[8 + i] = 0;
  return flac;
}

bool IsFrameSync(const TBytes& bytes, uint64_t at) {
  return at + 1 < bytes.size() && bytes[at] == 0xFF && (bytes[at + 1] & 0xFE) == 0xF8;
}

}  // namespace

TEST(FlacStream, EndsToTheByteAndJudgesTheFile) {
  const TBytes flac = Chirp();
  const uint64_t size = flac.size();
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0},
      ended{TStreamState::Ended, size};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Checksums}, cut{TVerdict::CutShort, TEvidence::Checksums},
      none{TVerdict::Unknown, TEvidence::None};
  const test::TStreamCase rows[] = {
      {"whole", flac, ended, whole},
      {"junk after", test::Concat(flac, test::RandomBytes(5000, 2)), ended, whole},
      {"sync-like bytes after", test::Concat(flac, TBytes(3000, 0xFF)), ended, whole},
      {"another file after", test::Concat(flac, test::SampleAudio("voice-memo.wav")), ended, whole},
      {"itself after", test::Concat(flac, flac), ended, whole},
      {"cut in the metadata",
       TBytes(flac.begin(), flac.begin() + 30),
       goesOn,
       {TVerdict::CutShort, TEvidence::Structure}},
      {"cut in the frames", TBytes(flac.begin(), flac.begin() + size / 2), goesOn, cut},
      {"cut one byte short", TBytes(flac.begin(), flac.end() - 1), goesOn, cut},
      {"no total samples", test::Concat(WithoutTotal(flac), flac), unknown, none},
      {"not FLAC", test::SampleAudio("voice-memo.wav"), unknown, none},
  };
  // Without checksums the frames are followed by their headers and subframes alone: the same ends, on
  // the structure.
  for (bool checksums : {true, false})
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(row.Name) + (checksums ? "" : ", structure only"));
      TStreamVerdict verdict = row.Verdict;
      if (!checksums && verdict.Evidence == TEvidence::Checksums) verdict.Evidence = TEvidence::Structure;
      test::ExpectEveryWay("flac", row.Bytes, 11, row.Answer, verdict, 0, checksums);
    }
}

// One byte changed inside a frame breaks that frame, at its start, by its CRC-16; with or without what follows.
TEST(FlacStream, AChangedByteBreaksItsFrame) {
  const TBytes flac = Chirp();
  size_t firstFrame = 0;
  while (!IsFrameSync(flac, firstFrame)) ++firstFrame;
  for (size_t at : {firstFrame + 300, flac.size() / 2, flac.size() - 40, flac.size() - 3}) {
    for (bool followed : {false, true}) {
      TBytes damaged = flac;
      damaged[at] ^= 0x10;
      if (followed) damaged = test::Concat(damaged, flac);
      for (const auto& [how, run] : test::FeedEveryWay("flac", damaged, 13)) {
        SCOPED_TRACE("byte " + std::to_string(at) + (followed ? " followed, " : ", ") + how);
        // When the bytes stop inside the last frame before its CRC-16 held, damage reads like a cut.
        if (at == flac.size() - 40 && !followed) {
          EXPECT_NE(run.Verdict.Verdict, TVerdict::Whole);
        } else {
          EXPECT_EQ(run.Verdict.Verdict, TVerdict::Damaged);
        }
        EXPECT_NE(run.Answer.State, TStreamState::Ended);
        if (run.Answer.State == TStreamState::Broke) {
          EXPECT_LE(run.Answer.At, at);
          EXPECT_TRUE(IsFrameSync(flac, run.Answer.At));
          EXPECT_GT(at - run.Answer.At, 0u);
        }
      }
    }
  }
}

}  // namespace quillot
