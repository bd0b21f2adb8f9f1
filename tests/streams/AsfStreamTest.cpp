#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// Where ffmpeg's WMA puts the File Properties Object, and its fields.
constexpr size_t kFileProperties = 30;
constexpr size_t kFileSize = kFileProperties + 40;
constexpr size_t kPackets = kFileProperties + 56;
constexpr size_t kFlags = kFileProperties + 88;

TBytes With(TBytes bytes, size_t at, uint32_t v) {
  test::PutLe32(bytes, at, v);
  return bytes;
}

uint32_t ReadLe32(const TBytes& bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

}  // namespace

TEST(AsfStream, EndsAtTheFileSizeItsObjectsReach) {
  const TBytes wma = test::StreamFixture("asf", "tune.wma");
  const TBytes junk = test::RandomBytes(3000, 4);
  const uint32_t size = uint32_t(wma.size());
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0},
      ended{TStreamState::Ended, size};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      damaged{TVerdict::Damaged, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None};
  ASSERT_EQ(ReadLe32(wma, kFileSize), size);
  const test::TStreamCase rows[] = {
      {"whole", wma, ended, whole},
      {"junk after", test::Concat(wma, junk), ended, whole},
      {"itself after", test::Concat(wma, wma), ended, whole},
      {"cut in the header", Head(wma, 100), goesOn, cut},
      {"cut in the data", Head(wma, 2000), goesOn, cut},
      {"cut one byte short", Head(wma, size - 1), goesOn, cut},
      // Still recording or broadcasting: no size to trust.
      {"file size 0", test::Concat(With(wma, kFileSize, 0), junk), unknown, none},
      {"broadcast", test::Concat(With(wma, kFlags, 3), junk), unknown, none},
      {"file size written early", test::Concat(With(wma, kFileSize, 2000), junk), unknown, none},
      {"file size past the objects, junk after", test::Concat(With(wma, kFileSize, size + 100), junk), unknown, none},
      {"packet count not the data's", test::Concat(With(wma, kPackets, 2), junk), unknown, none},
      {"a header object past the header", With(wma, kFileProperties + 16, 5000), {TStreamState::Broke, 30}, damaged},
      {"a header object too small", With(wma, kFileProperties + 16, 8), {TStreamState::Broke, 30}, damaged},
      {"not ASF", test::SampleAudio("voice.m4a"), unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("asf", row.Bytes, 19, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
