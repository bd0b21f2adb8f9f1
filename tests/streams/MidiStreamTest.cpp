#include <gtest/gtest.h>

#include <initializer_list>

#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// Debian has no MIDI file writer among the encoders used here: the files are built from the standard MIDI
// file layout.
void AppendBe(TBytes& bytes, uint64_t v, int size) {
  for (int i = size - 1; i >= 0; --i) bytes.push_back(uint8_t(v >> (8 * i)));
}

void AppendChunk(TBytes& bytes, const char* id, std::initializer_list<uint8_t> body, int64_t size = -1) {
  test::AppendText(bytes, id);
  AppendBe(bytes, size < 0 ? body.size() : uint64_t(size), 4);
  bytes.insert(bytes.end(), body);
}

// A format-1 file of two tracks, a chunk of an unknown type between them when asked; a track size of -1
// means its true size.
TBytes Midi(int tracks, bool otherChunk = false, int64_t secondTrackSize = -1) {
  TBytes midi;
  AppendChunk(midi, "MThd", {0, 1, 0, uint8_t(tracks), 0, 96});
  AppendChunk(midi, "MTrk", {0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, 0, 0xFF, 0x2F, 0});
  if (otherChunk) AppendChunk(midi, "XFIH", {1, 2, 3});
  AppendChunk(midi, "MTrk", {0, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0, 0, 0xFF, 0x2F, 0}, secondTrackSize);
  return midi;
}

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

}  // namespace

TEST(MidiStream, EndsAfterTheTracksItsHeaderCounts) {
  const TBytes midi = Midi(2), other = Midi(2, true), zeros(100, 0);
  const TBytes junk = test::RandomBytes(2000, 6);
  const size_t secondTrack = 14 + 8 + 11;
  const TStreamAnswer goesOn{TStreamState::Continues, 0}, unknown{TStreamState::Unknown, 0};
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, cut{TVerdict::CutShort, TEvidence::Structure},
      damaged{TVerdict::Damaged, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None};
  auto ended = [](const TBytes& file) { return TStreamAnswer{TStreamState::Ended, file.size()}; };
  const test::TStreamCase rows[] = {
      {"whole", midi, ended(midi), whole},
      {"junk after", test::Concat(midi, junk), ended(midi), whole},
      {"itself after", test::Concat(midi, midi), ended(midi), whole},
      {"a chunk of another type between the tracks", test::Concat(other, junk), ended(other), whole},
      {"cut in the header", Head(midi, 10), goesOn, cut},
      {"cut in the second track", Head(midi, secondTrack + 10), goesOn, cut},
      {"cut one byte short", Head(midi, midi.size() - 1), goesOn, cut},
      // A sequencer that stopped early: no tracks counted, or a track never sized.
      {"no tracks counted", test::Concat(Midi(0), junk), unknown, none},
      {"track size all-ones", test::Concat(Midi(2, false, 0xFFFFFFFF), junk), unknown, none},
      {"track size 0", test::Concat(Midi(2, false, 0), junk), unknown, none},
      {"track sized before its events", test::Concat(Midi(2, false, 4), junk), unknown, none},
      {"more tracks counted than follow", test::Concat(Midi(3), zeros), {TStreamState::Broke, midi.size()}, damaged},
      {"not MIDI", test::SampleAudio("chirp.flac"), unknown, none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("midi", row.Bytes, 29, row.Answer, row.Verdict);
  }
}

}  // namespace quillot
