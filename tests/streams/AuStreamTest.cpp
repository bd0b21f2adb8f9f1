#include <gtest/gtest.h>

#include <algorithm>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

TBytes WithDataSize(TBytes au, uint32_t size) {
  test::PutBe(au, 8, size, 4);
  return au;
}

// The little-endian variant the catalogue also takes: "dns." and each header word byte-swapped. No encoder
// here writes it, so it is built from sox's big-endian file.
TBytes LittleEndian(TBytes au) {
  for (size_t at = 0; at < 24; at += 4) std::reverse(au.begin() + at, au.begin() + at + 4);
  return au;
}

}  // namespace

TEST(AuStream, EndsToTheByteAndJudgesTheFile) {
  const TBytes au = test::StreamFixture("au", "m8.au");
  const uint64_t size = au.size();
  const TBytes junk = test::RandomBytes(3000, 6), wav = test::SampleAudio("voice-memo.wav");
  TBytes shortHeader = au;
  test::PutBe(shortHeader, 4, 16, 4);
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0},
      ended{TStreamState::Ended, size};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  const test::TStreamCase rows[] = {
      {"whole", au, ended, whole},
      {"junk after", test::Concat(au, junk), ended, whole},
      {"another file after", test::Concat(au, wav), ended, whole},
      {"itself after", test::Concat(au, au), ended, whole},
      {"little-endian", test::Concat(LittleEndian(au), junk), ended, whole},
      {"cut in the header", TBytes(au.begin(), au.begin() + 10), goesOn, cut},
      {"cut in the data", TBytes(au.begin(), au.begin() + size / 2), goesOn, cut},
      {"cut one byte short", TBytes(au.begin(), au.end() - 1), goesOn, cut},
      {"data size unknown", test::Concat(WithDataSize(au, 0xFFFFFFFF), junk), unknown, none},
      {"data size 0", test::Concat(WithDataSize(au, 0), junk), unknown, none},
      {"little-endian, data size unknown", LittleEndian(WithDataSize(au, 0xFFFFFFFF)), unknown, none},
      {"a header shorter than its fields", shortHeader, unknown, none},
      {"not AU", wav, unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("au", row.Bytes, 23, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
