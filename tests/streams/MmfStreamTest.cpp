#include <gtest/gtest.h>

#include <initializer_list>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// No encoder here writes SMAF: the files are built from its published chunk layout (MMMD, then CNTI,
// OPDA and track chunks, then a CRC-16).
void AppendBe32(TBytes& bytes, uint32_t v) {
  for (int shift : {24, 16, 8, 0}) bytes.push_back(uint8_t(v >> shift));
}

void AppendChunk(TBytes& bytes, std::string_view id, size_t bodySize) {
  test::AppendText(bytes, id);
  AppendBe32(bytes, uint32_t(bodySize));
  for (size_t i = 0; i < bodySize; ++i) bytes.push_back(uint8_t(i * 37));
}

// The file with its MMMD size shifted by delta; withTrack adds a score track.
TBytes Mmf(int64_t delta = 0, bool withTrack = true) {
  TBytes body;
  AppendChunk(body, "CNTI", 5);
  AppendChunk(body, "OPDA", 12);
  if (withTrack) AppendChunk(body, std::string_view("MTR\x01", 4), 300);
  TBytes mmf;
  test::AppendText(mmf, "MMMD");
  AppendBe32(mmf, uint32_t(body.size() + 2 + delta));
  mmf = test::Concat(mmf, body);
  mmf.push_back(0x5A);  // the CRC, not checked
  mmf.push_back(0xA5);
  return mmf;
}

TBytes WithSize(TBytes mmf, uint32_t size) {
  for (int i = 0; i < 4; ++i) mmf[4 + i] = uint8_t(size >> (24 - 8 * i));
  return mmf;
}

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

}  // namespace

TEST(MmfStream, EndsWhereItsSizeSaysAndItsChunksReach) {
  const TBytes mmf = Mmf();
  const TBytes junk = test::RandomBytes(2000, 7);
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0},
      ended{TStreamState::Ended, mmf.size()};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  const test::TStreamCase rows[] = {
      {"whole", mmf, ended, whole},
      {"junk after", test::Concat(mmf, junk), ended, whole},
      {"itself after", test::Concat(mmf, mmf), ended, whole},
      {"cut in the header", Head(mmf, 6), goesOn, cut},
      {"cut in the track", Head(mmf, 100), goesOn, cut},
      {"cut in the CRC", Head(mmf, mmf.size() - 1), goesOn, cut},
      {"size 0", test::Concat(WithSize(mmf, 0), junk), unknown, none},
      {"size all-ones", test::Concat(WithSize(mmf, 0xFFFFFFFF), junk), unknown, none},
      {"size written before the track grew", test::Concat(Mmf(-50), junk), unknown, none},
      {"size past the chunks",
       test::Concat(Mmf(1), junk),
       {TStreamState::Broke, mmf.size() - 2},
       {TVerdict::Damaged, TEvidence::Structure}},
      {"no track", test::Concat(Mmf(0, false), junk), unknown, none},
      {"not SMAF", test::SampleAudio("chirp.flac"), unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("mmf", row.Bytes, 31, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
