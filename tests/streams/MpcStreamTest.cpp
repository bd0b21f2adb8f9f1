#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

constexpr uint64_t kLag = 11;  // the tags' "LYRICSBEGIN"

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

// Where each packet starts after the magic, by the sizes.
std::vector<size_t> Packets(const TBytes& mpc) {
  std::vector<size_t> starts;
  size_t at = 4;
  while (at + 3 <= mpc.size() && mpc[at] >= 'A' && mpc[at] <= 'Z') {
    starts.push_back(at);
    size_t size = 0, i = at + 2;
    do size = size << 7 | (mpc[i] & 0x7F);
    while (mpc[i++] & 0x80);
    if (mpc[at] == 'S' && mpc[at + 1] == 'E') break;
    at += size;
  }
  return starts;
}

}  // namespace

TEST(MpcStream, EndsAfterTheStreamEndPacketAndItsTags) {
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  for (const char* name : {"m44.mpc", "s44-tagged.mpc"}) {
    const TBytes mpc = test::StreamFixture("mpc", name);
    const std::vector<size_t> packets = Packets(mpc);
    ASSERT_GE(packets.size(), 4u) << name;
    const size_t streamEnd = packets.back() + 3;
    const TStreamAnswer ended{TStreamState::Ended, mpc.size()};
    TBytes badHeader = mpc;
    badHeader[packets[0] + 9] ^= 1;  // inside the stream header, under its CRC-32
    TBytes badKey = mpc;
    badKey[packets[2]] = 'a';
    const test::TStreamCase rows[] = {
        {"whole", mpc, goesOn, whole},
        {"junk after", test::Concat(mpc, test::RandomBytes(3000, 1)), ended, whole},
        {"zeros after", test::Concat(mpc, TBytes(3000, 0)), ended, whole},
        {"itself after", test::Concat(mpc, mpc), ended, whole},
        {"cut in the stream header", Head(mpc, 8), goesOn, cut},
        {"cut in the audio", Head(mpc, packets[3] + 50), goesOn, cut},
        {"cut before the stream end", Head(mpc, packets.back()), goesOn, cut},
        {"cut in the tags", Head(mpc, (streamEnd + mpc.size()) / 2), goesOn, streamEnd == mpc.size() ? whole : cut},
        {"the stream header changed", badHeader, {TStreamState::Broke, 4}, {TVerdict::Damaged, TEvidence::Checksums}},
        {"a packet's key broken", badKey, {TStreamState::Broke, packets[2]}, {TVerdict::Damaged, TEvidence::Structure}},
        {"no stream end, junk after",
         test::Concat(Head(mpc, packets.back()), test::RandomBytes(300, 2)),
         {TStreamState::Broke, packets.back()},
         {TVerdict::Damaged, TEvidence::Structure}},
        {"SV7", test::Concat(TBytes{'M', 'P', '+', 0x17}, test::RandomBytes(3000, 3)), unknown, none},
        {"not Musepack", test::SampleAudio("voice-memo.wav"), unknown, none},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(name) + ", " + row.Name);
      test::ExpectEveryWay("mpc", row.Bytes, 3, row.Answer, row.Verdict, kLag);
    }
  }
}

}  // namespace quillot
