#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

constexpr uint64_t kLag = 6;  // one header

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

bool IsSync(const TBytes& bytes, uint64_t at) { return bytes[at] == 0x0B && bytes[at + 1] == 0x77; }

}  // namespace

TEST(Ac3Stream, EndsWhereTheChainEndsAndChecksEveryFrame) {
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Unproven, TEvidence::Checksums}, cut{TVerdict::CutShort, TEvidence::Checksums},
      none{TVerdict::Unknown, TEvidence::None};
  for (const char* name : {"s48.ac3", "m44.ac3", "s48.eac3"}) {
    const TBytes ac3 = test::StreamFixture("ac3", name);
    const TStreamAnswer ended{TStreamState::Ended, ac3.size()};
    size_t second = 2;
    while (!IsSync(ac3, second)) ++second;
    const TBytes other = test::StreamFixture("ac3", std::string(name) == "m44.ac3" ? "s48.eac3" : "m44.ac3");
    const test::TStreamCase rows[] = {
        {"whole", ac3, goesOn, whole},
        {"junk after", test::Concat(ac3, test::RandomBytes(3000, 1)), ended, whole},
        {"zeros after", test::Concat(ac3, TBytes(3000, 0)), ended, whole},
        {"another file after", test::Concat(ac3, test::SampleAudio("voice-memo.wav")), ended, whole},
        {"another stream after", test::Concat(ac3, other), ended, whole},
        {"cut in the second frame", Head(ac3, second + 9), goesOn, cut},
        {"cut in the middle", Head(ac3, ac3.size() / 2), goesOn, cut},
        {"cut one byte short", Head(ac3, ac3.size() - 1), goesOn, cut},
        {"not AC-3", test::SampleAudio("voice-memo.wav"), unknown, none},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(name) + ", " + row.Name);
      test::ExpectEveryWay("ac3", row.Bytes, 3, row.Answer, row.Verdict, kLag);
      // Without checksums: the same chain, on the structure.
      TStreamVerdict structure = row.Verdict;
      if (structure.Evidence == TEvidence::Checksums) structure.Evidence = TEvidence::Structure;
      test::ExpectEveryWay("ac3", row.Bytes, 3, row.Answer, structure, kLag, false);
    }
    // One bit changed anywhere in a frame, in the first 5/8 or the rest, breaks that frame.
    for (size_t at : {size_t(3), second + 7, ac3.size() / 2, ac3.size() - 100, ac3.size() - 1}) {
      TBytes damaged = ac3;
      damaged[at] ^= 0x20;
      for (const auto& [how, run] : test::FeedEveryWay("ac3", test::Concat(damaged, ac3), 5)) {
        SCOPED_TRACE(std::string(name) + ", byte " + std::to_string(at) + ", " + how);
        EXPECT_EQ(run.Answer.State, TStreamState::Broke);
        EXPECT_EQ(run.Verdict, (TStreamVerdict{TVerdict::Damaged, TEvidence::Checksums}));
        EXPECT_TRUE(IsSync(ac3, run.Answer.At));
        EXPECT_LE(run.Answer.At, at);
        EXPECT_LT(at - run.Answer.At, 3840u);
      }
    }
  }
}

}  // namespace quillot
