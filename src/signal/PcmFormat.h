// How a recording's samples are laid out in its bytes: what the container's header says of them. A frame holds
// one sample of every channel, interleaved; IMA ADPCM packs them in blocks that each start from a header.
#pragma once

#include <cstdint>

namespace quillot {

struct TPcmFormat {
  enum class TEncoding : uint8_t { Unsigned, Signed, Float, ImaAdpcm };
  TEncoding Encoding = TEncoding::Signed;
  uint16_t Channels = 0;
  uint16_t BitsPerSample = 0;  // of a stored sample: 8, 16, 24 or 32 (4 for IMA ADPCM)
  uint32_t BlockAlign = 0;     // bytes of a frame, or of an ADPCM block
  uint32_t SampleRate = 0;
  bool BigEndian = false;
  uint32_t FramesPerBlock = 1;  // an ADPCM block's frames; 1 for plain PCM
};

}  // namespace quillot
