#include <gtest/gtest.h>

#include "streams/Crc.h"
#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// The tags' end is known once the bytes after it begin no tag: at most "LYRICSBEGIN".
constexpr uint64_t kLag = 11;

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

uint32_t Le32(const TBytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

// The header's total samples rewritten, with its CRC-32 to match.
TBytes WithTotal(TBytes tta, uint32_t total) {
  test::PutLe32(tta, 14, total);
  test::PutLe32(tta, 18, Crc32Reflected(0, tta.data(), 18));
  return tta;
}

}  // namespace

TEST(TtaStream, EndsAfterTheLastFrameAndItsTags) {
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Checksums}, cut{TVerdict::CutShort, TEvidence::Checksums},
      none{TVerdict::Unknown, TEvidence::None};
  for (const char* name : {"m22.tta", "m8-three-frames.tta"}) {
    const TBytes tta = test::StreamFixture("tta", name);
    const TStreamAnswer ended{TStreamState::Ended, tta.size()};
    const size_t firstFrame = 22 + 4 + 4 * (std::string(name) == "m22.tta" ? 1 : 3);
    const size_t secondFrame = firstFrame + Le32(tta, 22);
    size_t audioEnd = firstFrame;
    for (size_t at = 22; at < firstFrame - 4; at += 4) audioEnd += Le32(tta, at);
    const bool oneFrame = audioEnd == secondFrame;
    TBytes zeroTable = tta;
    std::fill(zeroTable.begin() + 22, zeroTable.begin() + firstFrame, 0);
    const test::TStreamCase rows[] = {
        {"whole", tta, goesOn, whole},
        {"junk after", test::Concat(tta, test::RandomBytes(3000, 1)), ended, whole},
        {"zeros after", test::Concat(tta, TBytes(3000, 0)), ended, whole},
        {"itself after", test::Concat(tta, tta), ended, whole},
        {"cut in the seek table", Head(tta, 25), goesOn, {TVerdict::CutShort, TEvidence::Structure}},
        {"cut in the first frame", Head(tta, firstFrame + 100), goesOn, {TVerdict::CutShort, TEvidence::Structure}},
        {"cut in the first frame's CRC",
         Head(tta, secondFrame - 1),
         goesOn,
         {TVerdict::CutShort, TEvidence::Structure}},
        {"cut one byte short of the last frame", Head(tta, audioEnd - 1), goesOn,
         oneFrame ? TStreamVerdict{TVerdict::CutShort, TEvidence::Structure} : cut},
        {"total samples 0", test::Concat(WithTotal(tta, 0), tta), unknown, none},
        {"total samples all-ones", test::Concat(WithTotal(tta, 0xFFFFFFFF), tta), unknown, none},
        {"a changed byte in the header",
         [&] {
           TBytes b = tta;
           b[9] ^= 1;
           return b;
         }(),
         {TStreamState::Broke, 0},
         {TVerdict::Damaged, TEvidence::Checksums}},
        {"a changed byte in the seek table",
         [&] {
           TBytes b = tta;
           b[23] ^= 1;
           return b;
         }(),
         {TStreamState::Broke, 22},
         {TVerdict::Damaged, TEvidence::Checksums}},
        {"a changed byte in the first frame",
         [&] {
           TBytes b = tta;
           b[firstFrame + 50] ^= 1;
           return b;
         }(),
         {TStreamState::Broke, firstFrame},
         {TVerdict::Damaged, TEvidence::Checksums}},
        {"a changed byte in the first frame's CRC",
         [&] {
           TBytes b = tta;
           b[secondFrame - 2] ^= 1;
           return b;
         }(),
         {TStreamState::Broke, firstFrame},
         {TVerdict::Damaged, TEvidence::Checksums}},
        {"a changed byte in the last frame",
         [&] {
           TBytes b = tta;
           b[audioEnd - 9] ^= 1;
           return b;
         }(),
         {TStreamState::Broke, oneFrame ? firstFrame : audioEnd - Le32(tta, firstFrame - 8)},
         {TVerdict::Damaged, TEvidence::Checksums}},
        {"a seek table left as zeros", test::Concat(zeroTable, tta), unknown, none},
        {"not TTA", test::SampleAudio("voice-memo.wav"), unknown, none},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(name) + ", " + row.Name);
      test::ExpectEveryWay("tta", row.Bytes, 3, row.Answer, row.Verdict, kLag);
      // Without checksums the frames' CRC-32s go unread: the same ends, on the structure.
      if (std::string(row.Name).find("changed") != std::string::npos) continue;
      TStreamVerdict structure = row.Verdict;
      if (structure.Evidence == TEvidence::Checksums) structure.Evidence = TEvidence::Structure;
      test::ExpectEveryWay("tta", row.Bytes, 3, row.Answer, structure, kLag, false);
    }
  }
}

}  // namespace quillot
