#include "signal/PcmSamples.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quillot {

namespace {

using TEncoding = TPcmFormat::TEncoding;

constexpr int kImaIndexStep[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kImaStep[89] = {7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
                              25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
                              88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
                              307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
                              1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
                              3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
                              12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

uint32_t ImaFramesInBlock(const TPcmFormat& format) { return (format.BlockAlign / format.Channels - 4) * 2 + 1; }

template <int Bytes, bool Big>
int32_t ReadInt(const uint8_t* p) {
  uint32_t v = 0;
  for (int i = 0; i < Bytes; ++i) v |= uint32_t(p[Big ? Bytes - 1 - i : i]) << (8 * (4 - Bytes + i));
  return int32_t(v);  // the sample sits in the top bits, so its sign is the word's
}

template <int Bytes, bool Big, int Channels>
void DecodeChannels(const uint8_t* bytes, size_t frames, float* out, size_t stride) {
  constexpr float kScale = 1.0f / 2147483648.0f;
  for (int c = 0; c < Channels; ++c)
    for (size_t i = 0; i < frames; ++i)
      out[c * stride + i] = float(ReadInt<Bytes, Big>(bytes + (i * Channels + c) * Bytes)) * kScale;
}

// Mono and stereo, nearly every recording, with the channel count known to the compiler.
template <int Bytes, bool Big>
void DecodeInts(const uint8_t* bytes, size_t frames, uint16_t channels, float* out, size_t stride) {
  if (channels == 1) return DecodeChannels<Bytes, Big, 1>(bytes, frames, out, stride);
  if (channels == 2) return DecodeChannels<Bytes, Big, 2>(bytes, frames, out, stride);
  constexpr float kScale = 1.0f / 2147483648.0f;
  for (size_t i = 0; i < frames; ++i)
    for (uint16_t c = 0; c < channels; ++c)
      out[c * stride + i] = float(ReadInt<Bytes, Big>(bytes + (i * channels + c) * Bytes)) * kScale;
}

template <bool Big>
void DecodeFloats(const uint8_t* bytes, size_t frames, uint16_t channels, float* out, size_t stride) {
  for (size_t i = 0; i < frames; ++i)
    for (uint16_t c = 0; c < channels; ++c) {
      const uint32_t bits = uint32_t(ReadInt<4, Big>(bytes + (i * channels + c) * 4));
      float v;
      std::memcpy(&v, &bits, 4);
      out[c * stride + i] = std::isnan(v) ? 0.0f : std::clamp(v, -1.0f, 1.0f);
    }
}

template <int Bytes>
void DecodeSigned(const TPcmFormat& f, const uint8_t* bytes, size_t frames, float* out, size_t stride) {
  if (f.BigEndian)
    DecodeInts<Bytes, true>(bytes, frames, f.Channels, out, stride);
  else
    DecodeInts<Bytes, false>(bytes, frames, f.Channels, out, stride);
}

}  // namespace

bool IsDecodable(const TPcmFormat& f) {
  if (f.Channels == 0) return false;
  switch (f.Encoding) {
    case TEncoding::Unsigned: return f.BitsPerSample == 8 && f.BlockAlign == f.Channels;
    case TEncoding::Signed:
      return (f.BitsPerSample == 8 || f.BitsPerSample == 16 || f.BitsPerSample == 24 || f.BitsPerSample == 32) &&
             f.BlockAlign == uint32_t(f.Channels) * (f.BitsPerSample / 8);
    case TEncoding::Float: return f.BitsPerSample == 32 && f.BlockAlign == uint32_t(f.Channels) * 4;
    case TEncoding::ImaAdpcm:
      return f.BitsPerSample == 4 && f.BlockAlign % (4u * f.Channels) == 0 && f.BlockAlign > 4u * f.Channels &&
             f.FramesPerBlock >= 1 && f.FramesPerBlock <= ImaFramesInBlock(f);
  }
  return false;
}

void DecodePcmFrames(const TPcmFormat& f, const uint8_t* bytes, size_t frames, float* out, size_t stride) {
  switch (f.Encoding) {
    case TEncoding::Unsigned:
      for (size_t i = 0; i < frames; ++i)
        for (uint16_t c = 0; c < f.Channels; ++c)
          out[c * stride + i] = (float(bytes[i * f.Channels + c]) - 128.0f) * (1.0f / 128.0f);
      return;
    case TEncoding::Signed:
      if (f.BitsPerSample == 8) return DecodeSigned<1>(f, bytes, frames, out, stride);
      if (f.BitsPerSample == 16) return DecodeSigned<2>(f, bytes, frames, out, stride);
      if (f.BitsPerSample == 24) return DecodeSigned<3>(f, bytes, frames, out, stride);
      return DecodeSigned<4>(f, bytes, frames, out, stride);
    case TEncoding::Float:
      if (f.BigEndian) return DecodeFloats<true>(bytes, frames, f.Channels, out, stride);
      return DecodeFloats<false>(bytes, frames, f.Channels, out, stride);
    case TEncoding::ImaAdpcm: return;
  }
}

size_t DecodeImaAdpcmBlock(const TPcmFormat& f, const uint8_t* block, size_t size, size_t first, size_t count,
                           float* out, size_t stride) {
  const size_t channels = f.Channels, header = 4 * channels, group = 4 * channels;
  const size_t framesInBlock = std::min<size_t>(f.FramesPerBlock, ImaFramesInBlock(f));
  const size_t end = std::min(first + count, framesInBlock);
  if (size < header || first >= end) return 0;
  // The frames every channel has: the header's, then 8 for each whole group.
  const size_t held = std::min(end, 1 + (size - header) / group * 8);
  for (size_t c = 0; c < channels; ++c) {
    int predictor = int16_t(block[4 * c] | block[4 * c + 1] << 8);
    int index = std::min<int>(block[4 * c + 2], 88);
    float* into = out + c * stride;
    if (first == 0) into[0] = float(predictor) * (1.0f / 32768.0f);
    for (size_t frame = 1; frame < held; ++frame) {
      const size_t k = frame - 1;  // the nibble's place in the channel's run
      const uint8_t byte = block[header + k / 8 * group + 4 * c + k % 8 / 2];
      const int nibble = k % 2 ? byte >> 4 : byte & 15;
      const int step = kImaStep[index];
      int diff = step >> 3;
      if (nibble & 1) diff += step >> 2;
      if (nibble & 2) diff += step >> 1;
      if (nibble & 4) diff += step;
      predictor = std::clamp(nibble & 8 ? predictor - diff : predictor + diff, -32768, 32767);
      index = std::clamp(index + kImaIndexStep[nibble & 7], 0, 88);
      if (frame >= first) into[frame - first] = float(predictor) * (1.0f / 32768.0f);
    }
  }
  return held - first;
}

}  // namespace quillot
