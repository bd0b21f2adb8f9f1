#include <gtest/gtest.h>

#include <algorithm>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

TBytes Fixture(const char* name) { return test::StreamFixture("matroska", name); }

size_t FindCluster(const TBytes& bytes) {
  const uint8_t id[] = {0x1F, 0x43, 0xB6, 0x75};
  return size_t(std::search(bytes.begin(), bytes.end(), std::begin(id), std::end(id)) - bytes.begin());
}

// ffmpeg writes the Segment's size in 8 bytes at 44 (after a 35-byte EBML header of the mka fixtures).
TBytes WithSegmentSize(TBytes mka, uint64_t size) {
  mka[44] = 0x01;
  for (int i = 0; i < 7; ++i) mka[45 + i] = uint8_t(size >> (48 - 8 * i));
  return mka;
}

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

}  // namespace

TEST(MatroskaStream, EndsWithItsSegment) {
  const TBytes mka = Fixture("tune.mka"), webm = Fixture("tune.webm"), live = Fixture("live.mka");
  const TBytes junk = test::RandomBytes(3000, 3), zeros(4096, 0);
  const size_t cluster = FindCluster(mka), liveCluster = FindCluster(live);
  ASSERT_LT(cluster, mka.size());
  TBytes flipped = mka;
  flipped[cluster + 200] ^= 0x10;
  TBytes liveFlipped = live;
  liveFlipped[liveCluster + 5000] ^= 0x01;
  TBytes noSegment = Head(mka, 40);
  test::AppendText(noSegment, "\xEC\x81");
  noSegment.push_back(0);
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict checked{TVerdict::Whole, TEvidence::Checksums}, whole{TVerdict::Whole, TEvidence::Structure},
      cut{TVerdict::CutShort, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None};
  auto ended = [](const TBytes& file) { return TStreamAnswer{TStreamState::Ended, file.size()}; };
  const test::TStreamCase rows[] = {
      {"mka", mka, ended(mka), checked},
      {"mka, junk after", test::Concat(mka, junk), ended(mka), checked},
      {"webm, no CRCs, itself after", test::Concat(webm, webm), ended(webm), whole},
      // A live Segment has no size: its end shows in the bytes after it, or only at the close.
      {"live, alone", live, goesOn, checked},
      {"live, junk after", test::Concat(live, junk), ended(live), checked},
      {"live, free space after", test::Concat(live, zeros), ended(live), checked},
      {"live, another file after", test::Concat(live, mka), ended(live), checked},
      {"cut in the EBML header", Head(mka, 20), goesOn, cut},
      {"cut in the cluster", Head(mka, cluster + 300), goesOn, cut},
      {"cut one byte short", Head(mka, mka.size() - 1), goesOn, cut},
      {"live, cut in the cluster", Head(live, liveCluster + 9000), goesOn, cut},
      {"a byte changed in a cluster",
       flipped,
       {TStreamState::Broke, cluster},
       {TVerdict::Damaged, TEvidence::Checksums}},
      {"live, a byte changed",
       test::Concat(liveFlipped, junk),
       {TStreamState::Broke, liveCluster},
       {TVerdict::Damaged, TEvidence::Checksums}},
      // A Segment size written before the clusters, or before the last one: never an end.
      {"Segment size before any cluster", WithSegmentSize(mka, cluster - 52), unknown, none},
      {"Segment size inside the cluster", WithSegmentSize(mka, cluster + 100 - 52), unknown, none},
      {"no Segment after the header", noSegment, {TStreamState::Broke, 40}, {TVerdict::Damaged, TEvidence::Structure}},
      {"not Matroska", test::SampleAudio("voice.m4a"), unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("matroska", row.Bytes, 13, row.Answer, row.Verdict, 4);
  }
  // Without checksums the CRC-32 elements are passed over: the same end, on the structure.
  test::ExpectEveryWay("matroska", test::Concat(mka, junk), 13, ended(mka), whole, 4, false);
  test::ExpectEveryWay("matroska", flipped, 13, ended(mka), whole, 4, false);
}

}  // namespace quillot
