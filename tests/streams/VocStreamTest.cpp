#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

constexpr size_t kFirstBlock = 26;

TBytes WithFirstBlockSize(TBytes voc, uint32_t size) {
  for (int i = 0; i < 3; ++i) voc[kFirstBlock + 1 + i] = uint8_t(size >> (8 * i));
  return voc;
}

}  // namespace

TEST(VocStream, EndsToTheByteAndJudgesTheFile) {
  const TBytes voc = test::StreamFixture("voc", "m8.voc"), blocks = test::StreamFixture("voc", "m8-ffmpeg.voc");
  const uint64_t size = voc.size();
  const TBytes junk = test::RandomBytes(3000, 9), wav = test::SampleAudio("voice-memo.wav");
  const TBytes noTerminator(voc.begin(), voc.end() - 1);
  TBytes badCheck = voc;
  badCheck[24] ^= 0x01;
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0},
      ended{TStreamState::Ended, size};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      broken{TVerdict::Damaged, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None};
  const test::TStreamCase rows[] = {
      {"whole", voc, ended, whole},
      {"junk after", test::Concat(voc, junk), ended, whole},
      {"another file after", test::Concat(voc, wav), ended, whole},
      {"itself after", test::Concat(voc, voc), ended, whole},
      {"typed and continuation blocks", test::Concat(blocks, junk), {TStreamState::Ended, blocks.size()}, whole},
      {"cut in the header", TBytes(voc.begin(), voc.begin() + 10), goesOn, cut},
      {"cut in the sound", TBytes(voc.begin(), voc.begin() + size / 2), goesOn, cut},
      {"cut before the terminator", noTerminator, goesOn, cut},
      {"cut in a continuation block", TBytes(blocks.begin(), blocks.begin() + 5000), goesOn, cut},
      {"no terminator, another file after", test::Concat(noTerminator, wav), {TStreamState::Broke, size - 1}, broken},
      {"check word wrong", test::Concat(badCheck, junk), {TStreamState::Broke, 0}, broken},
      {"sound block size 0", test::Concat(WithFirstBlockSize(voc, 0), junk), unknown, none},
      {"not VOC", wav, unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("voc", row.Bytes, 37, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
