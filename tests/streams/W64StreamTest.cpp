#include <gtest/gtest.h>

#include <algorithm>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

constexpr size_t kDataChunk = 80;  // in sox's file: riff head and wave GUID, then fmt, then data

TBytes WithRiffSize(TBytes w64, uint64_t size) {
  for (int i = 0; i < 8; ++i) w64[16 + i] = uint8_t(size >> (8 * i));
  return w64;
}

// A chunk of 5 bytes after the data, its GUID that of "junk"; the riff size with or without its alignment.
TBytes WithTrailingChunk(const TBytes& w64, bool countPad) {
  TBytes out = w64;
  const uint8_t guid[16] = {'j', 'u', 'n', 'k', 0xF3, 0xAC, 0xD3, 0x11, 0x8C, 0xD1, 0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A};
  out.insert(out.end(), guid, guid + 16);
  test::AppendLe(out, 24 + 5, 8);
  test::AppendText(out, "12345");
  if (countPad) out.resize(out.size() + 3);
  return WithRiffSize(out, out.size());
}

}  // namespace

TEST(W64Stream, EndsToTheByteAndJudgesTheFile) {
  const TBytes w64 = test::StreamFixture("w64", "m8.w64");
  const uint64_t size = w64.size();
  const TBytes junk = test::RandomBytes(3000, 7), wav = test::SampleAudio("voice-memo.wav");
  const TBytes padded = WithTrailingChunk(w64, true), unpadded = WithTrailingChunk(w64, false);
  TBytes emptyChunk = w64;
  std::fill_n(emptyChunk.begin() + kDataChunk + 16, 8, 0);  // its size
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0},
      ended{TStreamState::Ended, size};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  const test::TStreamCase rows[] = {
      {"whole", w64, ended, whole},
      {"junk after", test::Concat(w64, junk), ended, whole},
      {"another file after", test::Concat(w64, wav), ended, whole},
      {"itself after", test::Concat(w64, w64), ended, whole},
      {"a chunk after the data, aligned", test::Concat(padded, junk), {TStreamState::Ended, padded.size()}, whole},
      {"a chunk after the data, its alignment not counted",
       test::Concat(unpadded, junk),
       {TStreamState::Ended, unpadded.size()},
       whole},
      {"cut in the header", TBytes(w64.begin(), w64.begin() + 10), goesOn, cut},
      {"cut in the data", TBytes(w64.begin(), w64.begin() + size / 2), goesOn, cut},
      {"cut one byte short", TBytes(w64.begin(), w64.end() - 1), goesOn, cut},
      {"riff size 0", test::Concat(WithRiffSize(w64, 0), w64), unknown, none},
      {"riff size all-ones", test::Concat(WithRiffSize(w64, ~uint64_t(0)), w64), unknown, none},
      {"late header, fmt only", WithRiffSize(w64, kDataChunk), unknown, none},
      {"late header, part of the data", WithRiffSize(w64, kDataChunk + 24 + 100), unknown, none},
      {"a chunk of size 0", emptyChunk, unknown, none},
      {"not W64", wav, unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("w64", row.Bytes, 29, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
