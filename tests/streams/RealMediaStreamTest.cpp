#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// ffmpeg's layout of the fixture: .RMF at 0, PROP at 18, DATA at 241 with its first packet at 259.
constexpr size_t kProperties = 18;
constexpr size_t kData = 241;
constexpr size_t kFirstPacket = 259;

TBytes WithBe(TBytes bytes, size_t at, uint32_t v, int size) {
  for (int i = 0; i < size; ++i) bytes[at + i] = uint8_t(v >> (8 * (size - 1 - i)));
  return bytes;
}

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

}  // namespace

TEST(RealMediaStream, EndsAfterTheLastChunk) {
  const TBytes rm = test::StreamFixture("realmedia", "tune.rm");
  const TBytes unmarked = Head(rm, rm.size() - 8);  // without the eight zeros ffmpeg ends with
  const TBytes junk = test::RandomBytes(3000, 5);
  TBytes oldRa;
  test::AppendText(oldRa, ".ra\xFD");
  oldRa = test::Concat(oldRa, junk);
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      damaged{TVerdict::Damaged, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None};
  auto ended = [](const TBytes& file) { return TStreamAnswer{TStreamState::Ended, file.size()}; };
  ASSERT_EQ(std::string(rm.begin() + kData, rm.begin() + kData + 4), "DATA");
  const test::TStreamCase rows[] = {
      {"whole, with its end marker", rm, ended(rm), whole},
      {"junk after", test::Concat(rm, junk), ended(rm), whole},
      {"itself after", test::Concat(rm, rm), ended(rm), whole},
      {"no end marker, alone", unmarked, goesOn, whole},
      {"no end marker, junk after", test::Concat(unmarked, junk), ended(unmarked), whole},
      {"no end marker, itself after", test::Concat(unmarked, unmarked), ended(unmarked), whole},
      {"cut in the header", Head(rm, 30), goesOn, cut},
      {"cut in a packet", Head(rm, 3000), goesOn, cut},
      {"cut in the last packet", Head(rm, unmarked.size() - 1), goesOn, cut},
      {"a live file counts no packets", test::Concat(WithBe(rm, kData + 10, 0, 4), junk), unknown, none},
      {"an index promised past the end", test::Concat(WithBe(rm, kProperties + 38, 90000, 4), junk), unknown, none},
      {"PROP names another DATA", WithBe(rm, kProperties + 42, 300, 4), {TStreamState::Broke, kProperties}, damaged},
      {"a packet of length 0", WithBe(rm, kFirstPacket + 2, 0, 2), {TStreamState::Broke, kFirstPacket}, damaged},
      {"a chunk of size 0", WithBe(rm, kProperties + 4, 0, 4), {TStreamState::Broke, kProperties}, damaged},
      {"old .ra", oldRa, unknown, none},
      {"not RealMedia", test::SampleAudio("voice.m4a"), unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("realmedia", row.Bytes, 23, row.Answer, row.Verdict, 8);
  }
}

}  // namespace quillot
