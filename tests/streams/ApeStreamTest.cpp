#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

constexpr uint64_t kLag = 11;  // the tags' "LYRICSBEGIN"

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

struct TApeLayout {
  uint16_t Version = 3990;
  uint32_t HeaderBytes = 24;
  uint32_t Frames = 3;
  uint64_t FrameData = 5000;
  uint32_t Trailer = 6;
};

// No Debian encoder writes Monkey's Audio, so the file is built from its published layout: the descriptor
// ("MAC ", version, the parts' sizes, MD5), the header, the seek table, the source file's header, the
// frame data (random here: the unit reads none of it) and the source file's trailer.
TBytes ApeFile(const TApeLayout& l) {
  TBytes ape;
  test::AppendText(ape, "MAC ");
  test::AppendLe(ape, l.Version, 2);
  test::AppendLe(ape, 0, 2);
  test::AppendLe(ape, 52, 4);
  test::AppendLe(ape, l.HeaderBytes, 4);
  test::AppendLe(ape, 4 * l.Frames, 4);
  test::AppendLe(ape, 44, 4);
  test::AppendLe(ape, l.FrameData & 0xFFFFFFFF, 4);
  test::AppendLe(ape, l.FrameData >> 32, 4);
  test::AppendLe(ape, l.Trailer, 4);
  ape.resize(ape.size() + 16, 0x5A);  // MD5
  test::AppendLe(ape, 2000, 2);       // compression level
  test::AppendLe(ape, 0, 2);
  test::AppendLe(ape, 73728, 4);  // blocks per frame
  test::AppendLe(ape, 1000, 4);   // final frame's blocks
  test::AppendLe(ape, l.Frames, 4);
  test::AppendLe(ape, 16, 2);
  test::AppendLe(ape, 2, 2);
  test::AppendLe(ape, 44100, 4);
  for (uint32_t i = 0; i < l.Frames; ++i) test::AppendLe(ape, 52 + 24 + 4 * l.Frames + 44 + 1000 * i, 4);
  test::AppendText(ape, "RIFF");
  ape.resize(ape.size() + 40, 0);
  ape = test::Concat(ape, test::RandomBytes(size_t(std::min<uint64_t>(l.FrameData, 5000)), 1));
  ape.resize(ape.size() + l.Trailer, 0);
  return ape;
}

TBytes ApeTagWithHeader() {
  TBytes tag;
  for (bool header : {true, false}) {
    test::AppendText(tag, "APETAGEX");
    test::AppendLe(tag, 2000, 4);
    test::AppendLe(tag, 32 + 16, 4);
    test::AppendLe(tag, 1, 4);
    test::AppendLe(tag, (1u << 31) | (header ? 1u << 29 : 0), 4);
    test::AppendLe(tag, 0, 8);
    if (header) {
      test::AppendLe(tag, 3, 4);
      test::AppendLe(tag, 0, 4);
      test::AppendText(tag, "Year");
      tag.push_back(0);
      test::AppendText(tag, "202");
    }
  }
  return tag;
}

}  // namespace

TEST(ApeStream, EndsWhereTheDescriptorSays) {
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  const TBytes ape = ApeFile({});
  const TStreamAnswer ended{TStreamState::Ended, ape.size()};
  TBytes id3v1(128, 0);
  std::memcpy(id3v1.data(), "TAG", 3);
  const TBytes tagged = test::Concat(test::Concat(ape, ApeTagWithHeader()), id3v1);
  const test::TStreamCase rows[] = {
      {"whole", ape, goesOn, whole},
      {"junk after", test::Concat(ape, test::RandomBytes(3000, 2)), ended, whole},
      {"itself after", test::Concat(ape, ape), ended, whole},
      {"APEv2 and ID3v1 after", test::Concat(tagged, ape), {TStreamState::Ended, tagged.size()}, whole},
      {"cut in the descriptor", Head(ape, 30), goesOn, cut},
      {"cut in the frames", Head(ape, ape.size() / 2), goesOn, cut},
      {"cut in the trailer", Head(ape, ape.size() - 1), goesOn, cut},
      {"frame data past the bytes", ApeFile({.FrameData = 1ull << 33}), goesOn, cut},
      {"frame data 0", test::Concat(ApeFile({.FrameData = 0}), ape), unknown, none},
      {"frame data all-ones", test::Concat(ApeFile({.FrameData = 0xFFFFFFFF}), ape), unknown, none},
      {"no frames", test::Concat(ApeFile({.Frames = 0}), ape), unknown, none},
      {"a version before the descriptor", test::Concat(ApeFile({.Version = 3970}), ape), unknown, none},
      {"a header too short",
       ApeFile({.HeaderBytes = 8}),
       {TStreamState::Broke, 0},
       {TVerdict::Damaged, TEvidence::Structure}},
      {"not Monkey's Audio", test::SampleAudio("voice-memo.wav"), unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("ape", row.Bytes, 3, row.Answer, row.Verdict, kLag);
  }
}

}  // namespace quillot
