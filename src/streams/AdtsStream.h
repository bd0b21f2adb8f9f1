// The ADTS stream unit (AAC in ADTS frames): a chain of frames, each found where the last one's 13-bit
// length says, all of one stream (MPEG version, profile, sample rate and channel configuration). The CRC
// of a protected frame is not checked: it covers the raw data's bits element by element, which takes
// decoding; the verdict rests on the structure. ADTS carries no length, so the chain must hold kMinFrames
// frames to play through, and never proves its start or end. The chain ends where the next bytes are not
// a frame of the stream: the end is known
// at most 7 bytes (one header) after it. Memory: 9 bytes of header.
#pragma once

#include <array>
#include <optional>

#include "streams/FrameRun.h"
#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

// The length in bytes of the ADTS frame whose seven header bytes start at p, 0 where they are no valid header.
uint32_t AdtsFrameLength(const uint8_t* p);

class TAdtsStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  bool ContinuesWith(const uint8_t* next, size_t size) const override;
  uint64_t ChainedFrames() const override { return frames_; }
  uint64_t LastFrameEnd() const override { return frameEnd_; }
  uint64_t FramesToConfirmStart() const override { return kFramesToConfirmStart; }
  // A recording in pieces stops inside the frame that straddles its first piece's end, or its chain ends
  // there; the piece that continues it holds that frame's successor where its length says. Frames in a row
  // are no proof of the order of the pieces: the verdict rests on the structure as ever.
  std::unique_ptr<TStreamUnit> RestartAtBreak(uint64_t& at) const override;
  bool MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const override;
  bool RunsOnInto(const uint8_t* head, size_t headSize, const uint8_t* before, size_t beforeSize) const override;
  uint64_t BrokenPartLength() const override { return FramePartLength(RestartPoint(), kHeaderBytes); }
  uint64_t PartsHeld() const override { return frames_; }

  static constexpr uint64_t kMinFrames = 4;
  // A header at a random position is valid about once in 2^14, and one more in its place (the sync, the layer
  // and the stream's bits) about once in 2^25: three in a row leave a false start once in 2^64 sector starts.
  static constexpr uint64_t kFramesToConfirmStart = 3;
  // Frames of the stream in a row that a piece must begin with (or as many as its bytes at hand hold, at
  // least kFramesToConfirmStart) to be taken as the one that continues it.
  static constexpr uint64_t kResumeFrames = 8;

 private:
  enum class TPhase { Header, Body };
  using TStatus = TStreamStatus;

  // The header bits every frame of one stream shares: ID, protection, profile, rate and channels.
  static uint32_t StreamBits(const uint8_t* p);
  static constexpr size_t kHeaderBytes = 7;

  void OnHeader();
  void EndChain(uint64_t at);
  // The length of the frame of the stream whose header starts at p, 0 where none does (streams/FrameRun.h).
  uint32_t FrameAt(const uint8_t* p, size_t size) const;
  std::optional<TFrameRestart> RestartPoint() const;

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 7> part_{};
  size_t partSize_ = 0;
  uint64_t frameStart_ = 0;  // of the last frame found
  uint64_t frameEnd_ = 0;
  uint64_t frames_ = 0;
  uint32_t stream_ = 0;  // the header bits every frame of the stream shares
  uint64_t end_ = 0;
};

}  // namespace quillot
