// The signal fixtures (tests/fixtures/make-signal-fixtures.sh): a WAV's format and data, read the plain way.
#pragma once

#include <cstring>
#include <string>

#include "signal/PcmFormat.h"
#include "support/StreamFeed.h"

namespace quillot::test {

struct TWav {
  TPcmFormat Format;
  TBytes Data;
};

inline uint32_t GetLe(const TBytes& b, size_t at, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
  return v;
}

inline TWav SignalFixture(const std::string& name) {
  const TBytes b = ReadBytes(std::string(QUILLOT_SOURCE_DIR) + "/tests/fixtures/signal/" + name);
  TWav wav;
  TPcmFormat& f = wav.Format;
  for (size_t at = 12; at + 8 <= b.size(); at += 8 + GetLe(b, at + 4, 4)) {
    const size_t body = at + 8;
    if (!std::memcmp(&b[at], "fmt ", 4)) {
      const uint32_t tag = GetLe(b, body, 2);
      f.Encoding = tag == 0x11 ? TPcmFormat::TEncoding::ImaAdpcm : TPcmFormat::TEncoding::Signed;
      f.Channels = uint16_t(GetLe(b, body + 2, 2));
      f.SampleRate = GetLe(b, body + 4, 4);
      f.BlockAlign = GetLe(b, body + 12, 2);
      f.BitsPerSample = uint16_t(GetLe(b, body + 14, 2));
      f.FramesPerBlock = tag == 0x11 ? GetLe(b, body + 18, 2) : 1;
    } else if (!std::memcmp(&b[at], "data", 4)) {
      wav.Data.assign(b.begin() + body, b.begin() + body + GetLe(b, at + 4, 4));
      break;
    }
  }
  return wav;
}

}  // namespace quillot::test
