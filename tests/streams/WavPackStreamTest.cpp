#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// One block header after the last block, or the tags' "LYRICSBEGIN".
constexpr uint64_t kLag = 32;

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

uint32_t Le32(const TBytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

// Where each block starts, and where the blocks end.
std::vector<size_t> Blocks(const TBytes& wv) {
  std::vector<size_t> starts;
  size_t at = 0;
  while (at + 32 <= wv.size() && std::memcmp(&wv[at], "wvpk", 4) == 0) {
    starts.push_back(at);
    at += Le32(wv, at + 4) + 8;
  }
  starts.push_back(at);
  return starts;
}

// Every block's total samples rewritten.
TBytes WithTotal(TBytes wv, uint32_t total) {
  const std::vector<size_t> blocks = Blocks(wv);
  for (size_t i = 0; i + 1 < blocks.size(); ++i) test::PutLe32(wv, blocks[i] + 12, total);
  return wv;
}

// A block of no samples (metadata only), as the encoder writes for a source file's trailer.
TBytes MetadataBlock(const TBytes& wv) {
  TBytes block(wv.begin(), wv.begin() + 32);
  test::PutLe32(block, 4, 24 + 8);
  test::PutLe32(block, 16, 0);
  test::PutLe32(block, 20, 0);
  block.resize(40, 0);
  return block;
}

}  // namespace

TEST(WavPackStream, EndsWhenTheSamplesReachTheTotal) {
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None}, damaged{TVerdict::Damaged, TEvidence::Structure};
  for (const char* name : {"m44.wv", "quad.wv", "ffmpeg-m22.wv"}) {
    const TBytes wv = test::StreamFixture("wavpack", name);
    const std::vector<size_t> blocks = Blocks(wv);
    const size_t audioEnd = blocks.back();
    ASSERT_GE(blocks.size(), 2u) << name;
    const TStreamAnswer ended{TStreamState::Ended, wv.size()};
    const TBytes audio = Head(wv, audioEnd);
    const TBytes trailer = test::Concat(audio, MetadataBlock(wv));
    TBytes holed = wv;
    holed[blocks[1]] = 'x';
    const test::TStreamCase rows[] = {
        {"whole", wv, goesOn, whole},
        {"junk after", test::Concat(wv, test::RandomBytes(3000, 1)), ended, whole},
        {"zeros after", test::Concat(wv, TBytes(3000, 0)), ended, whole},
        {"erased flash after", test::Concat(wv, TBytes(3000, 0xFF)), ended, whole},
        {"erased flash after a block of no samples",
         test::Concat(trailer, TBytes(3000, 0xFF)),
         {TStreamState::Ended, trailer.size()},
         whole},
        {"itself after", test::Concat(wv, wv), ended, whole},
        {"a block of no samples after the audio",
         test::Concat(trailer, test::RandomBytes(100, 2)),
         {TStreamState::Ended, trailer.size()},
         whole},
        {"cut in the first block", Head(wv, 100), goesOn, cut},
        {"cut between blocks", Head(wv, blocks[1]), goesOn, cut},
        {"cut one byte short of the audio", Head(wv, audioEnd - 1), goesOn, cut},
        {"a block missing",
         test::Concat(test::Concat(Head(wv, blocks[1]), TBytes(wv.begin() + blocks[2], wv.end())),
                      test::RandomBytes(100, 5)),
         {TStreamState::Broke, blocks[1]},
         damaged},
        {"a block's id broken", holed, {TStreamState::Broke, blocks[1]}, damaged},
        {"junk where a block should be",
         test::Concat(Head(wv, blocks[1]), test::RandomBytes(3000, 3)),
         {TStreamState::Broke, blocks[1]},
         damaged},
        {"total samples unknown", test::Concat(WithTotal(wv, 0xFFFFFFFF), wv), unknown, none},
        {"total samples 0", test::Concat(WithTotal(wv, 0), wv), unknown, none},
        {"a total less than was recorded", test::Concat(WithTotal(wv, 100), test::RandomBytes(100, 4)), unknown, none},
        {"not WavPack", test::SampleAudio("voice-memo.wav"), unknown, none},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(name) + ", " + row.Name);
      test::ExpectEveryWay("wavpack", row.Bytes, 3, row.Answer, row.Verdict, kLag);
    }
  }
}

}  // namespace quillot
