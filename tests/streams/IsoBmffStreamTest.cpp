#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

TBytes Fixture(const char* name) { return test::StreamFixture("isobmff", name); }

size_t Find(const TBytes& bytes, std::string_view type) {
  auto at = std::search(bytes.begin(), bytes.end(), type.begin(), type.end());
  EXPECT_NE(at, bytes.end()) << type;
  return size_t(at - bytes.begin()) - 4;  // the box's size field
}

void PutBe32(TBytes& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(v >> (24 - 8 * i));
}

TBytes WithBe32(TBytes bytes, size_t at, uint32_t v) {
  PutBe32(bytes, at, v);
  return bytes;
}

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

}  // namespace

TEST(IsoBmffStream, EndsAfterTheLastTopLevelBox) {
  const TBytes last = Fixture("moov-last.m4a"), first = Fixture("moov-first.m4a"), phone = Fixture("phone.3gp"),
               frag = Fixture("fragmented.mp4"), voice = test::SampleAudio("voice.m4a");
  const TBytes junk = test::RandomBytes(3000, 2), zeros(4096, 0);
  const size_t lastMdat = Find(last, "mdat"), lastMoov = Find(last, "moov"), firstMdat = Find(first, "mdat");
  const size_t stco = Find(last, "stco"), stsz = Find(last, "stsz");
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      damaged{TVerdict::Damaged, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None};
  auto ended = [](const TBytes& file) { return TStreamAnswer{TStreamState::Ended, file.size()}; };
  const test::TStreamCase rows[] = {
      // Alone, the end shows only at the close: nothing followed to tell it.
      {"moov last, alone", last, goesOn, whole},
      {"moov last, junk after", test::Concat(last, junk), ended(last), whole},
      {"moov last, free space after", test::Concat(last, zeros), ended(last), whole},
      {"moov first, another file after", test::Concat(first, voice), ended(first), whole},
      {"3gp, itself after", test::Concat(phone, phone), ended(phone), whole},
      {"fragmented, junk after", test::Concat(frag, junk), ended(frag), whole},
      {"sample clip, junk after", test::Concat(voice, junk), ended(voice), whole},
      {"a trailing free box belongs to the file",
       test::Concat(test::Concat(last, TBytes{0, 0, 0, 12, 'f', 'r', 'e', 'e', 1, 2, 3, 4}), junk),
       {TStreamState::Ended, last.size() + 12},
       whole},
      {"cut in the ftyp", Head(last, 12), goesOn, cut},
      {"cut in the mdat", Head(last, lastMdat + 500), goesOn, cut},
      {"cut in the moov", Head(last, lastMoov + 300), goesOn, cut},
      {"cut one byte short", Head(last, last.size() - 1), goesOn, cut},
      {"moov first, cut in the mdat", Head(first, firstMdat + 100), goesOn, cut},
      {"fragmented, cut in a fragment", Head(frag, frag.size() - 200), goesOn, cut},
      // What a recorder that lost power leaves: an mdat whose size was never written, no moov.
      {"mdat size 0", test::Concat(WithBe32(last, lastMdat, 0), junk), unknown, none},
      {"mdat size a placeholder", test::Concat(WithBe32(last, lastMdat, 8), junk), unknown, none},
      {"no moov, junk after the mdat", test::Concat(Head(last, lastMoov), junk), unknown, none},
      {"no moov, free space after the mdat", test::Concat(Head(last, lastMoov), zeros), unknown, none},
      // The moov must describe media inside the mdat.
      {"a chunk offset past the mdat",
       test::Concat(WithBe32(last, stco + 16, uint32_t(lastMoov + 4)), junk),
       {TStreamState::Broke, lastMoov},
       damaged},
      {"a sample larger than the mdat", WithBe32(last, stsz + 20, 100000), goesOn, damaged},
      {"a box of the moov past its parent",
       test::Concat(WithBe32(last, stco, 0x1000), junk),
       {TStreamState::Broke, stco},
       damaged},
      {"a box of the moov of size 0", WithBe32(last, stco, 0), {TStreamState::Broke, stco}, damaged},
      {"not ISO media", test::SampleAudio("chirp.flac"), unknown, none},
      {"ftyp too small for a brand", WithBe32(last, 0, 12), unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("isobmff", row.Bytes, 11, row.Answer, row.Verdict, 8);
  }
}

}  // namespace quillot
