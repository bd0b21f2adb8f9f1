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

namespace {

TBytes From(const TBytes& b, size_t at) { return TBytes(b.begin() + static_cast<ptrdiff_t>(at), b.end()); }

// A file's first piece ends at a cluster boundary inside a block; the other piece comes from elsewhere.
struct TJoin {
  const char* Name;
  const char* File;
  size_t FirstPiece;  // bytes
  bool Sum;           // the file's blocks carry their own sum
};

}  // namespace

TEST(WavPackStream, APieceContinuesTheBlockWhoseSuccessorLandsInPlace) {
  const TBytes other = test::StreamFixture("wavpack", "pieces-other.wv");
  // Past the successor of the block the first piece ends in, mid-group in the four-channel file.
  const TJoin joins[] = {
      {"blocks with sums", "pieces.wv", 5120, true},
      {"blocks without sums", "ffmpeg-m22.wv", 4608, false},
      {"four channels, two blocks a group", "quad.wv", 9216, true},
      {"inside the first block", "pieces.wv", 2048, true},
  };
  for (const TJoin& j : joins) {
    SCOPED_TRACE(j.Name);
    const TBytes wv = test::StreamFixture("wavpack", j.File);
    // The block whose header lies whole in the first piece, and its successor.
    size_t block = 0, successor = 0;
    for (size_t at = 0; at + 32 <= j.FirstPiece; at += Le32(wv, at + 4) + 8) block = at;
    successor = block + Le32(wv, block + 4) + 8;
    ASSERT_GT(successor, j.FirstPiece);
    const TBytes piece = Head(wv, j.FirstPiece);
    const TBytes rest = From(wv, j.FirstPiece);

    // The bytes stopped (a start came), or junk followed and the successor was not in place.
    for (const TBytes& bytes : {piece, test::Concat(piece, test::RandomBytes(70000, 9))}) {
      auto unit = MakeStreamUnit("wavpack");
      const TStreamAnswer answer = unit->Feed(bytes.data(), bytes.size());
      EXPECT_EQ(answer.State, bytes.size() == piece.size() ? TStreamState::Continues : TStreamState::Broke);
      uint64_t at = 0;
      auto restarted = unit->RestartAtBreak(at);
      ASSERT_NE(restarted, nullptr);
      EXPECT_EQ(at, block);
      EXPECT_GE(unit->BrokenPartLength(), successor - block);
      TBytes head = From(bytes, block);
      head.resize(std::min<size_t>(head.size(), unit->BrokenPartLength()));
      const size_t fromHead = j.FirstPiece - block;

      // The right piece: the restarted unit, fed the block put together and the rest, ends where the file does.
      // Without sums, the end is pinned only where a start stopped the bytes.
      const bool stopped = bytes.size() == piece.size();
      EXPECT_EQ(unit->MayResumeWith(head.data(), fromHead, rest.data(), rest.size()), j.Sum || stopped);
      restarted->Feed(head.data(), fromHead);
      restarted->Feed(rest.data(), rest.size());
      EXPECT_EQ(restarted->Close(), (TStreamVerdict{TVerdict::Whole, TEvidence::Structure}));
      EXPECT_GT(restarted->PartsHeld(), unit->PartsHeld());

      const auto resumes = [&](size_t headSize, const TBytes& next) {
        return unit->MayResumeWith(head.data(), headSize, next.data(), next.size());
      };
      const auto changed = [&](size_t at, uint8_t by) {
        TBytes next = rest;
        next[at - j.FirstPiece] ^= by;
        return next;
      };
      // A cluster earlier: foreign bytes before the right piece, the successor at the same medium byte; or a
      // byte of the block's remainder changed. The block's sum tells them, or the end where the bytes stopped.
      if (fromHead >= 512 + 32) {
        EXPECT_FALSE(resumes(fromHead - 512, test::Concat(test::RandomBytes(512, 4), rest)));
      }
      EXPECT_EQ(resumes(fromHead, changed(successor - 8, 0x10)), !j.Sum && stopped);
      // The successor a byte off, or saying another total, sample index or sample rate.
      EXPECT_FALSE(resumes(fromHead, test::Concat(TBytes{0}, rest)));
      EXPECT_FALSE(resumes(fromHead, changed(successor + 12, 1)));
      EXPECT_FALSE(resumes(fromHead, changed(successor + 17, 1)));
      EXPECT_FALSE(resumes(fromHead, changed(successor + 26, 0x80)));
      // The next piece too short to hold the successor's header, another recording, the block's header cut.
      EXPECT_FALSE(resumes(fromHead, Head(rest, successor - j.FirstPiece + 31)));
      EXPECT_FALSE(resumes(fromHead, other));
      EXPECT_FALSE(resumes(31, rest));
    }
  }
  // A stream that ended, or bytes that are no WavPack, have no part to go on with.
  uint64_t at = 0;
  for (const TBytes& bytes : {test::Concat(test::StreamFixture("wavpack", "m44.wv"), TBytes(100, 0xFF)),
                              test::SampleAudio("voice-memo.wav")}) {
    auto unit = MakeStreamUnit("wavpack");
    unit->Feed(bytes.data(), bytes.size());
    EXPECT_EQ(unit->RestartAtBreak(at), nullptr);
  }
}

}  // namespace quillot
