#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

constexpr uint64_t kLag = 10;  // one header

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

// The little-endian form of a 16-bit stream: every word's bytes swapped.
TBytes Swapped(TBytes bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
  return bytes;
}

size_t FrameSize(const TBytes& bytes) { return (size_t(bytes[5] & 3) << 12 | bytes[6] << 4 | bytes[7] >> 4) + 1; }

}  // namespace

TEST(DtsStream, EndsWhereTheChainEnds) {
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Unproven, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  const TBytes s48 = test::StreamFixture("dts", "s48.dts");
  const TBytes s44 = test::StreamFixture("dts", "s44.dts");
  for (const auto& [name, dts] :
       {std::pair{"s48", s48}, std::pair{"s44", s44}, std::pair{"s48 swapped", Swapped(s48)}}) {
    const TStreamAnswer ended{TStreamState::Ended, dts.size()};
    const size_t second = FrameSize(name == std::string("s48 swapped") ? s48 : dts);
    const TBytes other = name == std::string("s44") ? s48 : s44;
    const test::TStreamCase rows[] = {
        {"whole", dts, goesOn, whole},
        {"junk after", test::Concat(dts, test::RandomBytes(3000, 1)), ended, whole},
        {"zeros after", test::Concat(dts, TBytes(3000, 0)), ended, whole},
        {"another file after", test::Concat(dts, test::SampleAudio("voice-memo.wav")), ended, whole},
        {"another rate after", test::Concat(dts, other), ended, whole},
        {"the other word order after", test::Concat(dts, Swapped(dts)), ended, whole},
        {"cut in the second frame", Head(dts, second + 12), goesOn, cut},
        {"cut one byte short", Head(dts, dts.size() - 1), goesOn, cut},
        {"two frames then junk", test::Concat(Head(dts, 2 * second), test::RandomBytes(3000, 2)), unknown, none},
        {"not DTS", test::SampleAudio("voice-memo.wav"), unknown, none},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(name) + ", " + row.Name);
      test::ExpectEveryWay("dts", row.Bytes, 3, row.Answer, row.Verdict, kLag);
    }
  }
}

}  // namespace quillot
