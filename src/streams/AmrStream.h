// The AMR stream unit (AMR-NB "#!AMR\n" and AMR-WB "#!AMR-WB\n", single channel): after the magic, frames
// whose length follows from the frame type in each frame's header byte. A header byte is valid when its
// padding bits are clear, its type is a speech, SID or no-data type of its codec, and its quality bit is
// set: an encoder writes only good frames, and zeros after the stream then end it. The stream carries no
// length and no checksum: it ends, on structure, at the first invalid header byte after at least
// kMinFrames frames (a fifth of a second), known one byte after its end; the magic proves its start, nothing
// its end. Memory: 9 bytes.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TAmrStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

  static constexpr uint64_t kMinFrames = 10;

 private:
  enum class TPhase { Magic, Header, Body };
  using TStatus = TStreamStatus;

  void EndChain(uint64_t at);

  TPhase phase_ = TPhase::Magic;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 9> part_{};
  size_t partSize_ = 0;
  bool wideband_ = false;
  uint64_t frameEnd_ = 0;
  uint64_t frames_ = 0;
  uint64_t end_ = 0;
};

}  // namespace quillot
