#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "signal/Junction.h"
#include "signal/JunctionJudge.h"
#include "signal/SignalFixtures.h"

namespace quillot {

using test::TBytes;
using TEncoding = TPcmFormat::TEncoding;

namespace {

const char* Name(TJunction j) {
  switch (j) {
    case TJunction::Continues: return "Continues";
    case TJunction::DoesNotContinue: return "DoesNotContinue";
    case TJunction::CannotTell: return "CannotTell";
  }
  return "?";
}

// 16-bit samples of a recording, one vector a channel.
std::vector<std::vector<int32_t>> Samples16(const test::TWav& wav) {
  const uint16_t channels = wav.Format.Channels;
  std::vector<std::vector<int32_t>> out(channels);
  for (size_t i = 0; i + 2 * channels <= wav.Data.size(); i += 2 * channels)
    for (uint16_t c = 0; c < channels; ++c)
      out[c].push_back(int16_t(wav.Data[i + 2 * c] | wav.Data[i + 2 * c + 1] << 8));
  return out;
}

// Lays channels of 16-bit samples out as `bytes`-byte little-endian frames (the 16 bits on top).
TBytes Lay(const std::vector<std::vector<int32_t>>& channels, int bytes) {
  TBytes out;
  for (size_t i = 0; i < channels[0].size(); ++i)
    for (const auto& channel : channels) {
      const uint32_t v = uint32_t(channel[i]) << (8 * (bytes - 2));
      for (int b = 0; b < bytes; ++b) out.push_back(uint8_t(v >> (8 * b)));
    }
  return out;
}

TPcmFormat Pcm(uint16_t channels, uint16_t bits) {
  TPcmFormat f;
  f.Encoding = TEncoding::Signed;
  f.Channels = channels;
  f.BitsPerSample = bits;
  f.BlockAlign = channels * bits / 8;
  f.SampleRate = 22050;
  return f;
}

// Judges `first` cut at byte `at` (from its last frame or block start before JunctionBytesBefore) against
// `second` from byte `from` on.
TJunction Judge(const TPcmFormat& f, const TBytes& first, size_t at, const TBytes& second, size_t from) {
  const size_t want = JunctionBytesBefore(f);
  const size_t start = at > want ? (at - want + f.BlockAlign - 1) / f.BlockAlign * f.BlockAlign : 0;
  const size_t afterSize = std::min(JunctionBytesAfter(f), second.size() - from);
  return JudgeJunction(f, first.data() + start, at - start, second.data() + from, afterSize);
}

}  // namespace

TEST(Junction, WantsAFewThousandSamplesEitherSide) {
  const TPcmFormat adpcm = test::SignalFixture("melody-ima.wav").Format;  // 512-byte blocks of 505 frames
  TPcmFormat many = Pcm(9, 16), odd = Pcm(1, 12);
  odd.BlockAlign = 2;
  EXPECT_EQ(JunctionBytesBefore(Pcm(1, 16)), 1025u * 2);
  EXPECT_EQ(JunctionBytesAfter(Pcm(2, 24)), 513u * 6);
  EXPECT_EQ(JunctionBytesBefore(adpcm), 4u * 512);
  EXPECT_EQ(JunctionBytesAfter(adpcm), 3u * 512);
  EXPECT_EQ(JunctionBytesBefore(many), 0u);
  EXPECT_EQ(JunctionBytesAfter(odd), 0u);
  const uint8_t bytes[4] = {};
  EXPECT_EQ(JudgeJunction(odd, bytes, 4, bytes, 4), TJunction::CannotTell);
}

// The judge on short stretches of a voice and a melody: their own continuations go on, at a frame's start or
// inside it, in plain PCM and across a split ADPCM block; the other recording, the same one from elsewhere
// or flipped over does not; noise, silence and clipping cannot tell.
TEST(Junction, JudgesVoicesAndMelodies) {
  const test::TWav voiceWav = test::SignalFixture("voice.wav"), melodyWav = test::SignalFixture("melody.wav");
  const test::TWav voiceIma = test::SignalFixture("voice-ima.wav"), melodyIma = test::SignalFixture("melody-ima.wav");
  const auto voice = Samples16(voiceWav), melody = Samples16(melodyWav);
  const auto mono = [](const std::vector<int32_t>& c) { return std::vector<std::vector<int32_t>>{c}; };
  const auto stereo = [](const std::vector<int32_t>& c) {  // the second channel a little later and softer
    std::vector<int32_t> late(c.size());
    for (size_t i = 3; i < c.size(); ++i) late[i] = c[i - 3] * 3 / 4;
    return std::vector<std::vector<int32_t>>{c, late};
  };
  const auto scaled = [](std::vector<std::vector<int32_t>> s, int factor) {
    for (auto& c : s)
      for (auto& v : c) v = std::clamp(v * factor, -32768, 32767);
    return s;
  };
  std::mt19937 random(32);
  std::vector<int32_t> noise(4096), silence(4096, 0), hiss(4096);
  for (auto& v : noise) v = int32_t(random() % 20000) - 10000;
  for (auto& v : hiss) v = int32_t(random() % 3) - 1;

  const TPcmFormat m16 = Pcm(1, 16), s16 = Pcm(2, 16), s24 = Pcm(2, 24);
  const TBytes voice16 = Lay(mono(voice[0]), 2), melodyLeft16 = Lay(mono(melody[0]), 2);
  const TBytes melody16 = Lay(melody, 2), voiceStereo16 = Lay(stereo(voice[0]), 2);
  const TBytes melody24 = Lay(melody, 3), voice24 = Lay(stereo(voice[0]), 3);
  const TBytes flipped16 = Lay(scaled(melody, -1), 2), clipped16 = Lay(scaled(melody, 24), 2);
  const TBytes noise16 = Lay(mono(noise), 2), silence16 = Lay(mono(silence), 2), hiss16 = Lay(mono(hiss), 2);
  struct TRow {
    const char* What;
    const TPcmFormat* Format;
    const TBytes* First;
    size_t At;
    const TBytes* Second;
    size_t From;
    TJunction Expected;
    bool OrCannotTell;  // a piece that is not the continuation may also be judged CannotTell
  };
  using enum TJunction;
  const TRow rows[] = {
      {"voice in stereo goes on", &s16, &voiceStereo16, 1100 * 4, &voiceStereo16, 1100 * 4, Continues, false},
      {"voice in stereo, 1 byte into a frame", &s16, &voiceStereo16, 1200 * 4 + 1, &voiceStereo16, 1200 * 4 + 1,
       Continues, false},
      {"voice in mono goes on (a 22 kHz voice alone is not always sure)", &m16, &voice16, 1100 * 2, &voice16, 1100 * 2,
       Continues, true},
      {"melody goes on", &s16, &melody16, 1200 * 4, &melody16, 1200 * 4, Continues, false},
      {"melody goes on, mid-frame", &s16, &melody16, 1400 * 4 + 2, &melody16, 1400 * 4 + 2, Continues, false},
      {"24-bit melody goes on", &s24, &melody24, 1300 * 6, &melody24, 1300 * 6, Continues, false},
      {"24-bit, 2 bytes into a frame", &s24, &melody24, 1300 * 6 + 2, &melody24, 1300 * 6 + 2, Continues, false},
      {"24-bit, 3 bytes into a frame", &s24, &melody24, 1300 * 6 + 3, &melody24, 1300 * 6 + 3, Continues, false},
      {"24-bit, 5 bytes into a frame", &s24, &melody24, 1300 * 6 + 5, &melody24, 1300 * 6 + 5, Continues, false},
      {"voice into the melody", &m16, &voice16, 1300 * 2, &melodyLeft16, 600 * 2, DoesNotContinue, true},
      {"melody into the voice", &s16, &melody16, 1200 * 4, &voiceStereo16, 1500 * 4, DoesNotContinue, true},
      {"melody into itself further on", &s16, &melody16, 1100 * 4, &melody16, 1600 * 4, DoesNotContinue, true},
      {"voice into itself further on", &m16, &voice16, 1100 * 2, &voice16, 2400 * 2, DoesNotContinue, true},
      {"melody flipped over", &s16, &melody16, 1200 * 4, &flipped16, 1200 * 4, DoesNotContinue, false},
      {"24-bit melody into the voice, mid-frame", &s24, &melody24, 1300 * 6 + 4, &voice24, 1700 * 6 + 4,
       DoesNotContinue, true},
      {"melody into noise", &m16, &melodyLeft16, 1200 * 2, &noise16, 200 * 2, DoesNotContinue, true},
      {"noise goes on", &m16, &noise16, 2048 * 2, &noise16, 2048 * 2, CannotTell, false},
      {"silence goes on", &m16, &silence16, 2048 * 2, &silence16, 2048 * 2, CannotTell, false},
      {"a hiss of one step goes on", &m16, &hiss16, 2048 * 2, &hiss16, 2048 * 2, CannotTell, false},
      {"clipped melody goes on", &s16, &clipped16, 1200 * 4, &clipped16, 1200 * 4, CannotTell, false},
  };
  // Whether any side after could go on from a side before: never false where one does, and false on noise and
  // silence, whose searches for a next piece are then spared.
  const auto mayContinue = [](const TPcmFormat& f, const TBytes& first, size_t at) {
    const size_t start = at > JunctionBytesBefore(f) ? at - JunctionBytesBefore(f) : 0;
    TJunctionJudge judge;
    judge.Before(f, first.data() + start - start % f.BlockAlign, at - (start - start % f.BlockAlign));
    return judge.MayContinue();
  };
  for (const TRow& row : rows) {
    const TJunction got = Judge(*row.Format, *row.First, row.At, *row.Second, row.From);
    if (got == TJunction::Continues) EXPECT_TRUE(mayContinue(*row.Format, *row.First, row.At)) << row.What;
    if (row.OrCannotTell && got == TJunction::CannotTell) continue;
    EXPECT_EQ(got, row.Expected) << row.What << ": " << Name(got);
  }
  for (const TBytes* hopeless : {&noise16, &silence16, &hiss16}) EXPECT_FALSE(mayContinue(m16, *hopeless, 2048 * 2));

  // ADPCM: the voice and the melody split inside a block, and their blocks put after their own further on.
  // The voice at 22 kHz carries too much of the coding's noise to be sure of, but is never cut: a header
  // restarts the stream, and ADPCM is never cut on the signal alone.
  const TPcmFormat& mIma = voiceIma.Format;
  const TPcmFormat& sIma = melodyIma.Format;
  const TRow adpcm[] = {
      {"ADPCM voice goes on", &mIma, &voiceIma.Data, 256 + 100, &voiceIma.Data, 256 + 100, Continues, true},
      {"ADPCM melody goes on", &sIma, &melodyIma.Data, 2 * 512 + 13, &melodyIma.Data, 2 * 512 + 13, Continues, false},
      {"ADPCM melody, headers split", &sIma, &melodyIma.Data, 2 * 512 + 6, &melodyIma.Data, 2 * 512 + 6, Continues,
       false},
      {"ADPCM voice into itself", &mIma, &voiceIma.Data, 5 * 256 + 100, &voiceIma.Data, 1 * 256 + 100, CannotTell,
       false},
      {"ADPCM melody into itself", &sIma, &melodyIma.Data, 2 * 512 + 13, &melodyIma.Data, 1 * 512 + 13, CannotTell,
       false},
  };
  for (const TRow& row : adpcm) {
    const TJunction got = Judge(*row.Format, *row.First, row.At, *row.Second, row.From);
    if (row.OrCannotTell && got == TJunction::CannotTell) continue;
    EXPECT_EQ(got, row.Expected) << row.What << ": " << Name(got);
  }
}

}  // namespace quillot
