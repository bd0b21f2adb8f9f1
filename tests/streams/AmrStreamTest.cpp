#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// No Debian encoder writes AMR, so the streams are built from the storage format's layout: the magic,
// then frames of a header byte (padding clear, the frame type, the quality bit set) and the frame's bytes.
// The payloads are random; the unit reads only the headers.
TBytes AmrStream(bool wideband, int frames, uint32_t seed) {
  static const uint8_t narrow[] = {13, 14, 16, 18, 20, 21, 27, 32, 6, 0, 0, 0, 0, 0, 0, 1};
  static const uint8_t wide[] = {18, 24, 33, 37, 41, 47, 51, 59, 61, 6, 0, 0, 0, 0, 1, 1};
  const uint8_t* lengths = wideband ? wide : narrow;
  // Speech at two rates, a SID and no-data frames, as a recorder with silence detection writes.
  const int types[] = {7, 7, 7, 5, 8, 15, 15, 7, 0, wideband ? 14 : 4};
  TBytes amr;
  test::AppendText(amr, wideband ? "#!AMR-WB\n" : "#!AMR\n");
  for (int i = 0; i < frames; ++i) {
    int type = types[i % 10];
    if (wideband && type == 8) type = 9;
    amr.push_back(uint8_t(type << 3 | 4));
    TBytes payload = test::RandomBytes(lengths[type] - 1, seed + i);
    amr.insert(amr.end(), payload.begin(), payload.end());
  }
  return amr;
}

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

}  // namespace

TEST(AmrStream, EndsAtTheFirstInvalidHeader) {
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Unproven, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  for (bool wideband : {false, true}) {
    const TBytes amr = AmrStream(wideband, 61, 1);  // ends in a speech frame
    const TStreamAnswer ended{TStreamState::Ended, amr.size()};
    // The first 30 frames are the same in both; 3 bytes into the 31st.
    const size_t inFrame = AmrStream(wideband, 30, 1).size() + 3;
    TBytes reserved = AmrStream(wideband, 30, 2);
    reserved.push_back(uint8_t(12 << 3 | 4));  // a reserved type in both codecs
    const test::TStreamCase rows[] = {
        {"whole", amr, goesOn, whole},
        {"junk after", test::Concat(amr, test::RandomBytes(3000, 3)), ended, whole},
        {"zeros after", test::Concat(amr, TBytes(3000, 0)), ended, whole},
        {"erased flash after", test::Concat(amr, TBytes(3000, 0xFF)), ended, whole},
        {"another file after", test::Concat(amr, test::SampleAudio("voice-memo.wav")), ended, whole},
        {"a reserved frame type", test::Concat(reserved, amr), {TStreamState::Ended, reserved.size() - 1}, whole},
        {"cut in a frame", Head(amr, inFrame), goesOn, cut},
        {"cut one byte short", Head(amr, amr.size() - 1), goesOn, cut},
        {"cut in the magic", Head(amr, 4), goesOn, none},
        {"too few frames, then junk", test::Concat(AmrStream(wideband, 5, 4), TBytes(100, 0)), unknown, none},
        {"not AMR", test::SampleAudio("voice-memo.wav"), unknown, none},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(wideband ? "AMR-WB, " : "AMR-NB, ") + row.Name);
      test::ExpectEveryWay("amr", row.Bytes, 3, row.Answer, row.Verdict, 1);
    }
  }
}

}  // namespace quillot
