#include <gtest/gtest.h>

#include <initializer_list>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

TBytes VoiceMemo() { return test::SampleAudio("voice-memo.wav"); }

TBytes WithRiffSize(TBytes wav, uint32_t size) {
  test::PutLe32(wav, 4, size);
  return wav;
}

// The voice memo rewritten as RF64: ds64 carries the sizes, the data chunk's own size is all-ones.
TBytes AsRf64(uint64_t ds64RiffSize) {
  TBytes wav = VoiceMemo();
  TBytes out;
  test::AppendText(out, "RF64");
  test::AppendLe(out, 0xFFFFFFFF, 4);
  test::AppendText(out, "WAVEds64");
  test::AppendLe(out, 28, 4);
  size_t riffSizeAt = out.size();
  test::AppendLe(out, ds64RiffSize, 8);
  test::AppendLe(out, wav.size() - 44, 8);  // data size
  test::AppendLe(out, (wav.size() - 44) / 2, 8);
  test::AppendLe(out, 0, 4);
  out.insert(out.end(), wav.begin() + 12, wav.begin() + 36);  // fmt
  test::AppendText(out, "data");
  test::AppendLe(out, 0xFFFFFFFF, 4);
  out.insert(out.end(), wav.begin() + 44, wav.end());
  if (ds64RiffSize == 1) {  // 1 asks for the true size
    for (int i = 0; i < 8; ++i) out[riffSizeAt + i] = uint8_t((out.size() - 8) >> (8 * i));
  }
  return out;
}

// The memo with an odd-sized LIST chunk after the data, its pad byte and the RIFF size counting both.
TBytes WithTrailingChunk() {
  TBytes wav = VoiceMemo();
  test::AppendText(wav, "LIST");
  test::AppendLe(wav, 5, 4);
  test::AppendText(wav, "INFOx");
  wav.push_back(0);
  test::PutLe32(wav, 4, uint32_t(wav.size() - 8));
  return wav;
}

// A RIFF form of the given type from its chunks, each padded to even.
TBytes RiffForm(std::string_view form, std::initializer_list<std::pair<std::string_view, TBytes>> chunks) {
  TBytes riff;
  test::AppendText(riff, "RIFF");
  test::AppendLe(riff, 0, 4);
  test::AppendText(riff, form);
  for (const auto& [id, body] : chunks) {
    test::AppendText(riff, id);
    test::AppendLe(riff, body.size(), 4);
    riff = test::Concat(riff, body);
    if (body.size() % 2) riff.push_back(0);
  }
  test::PutLe32(riff, 4, uint32_t(riff.size() - 8));
  return riff;
}

// No encoder here writes QCP: built from its published layout, a "QLCM" form holding "fmt " (150 bytes:
// codec GUID, rates, packet sizes), "vrat" (variable rate, packet count) and "data" of codec packets.
TBytes Qcp() {
  return RiffForm("QLCM",
                  {{"fmt ", test::RandomBytes(150, 20)}, {"vrat", TBytes(8, 1)}, {"data", test::RandomBytes(701, 21)}});
}

// No writer here either for RIFF MIDI: an "RMID" form whose "data" chunk holds a standard MIDI file.
TBytes Rmid() {
  TBytes midi;
  test::AppendText(midi, "MThd");
  midi.insert(midi.end(), {0, 0, 0, 6, 0, 0, 0, 1, 0, 96});
  test::AppendText(midi, "MTrk");
  midi.insert(midi.end(), {0, 0, 0, 4, 0, 0xFF, 0x2F, 0});
  return RiffForm("RMID", {{"data", midi}});
}

}  // namespace

TEST(RiffStream, EndsToTheByteAndJudgesTheFile) {
  const TBytes wav = VoiceMemo();
  const uint64_t size = wav.size();
  const TBytes rf64 = AsRf64(1);
  const TBytes listed = WithTrailingChunk();
  const TBytes qcp = Qcp(), rmid = Rmid();
  TBytes notPrintable = wav;
  notPrintable[36] = 0x01;  // the data chunk's id
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      none{TVerdict::Unknown, TEvidence::None};
  const test::TStreamCase rows[] = {
      {"whole", wav, {TStreamState::Ended, size}, whole},
      {"junk after", test::Concat(wav, test::RandomBytes(5000, 1)), {TStreamState::Ended, size}, whole},
      {"another file after", test::Concat(wav, test::SampleAudio("chirp.flac")), {TStreamState::Ended, size}, whole},
      {"itself after", test::Concat(wav, wav), {TStreamState::Ended, size}, whole},
      {"chunk after the data, padded", test::Concat(listed, wav), {TStreamState::Ended, listed.size()}, whole},
      {"RF64", test::Concat(rf64, wav), {TStreamState::Ended, rf64.size()}, whole},
      {"cut in the header", TBytes(wav.begin(), wav.begin() + 10), goesOn, cut},
      {"cut in the data", TBytes(wav.begin(), wav.begin() + size / 2), goesOn, cut},
      {"cut one byte short", TBytes(wav.begin(), wav.end() - 1), goesOn, cut},
      {"RF64 cut", TBytes(rf64.begin(), rf64.begin() + 70), goesOn, cut},
      // Placeholders and sizes too small for what was recorded never end the stream.
      {"RIFF size 0", test::Concat(WithRiffSize(wav, 0), wav), unknown, none},
      {"RIFF size all-ones", test::Concat(WithRiffSize(wav, 0xFFFFFFFF), wav), unknown, none},
      {"RF64 ds64 size 0", test::Concat(AsRf64(0), wav), unknown, none},
      {"RF64 ds64 size all-ones", test::Concat(AsRf64(~uint64_t(0)), wav), unknown, none},
      {"late header, part of the data", WithRiffSize(wav, 4 + 24 + 8 + 100), unknown, none},
      {"late header, fmt only", WithRiffSize(wav, 4 + 24), unknown, none},
      {"a chunk id not printable", notPrintable, {TStreamState::Broke, 36}, {TVerdict::Damaged, TEvidence::Structure}},
      {"QCP", test::Concat(qcp, wav), {TStreamState::Ended, qcp.size()}, whole},
      {"QCP cut in its data", TBytes(qcp.begin(), qcp.end() - 300), goesOn, cut},
      {"RMID", test::Concat(rmid, test::RandomBytes(500, 22)), {TStreamState::Ended, rmid.size()}, whole},
      {"not RIFF", test::SampleAudio("chirp.flac"), unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("riff", row.Bytes, 7, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
