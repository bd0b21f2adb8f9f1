#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

constexpr uint64_t kLag = 7;  // one header

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

size_t FrameLength(const TBytes& bytes, size_t at) {
  return size_t(bytes[at + 3] & 3) << 11 | bytes[at + 4] << 3 | bytes[at + 5] >> 5;
}

}  // namespace

TEST(AdtsStream, EndsWhereTheChainEnds) {
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Unproven, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  for (const char* name : {"s44.aac", "m22.aac", "m8.aac"}) {
    const TBytes aac = test::StreamFixture("adts", name);
    const TStreamAnswer ended{TStreamState::Ended, aac.size()};
    const size_t second = FrameLength(aac, 0);
    // Another rate's frames after: a new stream, so the chain ends.
    const TBytes otherRate = test::StreamFixture("adts", std::string(name) == "s44.aac" ? "m22.aac" : "s44.aac");
    TBytes longFrame = aac;
    longFrame[second + 3] |= 3;  // the second frame's length, 8191, past the file
    longFrame[second + 4] = 0xFF;
    const test::TStreamCase rows[] = {
        {"whole", aac, goesOn, whole},
        {"junk after", test::Concat(aac, test::RandomBytes(3000, 1)), ended, whole},
        {"zeros after", test::Concat(aac, TBytes(3000, 0)), ended, whole},
        {"another file after", test::Concat(aac, test::SampleAudio("voice-memo.wav")), ended, whole},
        {"another stream after", test::Concat(aac, otherRate), ended, whole},
        {"cut in the second frame", Head(aac, second + 9), goesOn, cut},
        {"cut in the middle", Head(aac, aac.size() / 2), goesOn, cut},
        {"cut one byte short", Head(aac, aac.size() - 1), goesOn, cut},
        {"a frame's length past the data", longFrame, goesOn, cut},
        {"one frame then junk", test::Concat(Head(aac, second), test::RandomBytes(3000, 2)), unknown, none},
        {"not ADTS", test::SampleAudio("voice-memo.wav"), unknown, none},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(name) + ", " + row.Name);
      test::ExpectEveryWay("adts", row.Bytes, 3, row.Answer, row.Verdict, kLag);
    }
  }
}

}  // namespace quillot
