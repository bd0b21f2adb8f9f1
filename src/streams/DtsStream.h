// The DTS stream unit: core frames in 16-bit words, big-endian (7F FE 80 01) or little-endian
// (FE 7F 01 80), each found where the last one's frame-size field says, all of one stream (word order,
// sample rate and channel arrangement). The 14-bit packed forms and the DTS-HD extension substreams are
// not followed: such a file answers Unknown. The core carries no checksum a unit can check without
// decoding and no length, so the chain must hold kMinFrames frames to be whole; it ends where the next
// bytes are not a frame of the stream, known at most 10 bytes (one header) after it. Memory: 10 bytes.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TDtsStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  bool ContinuesWith(const uint8_t* next, size_t size) const override;
  uint64_t ChainedFrames() const override { return frames_; }
  uint64_t LastFrameEnd() const override { return frameEnd_; }
  uint64_t FramesToConfirmStart() const override { return kFramesToConfirmStart; }

  // A header is its 32-bit sync word and fields that must agree with the stream's: three in a row, as for the
  // other frame chains.
  static constexpr uint64_t kFramesToConfirmStart = 3;
  static constexpr uint64_t kMinFrames = 8;

 private:
  enum class TPhase { Header, Body };
  using TStatus = TStreamStatus;

  void OnHeader();
  void EndChain(uint64_t at);

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 10> part_{};
  size_t partSize_ = 0;
  uint64_t frameEnd_ = 0;
  uint64_t frames_ = 0;
  bool littleEndian_ = false;
  uint32_t stream_ = 0;  // sample rate and channel arrangement
  uint64_t end_ = 0;
};

}  // namespace quillot
