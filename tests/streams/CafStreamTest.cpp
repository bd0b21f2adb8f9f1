#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

constexpr uint64_t kLag = 12;                        // the next chunk's head tells whether the file goes on
constexpr size_t kChanChunk = 52, kDataChunk = 114;  // in ffmpeg's file: desc, chan, info, data

TBytes WithDataSize(TBytes caf, uint64_t size) {
  test::PutBe(caf, kDataChunk + 4, size, 8);
  return caf;
}

TBytes WithFreeChunk(TBytes caf) {
  test::AppendText(caf, "free");
  test::AppendBe(caf, 10, 8);
  caf.resize(caf.size() + 10);
  return caf;
}

}  // namespace

TEST(CafStream, EndsToTheByteAndJudgesTheFile) {
  const TBytes caf = test::StreamFixture("caf", "m8.caf"), streamed = test::StreamFixture("caf", "m8-stream.caf");
  const uint64_t size = caf.size();
  const TBytes junk = test::RandomBytes(3000, 8), wav = test::SampleAudio("voice-memo.wav");
  const TBytes freed = WithFreeChunk(caf);
  TBytes notDescFirst = caf, notPrintable = caf;
  notDescFirst[8] = 'x';
  notPrintable[kChanChunk] = 0x01;
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0},
      ended{TStreamState::Ended, size};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      broken{TVerdict::Damaged, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None};
  const test::TStreamCase rows[] = {
      // No total length: with nothing after the data the end is told only at Close.
      {"whole, nothing after", caf, goesOn, whole},
      {"junk after", test::Concat(caf, junk), ended, whole},
      {"zeros after", test::Concat(caf, TBytes(1000, 0)), ended, whole},
      {"another file after", test::Concat(caf, wav), ended, whole},
      {"itself after", test::Concat(caf, caf), ended, whole},
      {"a chunk after the data", test::Concat(freed, junk), {TStreamState::Ended, freed.size()}, whole},
      {"a second data chunk after", test::Concat(caf, TBytes(caf.begin() + kDataChunk, caf.end())), ended, whole},
      {"cut in the header", TBytes(caf.begin(), caf.begin() + 5), goesOn, cut},
      {"cut in the data", TBytes(caf.begin(), caf.begin() + size / 2), goesOn, cut},
      {"cut one byte short", TBytes(caf.begin(), caf.end() - 1), goesOn, cut},
      {"data to the end of the file", test::Concat(streamed, junk), unknown, none},
      {"data size 0", test::Concat(WithDataSize(caf, 0), junk), unknown, none},
      {"first chunk not the description", notDescFirst, {TStreamState::Broke, 8}, broken},
      {"a chunk type not printable", notPrintable, {TStreamState::Broke, kChanChunk}, broken},
      {"not CAF", wav, unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("caf", row.Bytes, 31, row.Answer, row.Verdict, kLag);
  }
}

}  // namespace quillot
