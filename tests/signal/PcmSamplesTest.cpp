#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "signal/JunctionSamples.h"
#include "signal/PcmSamples.h"
#include "signal/SignalFixtures.h"

namespace quillot {

using test::TBytes;
using TEncoding = TPcmFormat::TEncoding;

namespace {

TPcmFormat Plain(TEncoding encoding, uint16_t bits, uint16_t channels, bool big = false) {
  TPcmFormat f;
  f.Encoding = encoding;
  f.BitsPerSample = bits;
  f.Channels = channels;
  f.BlockAlign = channels * bits / 8;
  f.SampleRate = 44100;
  f.BigEndian = big;
  return f;
}

// Writes one sample the way the layout stores it, and gives the value it stands for.
float Store(const TPcmFormat& f, double x, TBytes& out) {
  const int bytes = f.BitsPerSample / 8;
  if (f.Encoding == TEncoding::Float) {
    const float v = float(x);
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(bits >> (8 * (f.BigEndian ? 3 - i : i))));
    return v;
  }
  const double full = std::ldexp(1.0, f.BitsPerSample - 1);
  const int64_t q = std::clamp<int64_t>(std::llround(x * full), int64_t(-full), int64_t(full) - 1);
  if (f.Encoding == TEncoding::Unsigned) {
    out.push_back(uint8_t(q + 128));
  } else {
    for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(uint64_t(q) >> (8 * (f.BigEndian ? bytes - 1 - i : i))));
  }
  return float(double(q) / full);
}

}  // namespace

// Every plain layout decodes the samples written into it, channel by channel, full scale both ways included.
TEST(PcmSamples, DecodesEveryPlainLayout) {
  const struct {
    TPcmFormat Format;
  } rows[] = {
      {Plain(TEncoding::Unsigned, 8, 1)}, {Plain(TEncoding::Signed, 8, 2)},
      {Plain(TEncoding::Signed, 16, 2)},  {Plain(TEncoding::Signed, 16, 1, true)},
      {Plain(TEncoding::Signed, 24, 2)},  {Plain(TEncoding::Signed, 24, 3, true)},
      {Plain(TEncoding::Signed, 32, 1)},  {Plain(TEncoding::Signed, 32, 2, true)},
      {Plain(TEncoding::Float, 32, 2)},   {Plain(TEncoding::Float, 32, 1, true)},
  };
  for (const auto& row : rows) {
    const TPcmFormat& f = row.Format;
    SCOPED_TRACE(testing::Message() << int(f.Encoding) << " " << f.BitsPerSample << " bits, " << f.Channels
                                    << " channels" << (f.BigEndian ? ", big-endian" : ""));
    ASSERT_TRUE(IsDecodable(f));
    constexpr size_t frames = 300;
    TBytes bytes;
    std::vector<float> expected(frames * f.Channels);
    for (size_t i = 0; i < frames; ++i)
      for (uint16_t c = 0; c < f.Channels; ++c) {
        double x = 0.9 * std::sin(0.05 * double(i) * (c + 1) + c);
        if (i == 7) x = -1.0;
        if (i == 8) x = 0.99999999;
        expected[c * frames + i] = Store(f, x, bytes);
      }
    ASSERT_EQ(bytes.size(), frames * f.BlockAlign);
    std::vector<float> decoded(frames * f.Channels, 5.0f);
    DecodePcmFrames(f, bytes.data(), frames, decoded.data(), frames);
    for (size_t k = 0; k < decoded.size(); ++k) ASSERT_NEAR(decoded[k], expected[k], 1e-7) << "sample " << k;
  }
}

// What a player would make of floats that are no sample: no number is silence, beyond full scale clips.
TEST(PcmSamples, FloatsOutOfRangeReadAsAPlayerWould) {
  const TPcmFormat f = Plain(TEncoding::Float, 32, 1);
  const float in[4] = {NAN, 2.5f, -INFINITY, 0.25f}, want[4] = {0.0f, 1.0f, -1.0f, 0.25f};
  TBytes bytes(16);
  std::memcpy(bytes.data(), in, 16);
  float out[4];
  DecodePcmFrames(f, bytes.data(), 4, out, 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i], want[i]) << i;
}

TEST(PcmSamples, RefusesLayoutsItCannotRead) {
  TPcmFormat adpcm = test::SignalFixture("voice-ima.wav").Format;
  ASSERT_TRUE(IsDecodable(adpcm));
  const auto with = [](TPcmFormat f, auto change) {
    change(f);
    return f;
  };
  const TPcmFormat rows[] = {
      Plain(TEncoding::Signed, 20, 1),
      Plain(TEncoding::Unsigned, 16, 1),
      Plain(TEncoding::Float, 64, 1),
      Plain(TEncoding::Signed, 16, 0),
      with(Plain(TEncoding::Signed, 16, 2), [](TPcmFormat& f) { f.BlockAlign = 6; }),
      with(adpcm, [](TPcmFormat& f) { f.FramesPerBlock += 1; }),
      with(adpcm, [](TPcmFormat& f) { f.BlockAlign = 4; }),
      with(adpcm, [](TPcmFormat& f) { f.BlockAlign = 258; }),
  };
  for (const TPcmFormat& f : rows) EXPECT_FALSE(IsDecodable(f)) << f.BitsPerSample << " " << f.BlockAlign;
}

// IMA ADPCM decodes as sox decodes it, block by block, mono and stereo.
TEST(PcmSamples, ImaAdpcmDecodesAsSoxDoes) {
  const test::TWav wav = test::SignalFixture("voice-ima.wav");
  const TBytes sox = test::ReadBytes(std::string(QUILLOT_SOURCE_DIR) + "/tests/fixtures/signal/voice-ima.s16");
  const TPcmFormat& f = wav.Format;
  ASSERT_EQ(f.FramesPerBlock, 505u);
  const size_t blocks = wav.Data.size() / f.BlockAlign;
  ASSERT_EQ(sox.size(), blocks * f.FramesPerBlock * 2);
  std::vector<float> out(f.FramesPerBlock);
  for (size_t b = 0; b < blocks; ++b) {
    ASSERT_EQ(DecodeImaAdpcmBlock(f, &wav.Data[b * f.BlockAlign], f.BlockAlign, 0, f.FramesPerBlock, out.data(), 0),
              f.FramesPerBlock);
    for (size_t i = 0; i < f.FramesPerBlock; ++i) {
      const size_t at = 2 * (b * f.FramesPerBlock + i);
      ASSERT_EQ(int(std::lround(out[i] * 32768.0f)), int16_t(sox[at] | sox[at + 1] << 8)) << b << " " << i;
    }
  }
}

// A frame or block the junction splits decodes, from both sides' bytes, to the samples the whole bytes hold.
// In a split frame each channel's junction is its first sample with bits from after the split; in ADPCM the
// sides meet at the next block's header. Splits of a 6-byte frame, and of a stereo ADPCM block's headers,
// nibble groups and last byte.
TEST(PcmSamples, SplitFramesAndBlocksDecodeFromBothSides) {
  const test::TWav adpcm = test::SignalFixture("melody-ima.wav"), melody = test::SignalFixture("melody.wav");
  TBytes wide;  // the melody as 24-bit stereo, its low bytes from its own bits so that no byte is constant
  for (size_t i = 0; i + 1 < melody.Data.size(); i += 2) {
    wide.push_back(uint8_t(melody.Data[i] ^ melody.Data[i + 1]));
    wide.push_back(melody.Data[i]);
    wide.push_back(melody.Data[i + 1]);
  }
  const TPcmFormat s24 = Plain(TEncoding::Signed, 24, 2);
  const TPcmFormat& ima = adpcm.Format;
  ASSERT_EQ(ima.BlockAlign, 512u);
  ASSERT_EQ(ima.FramesPerBlock, 505u);
  struct TRow {
    bool Adpcm;
    size_t Junction;            // the byte of the data where the after side starts
    size_t FirstAfter;          // the frame of the first sample with bits from after it, in any channel
    size_t Before;              // samples kept before that one
    size_t Channel0, Channel1;  // each channel's junction in the samples kept
  };
  const size_t b = 512;
  const TRow rows[] = {
      {false, 1500 * 6, 1500, 1024, 1024, 1024},     {false, 1500 * 6 + 2, 1500, 1024, 1024, 1024},
      {false, 1500 * 6 + 3, 1500, 1024, 1025, 1024}, {false, 1500 * 6 + 5, 1500, 1024, 1025, 1024},
      {false, 100 * 6 + 4, 100, 100, 101, 100},      {true, 3 * b, 1515, 1024, 1024, 1024},
      {true, 3 * b + 2, 2020, 1024, 1024, 1024},     {true, 3 * b + 4, 2020, 1024, 1024, 1024},
      {true, 3 * b + 13, 2020, 1024, 1024, 1024},    {true, 4 * b - 1, 2020, 1024, 1024, 1024},
      {true, b + 40, 1010, 1010, 1010, 1010},
  };
  for (const TRow& row : rows) {
    const TPcmFormat& format = row.Adpcm ? ima : s24;
    const TBytes& data = row.Adpcm ? adpcm.Data : wide;
    SCOPED_TRACE(testing::Message() << (row.Adpcm ? "ADPCM" : "24-bit") << ", junction at byte " << row.Junction);
    // The samples of the whole run, decoded straight.
    const size_t run = data.size() / format.BlockAlign * format.FramesPerBlock;
    std::vector<float> whole(2 * run);
    if (row.Adpcm)
      for (size_t k = 0; k * b < data.size(); ++k)
        DecodeImaAdpcmBlock(format, &data[k * b], b, 0, 505, &whole[k * 505], run);
    else
      DecodePcmFrames(format, data.data(), run, whole.data(), run);
    static TJunctionSamples samples;
    ASSERT_TRUE(DecodeJunctionSamples(format, data.data(), row.Junction, data.data() + row.Junction,
                                      data.size() - row.Junction, samples));
    EXPECT_EQ(samples.Junction[0], row.Channel0);
    EXPECT_EQ(samples.Junction[1], row.Channel1);
    EXPECT_EQ(samples.Count, row.Before + std::min(kJunctionAfter, run - row.FirstAfter));
    for (int c = 0; c < 2; ++c)
      for (size_t i = 0; i < samples.Count; ++i)
        ASSERT_EQ(samples.Samples[c][i], whole[c * run + row.FirstAfter - row.Before + i]) << c << " " << i;
  }
}

}  // namespace quillot
