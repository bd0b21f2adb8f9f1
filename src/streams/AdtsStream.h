// The ADTS stream unit (AAC in ADTS frames): a chain of frames, each found where the last one's 13-bit
// length says, all of one stream (MPEG version, profile, sample rate and channel configuration). The CRC
// of a protected frame is not checked: it covers the raw data's bits element by element, which takes
// decoding; the verdict rests on the structure. ADTS carries no length, so the chain must hold kMinFrames
// frames to be whole. The chain ends where the next bytes are not a frame of the stream: the end is known
// at most 7 bytes (one header) after it. Memory: 9 bytes of header.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TAdtsStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  bool ContinuesWith(const uint8_t* next, size_t size) const override;
  uint64_t ChainedFrames() const override { return frames_; }
  uint64_t LastFrameEnd() const override { return frameEnd_; }
  uint64_t FramesToConfirmStart() const override { return kFramesToConfirmStart; }

  static constexpr uint64_t kMinFrames = 4;
  // A header at a random position is valid about once in 2^14, and one more in its place (the sync, the layer
  // and the stream's bits) about once in 2^25: three in a row leave a false start once in 2^64 sector starts.
  static constexpr uint64_t kFramesToConfirmStart = 3;

 private:
  enum class TPhase { Header, Body };
  using TStatus = TStreamStatus;

  // The header bits every frame of one stream shares: ID, protection, profile, rate and channels.
  static uint32_t StreamBits(const uint8_t* p);
  void OnHeader();
  void EndChain(uint64_t at);

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 7> part_{};
  size_t partSize_ = 0;
  uint64_t frameEnd_ = 0;
  uint64_t frames_ = 0;
  uint32_t stream_ = 0;  // the header bits every frame of the stream shares
  uint64_t end_ = 0;
};

}  // namespace quillot
