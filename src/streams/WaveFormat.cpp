#include "streams/WaveFormat.h"

#include "streams/Bytes.h"

namespace quillot {

std::optional<TPcmFormat> WaveFormat(const uint8_t* fmt, size_t size) {
  if (size < 16) return std::nullopt;
  uint16_t tag = Le16(fmt);
  // The extensible form names its samples' kind in the first two bytes of its sub-format.
  if (tag == 0xFFFE && size >= 26) tag = Le16(fmt + 24);
  TPcmFormat f;
  f.Channels = Le16(fmt + 2);
  f.SampleRate = Le32(fmt + 4);
  f.BlockAlign = Le16(fmt + 12);
  f.BitsPerSample = Le16(fmt + 14);
  if (f.Channels == 0 || f.Channels > 8) return std::nullopt;
  const uint32_t frame = f.Channels * ((f.BitsPerSample + 7u) / 8u);
  bool judged = false;
  if (tag == 0x0001) {
    f.Encoding = f.BitsPerSample == 8 ? TPcmFormat::TEncoding::Unsigned : TPcmFormat::TEncoding::Signed;
    judged = (f.BitsPerSample == 8 || f.BitsPerSample == 16 || f.BitsPerSample == 24 || f.BitsPerSample == 32) &&
             f.BlockAlign == frame;
  } else if (tag == 0x0003) {
    f.Encoding = TPcmFormat::TEncoding::Float;
    judged = f.BitsPerSample == 32 && f.BlockAlign == frame;
  } else if (tag == 0x0011 && size >= 22) {
    // IMA ADPCM: a header of 4 bytes a channel, then 4-bit samples, 8 a channel in every 4 bytes.
    f.Encoding = TPcmFormat::TEncoding::ImaAdpcm;
    f.FramesPerBlock = Le16(fmt + 20);
    judged = f.BitsPerSample == 4 && f.BlockAlign > 4u * f.Channels &&
             f.FramesPerBlock == (f.BlockAlign - 4u * f.Channels) * 2u / f.Channels + 1u;
  }
  if (!judged) return std::nullopt;
  return f;
}

}  // namespace quillot
