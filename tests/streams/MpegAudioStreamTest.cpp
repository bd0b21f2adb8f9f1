#include <gtest/gtest.h>

#include "streams/Crc.h"
#include "streams/MpegAudioStream.h"
#include "support/StreamFeed.h"

namespace quillot {

using test::TBytes;

namespace {

// The most bytes past its end the unit reads before it answers, in these files: the head of a frame of
// the stream that follows a full count.
constexpr uint64_t kLag = 56;

TBytes Fixture(const char* name) { return test::StreamFixture("mpeg-audio", name); }

TBytes Head(const TBytes& bytes, size_t size) { return TBytes(bytes.begin(), bytes.begin() + size); }

size_t Id3v2Size(const TBytes& bytes) {
  if (bytes[0] != 'I') return 0;
  return 10 + (size_t(bytes[6]) << 21 | bytes[7] << 14 | bytes[8] << 7 | bytes[9]);
}

// Where each frame of the chain starts, by the headers' lengths.
std::vector<size_t> FrameStarts(const TBytes& bytes) {
  std::vector<size_t> starts;
  size_t at = Id3v2Size(bytes);
  while (at < bytes.size() && bytes[at] == 0) ++at;
  TMpegFrameHeader h;
  while (at + 4 <= bytes.size() && ParseMpegFrameHeader(&bytes[at], h) && at + h.Length <= bytes.size()) {
    starts.push_back(at);
    at += h.Length;
  }
  return starts;
}

// The first frame's Xing/Info frame count, rewritten.
TBytes WithXingCount(TBytes mp3, uint32_t count) {
  for (size_t at = 0; at + 12 < 200; ++at)
    if (std::memcmp(&mp3[at], "Info", 4) == 0 || std::memcmp(&mp3[at], "Xing", 4) == 0) {
      for (int i = 0; i < 4; ++i) mp3[at + 8 + i] = uint8_t(count >> (24 - 8 * i));
      return mp3;
    }
  ADD_FAILURE() << "no Xing header";
  return mp3;
}

// The first frame's Info header rewritten as Fraunhofer's VBRI (at 36 in an MPEG-1 stereo frame):
// version, delay, quality, bytes, then the frame count.
TBytes AsVbri(TBytes mp3, uint32_t count) {
  const uint8_t vbri[18] = {'V',
                            'B',
                            'R',
                            'I',
                            0,
                            1,
                            0,
                            0,
                            0,
                            50,
                            0,
                            0,
                            0,
                            0,
                            uint8_t(count >> 24),
                            uint8_t(count >> 16),
                            uint8_t(count >> 8),
                            uint8_t(count)};
  std::copy(std::begin(vbri), std::end(vbri), mp3.begin() + 36);
  return mp3;
}

TBytes ApeTag(bool withHeader) {
  TBytes items;
  test::AppendLe(items, 5, 4);
  test::AppendLe(items, 0, 4);
  test::AppendText(items, std::string_view("Title\0Quill", 11));
  test::AppendLe(items, 3, 4);
  test::AppendLe(items, 0, 4);
  test::AppendText(items, "Year");
  items.push_back(0);
  test::AppendText(items, "202");
  auto head = [&](bool header) {
    TBytes h;
    test::AppendText(h, "APETAGEX");
    test::AppendLe(h, 2000, 4);
    test::AppendLe(h, items.size() + 32, 4);
    test::AppendLe(h, 2, 4);
    test::AppendLe(h, (withHeader ? 1u << 31 : 0) | (header ? 1u << 29 : 0), 4);
    test::AppendLe(h, 0, 8);
    return h;
  };
  TBytes tag = withHeader ? head(true) : TBytes{};
  return test::Concat(test::Concat(tag, items), head(false));
}

TBytes Lyrics3() {
  TBytes tag;
  test::AppendText(tag,
                   "LYRICSBEGININD00002"
                   "10LYR00005hello");
  test::AppendText(tag, std::to_string(1000000 + tag.size()).substr(1));
  test::AppendText(tag, "LYRICS200");
  return tag;
}

TBytes Id3v1() {
  TBytes tag(128, 0);
  std::memcpy(tag.data(), "TAGTitle", 8);
  return tag;
}

// No Debian encoder writes Layer I, so its frames are built from the layout: MPEG-1 Layer I, 448 kbit/s at
// 48 kHz, mono: (12 * 448000 / 48000) * 4 = 448 bytes. A protected frame carries the CRC-16 of the header's
// last two bytes and the 32 four-bit allocations after it.
// An ID3v2.4 tag of 16 bytes of padding.
TBytes Id3v2() {
  TBytes tag{'I', 'D', '3', 4, 0, 0, 0, 0, 0, 16};
  tag.resize(tag.size() + 16, 0);
  return tag;
}

TBytes LayerOne(int frames, bool protectedFrames) {
  TBytes stream;
  for (int i = 0; i < frames; ++i) {
    TBytes frame = test::RandomBytes(448, 100 + i);
    frame[0] = 0xFF;
    frame[1] = protectedFrames ? 0xFE : 0xFF;
    frame[2] = 0xE4;
    frame[3] = 0xC0;
    if (protectedFrames) {
      uint16_t crc = Crc16(Crc16(0xFFFF, &frame[2], 2), &frame[6], 16);
      frame[4] = uint8_t(crc >> 8);
      frame[5] = uint8_t(crc);
    }
    stream = test::Concat(stream, frame);
  }
  return stream;
}

}  // namespace

// Layer I frames chained by their length, each protected one checked over its bit allocation only.
TEST(MpegAudioStream, LayerOneFromTheLayout) {
  const TBytes plain = LayerOne(12, false), crc = LayerOne(12, true);
  TBytes badAllocation = crc, badSample = crc;
  badAllocation[448 * 5 + 6 + 15] ^= 0x01;  // the last allocation bits of frame 5
  badSample[448 * 5 + 6 + 16] ^= 0x01;      // the first bit after them, not covered
  const TBytes junk = test::RandomBytes(700, 9);
  const TStreamAnswer ended{TStreamState::Ended, 448 * 12};
  const test::TStreamCase rows[] = {
      {"unprotected", test::Concat(plain, junk), ended, {TVerdict::Unproven, TEvidence::Structure}},
      {"protected", test::Concat(crc, junk), ended, {TVerdict::Unproven, TEvidence::Checksums}},
      {"an allocation changed",
       test::Concat(badAllocation, junk),
       {TStreamState::Broke, 448 * 5},
       {TVerdict::Damaged, TEvidence::Checksums}},
      {"a sample changed", test::Concat(badSample, junk), ended, {TVerdict::Unproven, TEvidence::Checksums}},
      {"too few frames",
       test::Concat(LayerOne(5, true), junk),
       {TStreamState::Unknown, 0},
       {TVerdict::Unknown, TEvidence::None}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("mpeg-audio", row.Bytes, 15, row.Answer, row.Verdict, kLag);
  }
}

// Every fixture whole, followed, cut and tagged; the chain's end to the byte.
TEST(MpegAudioStream, EndsToTheByteAndJudgesTheFile) {
  struct TFile {
    const char* Name;
    TBytes Bytes;
    TEvidence Evidence;
    bool Counted;  // a Xing/Info frame proves its start and its end; else frames alone, proving neither
  } files[] = {
      {"field-tune.mp3", test::SampleAudio("field-tune.mp3"), TEvidence::Structure, true},
      {"reminder.mp3", test::SampleAudio("reminder.mp3"), TEvidence::Structure, true},
      {"cbr.mp3", Fixture("cbr.mp3"), TEvidence::Structure, true},
      {"vbr.mp3", Fixture("vbr.mp3"), TEvidence::Structure, true},
      {"crc-mono.mp3", Fixture("crc-mono.mp3"), TEvidence::Checksums, true},
      {"mpeg2.mp3", Fixture("mpeg2.mp3"), TEvidence::Structure, false},
      {"mpeg25.mp3", Fixture("mpeg25.mp3"), TEvidence::Structure, false},
      {"no-info-crc.mp3", Fixture("no-info-crc.mp3"), TEvidence::Checksums, false},
      {"tags.mp3", Fixture("tags.mp3"), TEvidence::Structure, true},
      {"id3-padded.mp3", Fixture("id3-padded.mp3"), TEvidence::Structure, true},
      {"layer2.mp2", Fixture("layer2.mp2"), TEvidence::Structure, false},
      {"layer2-crc.mp2", Fixture("layer2-crc.mp2"), TEvidence::Checksums, false},
      {"layer2-mpeg2-crc.mp2", Fixture("layer2-mpeg2-crc.mp2"), TEvidence::Checksums, false},
      {"layer2-low-crc.mp2", Fixture("layer2-low-crc.mp2"), TEvidence::Checksums, false},
      {"ffmpeg.mp2", Fixture("ffmpeg.mp2"), TEvidence::Structure, false},
  };
  const TStreamAnswer goesOn{TStreamState::Continues, 0};
  for (const TFile& file : files) {
    const TBytes& bytes = file.Bytes;
    const uint64_t size = bytes.size();
    const TStreamAnswer ended{TStreamState::Ended, size};
    const TStreamVerdict whole{file.Counted ? TVerdict::Whole : TVerdict::Unproven, file.Evidence},
        cut{TVerdict::CutShort, file.Evidence};
    // A file that ends in ID3v1 ends there; any other waits for what follows its last frame.
    const bool lastIsId3v1 = std::memcmp(&bytes[size - 128], "TAG", 3) == 0;
    const std::vector<size_t> frames = FrameStarts(bytes);
    ASSERT_GE(frames.size(), TMpegAudioStream::kMinFrames) << file.Name;
    // Tags in their usual order, before the ID3v1 tag where the file has one.
    const TBytes audio = Head(bytes, lastIsId3v1 ? size - 128 : size);
    const TBytes id3v1 = lastIsId3v1 ? TBytes(bytes.end() - 128, bytes.end()) : Id3v1();
    const TBytes tagged = test::Concat(test::Concat(test::Concat(audio, ApeTag(true)), Lyrics3()), id3v1);
    const TBytes footerTagged = test::Concat(audio, ApeTag(false));
    const test::TStreamCase rows[] = {
        {"whole", bytes, lastIsId3v1 ? ended : goesOn, whole},
        {"junk after", test::Concat(bytes, test::RandomBytes(5000, 2)), ended, whole},
        {"zeros after", test::Concat(bytes, TBytes(3000, 0)), ended, whole},
        {"another file after", test::Concat(bytes, test::SampleAudio("voice-memo.wav")), ended, whole},
        {"a tagged file after", test::Concat(bytes, test::SampleAudio("field-tune.mp3")), ended, whole},
        {"cut in the second frame", Head(bytes, frames[1] + 10), goesOn, cut},
        {"cut in the frames", Head(bytes, frames[frames.size() / 2] + 5), goesOn, cut},
        {"cut one byte short", Head(bytes, size - 1), goesOn, cut},
        {"APEv2 with a header and Lyrics3v2 after",
         test::Concat(tagged, test::RandomBytes(300, 3)),
         {TStreamState::Ended, tagged.size()},
         whole},
        {"APEv2 with only a footer after",
         test::Concat(footerTagged, test::RandomBytes(300, 4)),
         {TStreamState::Ended, footerTagged.size()},
         whole},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(file.Name) + ", " + row.Name);
      test::ExpectEveryWay("mpeg-audio", row.Bytes, 5, row.Answer, row.Verdict, kLag);
    }
  }
}

// The Xing/Info count decides: whole at the count (or, without one, where tags prove both ends), damaged when the chain
// stops short of it, and a count of zero or one below what was recorded never ends the stream.
TEST(MpegAudioStream, TheFrameCountDecides) {
  const TBytes reminder = test::SampleAudio("reminder.mp3");
  const TBytes cbr = Fixture("cbr.mp3");
  const std::vector<size_t> frames = FrameStarts(cbr);
  const TBytes junk = test::RandomBytes(4000, 6);
  // A frame's header cleared: the chain stops there with the count unmet.
  TBytes holed = cbr;
  holed[frames[10]] = 0;
  const TStreamVerdict whole{TVerdict::Whole, TEvidence::Structure}, none{TVerdict::Unknown, TEvidence::None},
      unproven{TVerdict::Unproven, TEvidence::Structure};
  const TBytes mpeg2 = Fixture("mpeg2.mp3");
  const test::TStreamCase rows[] = {
      {"itself after", test::Concat(reminder, reminder), {TStreamState::Ended, reminder.size()}, whole},
      {"a frame header cleared", holed, {TStreamState::Broke, frames[10]}, {TVerdict::Damaged, TEvidence::Structure}},
      {"stops at a frame's end short of the count",
       test::Concat(Head(cbr, frames[20]), junk),
       {TStreamState::Broke, frames[20]},
       {TVerdict::Damaged, TEvidence::Structure}},
      {"VBRI counting the frames after it",
       test::Concat(AsVbri(cbr, uint32_t(frames.size()) - 1), junk),
       {TStreamState::Ended, cbr.size()},
       whole},
      {"VBRI counting itself too",
       test::Concat(AsVbri(cbr, uint32_t(frames.size())), junk),
       {TStreamState::Ended, cbr.size()},
       whole},
      {"VBRI counting more",
       test::Concat(AsVbri(cbr, uint32_t(frames.size()) + 1), junk),
       {TStreamState::Broke, cbr.size()},
       {TVerdict::Damaged, TEvidence::Structure}},
      // Without a count, the tags that only a file's first byte and its audio's end carry prove both.
      {"ID3v2 before and ID3v1 after a chain with no count",
       test::Concat(test::Concat(test::Concat(Id3v2(), mpeg2), Id3v1()), junk),
       {TStreamState::Ended, Id3v2().size() + mpeg2.size() + 128},
       whole},
      {"only ID3v2 before it",
       test::Concat(test::Concat(Id3v2(), mpeg2), junk),
       {TStreamState::Ended, Id3v2().size() + mpeg2.size()},
       unproven},
      {"only ID3v1 after it",
       test::Concat(test::Concat(mpeg2, Id3v1()), junk),
       {TStreamState::Ended, mpeg2.size() + 128},
       unproven},
      {"count zero: the chain decides",
       test::Concat(WithXingCount(cbr, 0), junk),
       {TStreamState::Ended, cbr.size()},
       unproven},
      {"count short of the frames",
       test::Concat(WithXingCount(cbr, uint32_t(frames.size()) - 2), junk),
       {TStreamState::Unknown, 0},
       none},
      {"count past the frames, cut",
       WithXingCount(cbr, uint32_t(frames.size()) + 5),
       {TStreamState::Continues, 0},
       {TVerdict::CutShort, TEvidence::Structure}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("mpeg-audio", row.Bytes, 7, row.Answer, row.Verdict, kLag);
  }
}

// One changed bit in a protected part breaks its frame by the CRC-16, in each layer and version.
TEST(MpegAudioStream, AChangedByteBreaksItsFrame) {
  for (const char* name :
       {"crc-mono.mp3", "no-info-crc.mp3", "layer2-crc.mp2", "layer2-mpeg2-crc.mp2", "layer2-low-crc.mp2"}) {
    const TBytes mp3 = Fixture(name);
    const std::vector<size_t> frames = FrameStarts(mp3);
    for (size_t k : {size_t(1), frames.size() / 2, frames.size() - 1}) {
      // The header's bitrate-independent bits: emphasis and the original flag; then the first protected byte.
      for (size_t offset : {size_t(3), size_t(6)}) {
        TBytes damaged = mp3;
        damaged[frames[k] + offset] ^= offset == 3 ? 0x04 : 0x01;
        SCOPED_TRACE(std::string(name) + ", frame " + std::to_string(k) + ", byte " + std::to_string(offset));
        test::ExpectEveryWay("mpeg-audio", test::Concat(damaged, test::RandomBytes(500, 8)), 9,
                             {TStreamState::Broke, frames[k]}, {TVerdict::Damaged, TEvidence::Checksums});
      }
    }
  }
}

// A start that is not MPEG audio, or a chain too short to trust, gives no answer.
TEST(MpegAudioStream, NotItsStream) {
  const TBytes cbr = Fixture("cbr.mp3");
  const std::vector<size_t> frames = FrameStarts(Fixture("layer2.mp2"));
  const TStreamAnswer unknown{TStreamState::Unknown, 0};
  const TStreamVerdict none{TVerdict::Unknown, TEvidence::None};
  const TBytes fieldTune = test::SampleAudio("field-tune.mp3");
  TBytes badId3 = fieldTune;
  badId3[7] = 0x80;
  const test::TStreamCase rows[] = {
      {"a WAV file", test::SampleAudio("voice-memo.wav"), unknown, none},
      {"random bytes", test::RandomBytes(5000, 10), unknown, none},
      {"an ID3v2 size not syncsafe", badId3, unknown, none},
      {"an ID3v2 tag then junk", test::Concat(Head(fieldTune, Id3v2Size(fieldTune)), test::RandomBytes(3000, 11)),
       unknown, none},
      {"a few frames then junk", test::Concat(Head(Fixture("layer2.mp2"), frames[3]), test::RandomBytes(3000, 12)),
       unknown, none},
      {"a frame of another stream after the first", test::Concat(Head(Fixture("layer2.mp2"), frames[1]), cbr), unknown,
       none},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    test::ExpectEveryWay("mpeg-audio", row.Bytes, 13, row.Answer, row.Verdict, kLag);
  }
}

}  // namespace quillot
