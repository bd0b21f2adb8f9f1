#include <gtest/gtest.h>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

TBytes WithFormSize(TBytes form, uint64_t size, int bytes = 4) {
  test::PutBe(form, 4, size, bytes);
  return form;
}

void AppendChunk(TBytes& bytes, std::string_view id, const TBytes& body, int sizeBytes) {
  test::AppendText(bytes, id);
  test::AppendBe(bytes, body.size(), sizeBytes);
  bytes.insert(bytes.end(), body.begin(), body.end());
  if (body.size() % 2) bytes.push_back(0);
}

// The AIFF sample with an odd-sized annotation after the sound, its pad byte and the FORM size counting both.
TBytes WithTrailingChunk(TBytes aiff) {
  AppendChunk(aiff, "ANNO", TBytes{'h', 'i', '!'}, 4);
  test::PutBe(aiff, 4, aiff.size() - 8, 4);
  return aiff;
}

// No encoder here writes DSDIFF: built from the published layout. FRM8, a 64-bit size and the form type
// "DSD ", then the version chunk, the properties (sample rate) and the sound, odd-sized to need its pad.
TBytes Dsdiff(std::string_view soundId = "DSD ", size_t soundSize = 4001) {
  TBytes chunks;
  AppendChunk(chunks, "FVER", TBytes{1, 5, 0, 0}, 8);
  TBytes prop;
  test::AppendText(prop, "SND ");
  AppendChunk(prop, "FS  ", TBytes{0, 0x2B, 0x11, 0}, 8);
  AppendChunk(chunks, "PROP", prop, 8);
  AppendChunk(chunks, soundId, test::RandomBytes(soundSize, 8), 8);
  TBytes dff;
  test::AppendText(dff, "FRM8");
  test::AppendBe(dff, 4 + chunks.size(), 8);
  test::AppendText(dff, "DSD ");
  return test::Concat(dff, chunks);
}

}  // namespace

TEST(FormStream, EndsToTheByteAndJudgesTheFile) {
  const TBytes aiff = test::SampleAudio("chirp.aiff");
  const TBytes aifc = test::StreamFixture("iff", "m8.aifc"), svx = test::StreamFixture("iff", "m8.8svx");
  const TBytes junk = test::RandomBytes(3000, 5), wav = test::SampleAudio("voice-memo.wav");
  const uint64_t size = aiff.size();
  const TBytes annotated = WithTrailingChunk(aiff);
  TBytes notPrintable = aiff;
  notPrintable[46] = 0x01;  // the COMM chunk's id
  const TBytes dff = Dsdiff(), dst = Dsdiff("DST ", 300);
  TBytes dffNoSound = Dsdiff("DIIN", 10);
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  const struct {
    const char* Unit;
    test::TStreamCase Case;
  } rows[] = {
      {"iff", {"AIFF", aiff, {TStreamState::Ended, size}, whole}},
      {"iff", {"AIFF, junk after", test::Concat(aiff, junk), {TStreamState::Ended, size}, whole}},
      {"iff", {"AIFF, another file after", test::Concat(aiff, wav), {TStreamState::Ended, size}, whole}},
      {"iff", {"AIFF, itself after", test::Concat(aiff, aiff), {TStreamState::Ended, size}, whole}},
      {"iff", {"AIFF-C", test::Concat(aifc, junk), {TStreamState::Ended, aifc.size()}, whole}},
      {"iff", {"8SVX", test::Concat(svx, wav), {TStreamState::Ended, svx.size()}, whole}},
      {"iff",
       {"a padded chunk after the sound",
        test::Concat(annotated, junk),
        {TStreamState::Ended, annotated.size()},
        whole}},
      {"iff", {"cut in the header", TBytes(aiff.begin(), aiff.begin() + 10), goesOn, cut}},
      {"iff", {"cut in the sound", TBytes(aiff.begin(), aiff.begin() + size / 2), goesOn, cut}},
      {"iff", {"cut one byte short", TBytes(aiff.begin(), aiff.end() - 1), goesOn, cut}},
      // Placeholders and sizes too small for what was recorded never end the stream.
      {"iff", {"FORM size 0", test::Concat(WithFormSize(aiff, 0), aiff), unknown, none}},
      {"iff", {"FORM size all-ones", test::Concat(WithFormSize(aiff, 0xFFFFFFFF), aiff), unknown, none}},
      {"iff", {"late header, no sound within", WithFormSize(aiff, 4 + 34 + 26), unknown, none}},
      {"iff", {"late header, part of the sound", WithFormSize(aiff, 4 + 34 + 26 + 8 + 100), unknown, none}},
      {"iff",
       {"a chunk id not printable",
        notPrintable,
        {TStreamState::Broke, 46},
        {TVerdict::Damaged, TEvidence::Structure}}},
      {"iff", {"not IFF", wav, unknown, none}},
      {"dff", {"DSDIFF", test::Concat(dff, junk), {TStreamState::Ended, dff.size()}, whole}},
      {"dff", {"DSDIFF, DST sound", test::Concat(dst, dff), {TStreamState::Ended, dst.size()}, whole}},
      {"dff", {"DSDIFF cut in the sound", TBytes(dff.begin(), dff.end() - 100), goesOn, cut}},
      {"dff", {"DSDIFF cut in its pad byte", TBytes(dff.begin(), dff.end() - 1), goesOn, cut}},
      {"dff", {"DSDIFF size 0", test::Concat(WithFormSize(dff, 0, 8), junk), unknown, none}},
      {"dff", {"DSDIFF size all-ones", test::Concat(WithFormSize(dff, ~uint64_t(0), 8), junk), unknown, none}},
      {"dff", {"DSDIFF without sound", test::Concat(dffNoSound, junk), unknown, none}},
      {"dff", {"an IFF is no DSDIFF", aiff, unknown, none}},
  };
  for (const auto& [unit, row] : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay(unit, row.Bytes, 19, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
