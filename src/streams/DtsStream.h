// The DTS stream unit: core frames in 16-bit words, big-endian (7F FE 80 01) or little-endian
// (FE 7F 01 80), each found where the last one's frame-size field says, all of one stream (word order,
// sample rate and channel arrangement). The 14-bit packed forms and the DTS-HD extension substreams are
// not followed: such a file answers Unknown. The core carries no checksum a unit can check without
// decoding and no length, so the chain must hold kMinFrames frames to play through, its start and end
// unproven; it ends where the next
// bytes are not a frame of the stream, known at most 10 bytes (one header) after it. Memory: 10 bytes.
#pragma once

#include <array>
#include <optional>

#include "streams/FrameRun.h"
#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

// The length in bytes of the DTS core frame whose ten header bytes start at p, in either word order; 0 where
// they are no valid header.
uint32_t DtsFrameLength(const uint8_t* p);

class TDtsStream : public TStreamUnit {
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

  // A header is its 32-bit sync word and fields that must agree with the stream's: three in a row, as for the
  // other frame chains.
  static constexpr uint64_t kFramesToConfirmStart = 3;
  static constexpr uint64_t kMinFrames = 8;
  // Frames of the stream in a row that a piece must begin with (or as many as its bytes at hand hold, at
  // least kFramesToConfirmStart) to be taken as the one that continues it.
  static constexpr uint64_t kResumeFrames = 8;

 private:
  enum class TPhase { Header, Body };
  using TStatus = TStreamStatus;

  static constexpr size_t kHeaderBytes = 10;

  void OnHeader();
  void EndChain(uint64_t at);
  // The length of the frame of the stream whose header starts at p, 0 where none does (streams/FrameRun.h).
  uint32_t FrameAt(const uint8_t* p, size_t size) const;
  std::optional<TFrameRestart> RestartPoint() const;

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 10> part_{};
  size_t partSize_ = 0;
  uint64_t frameStart_ = 0;  // of the last frame found
  uint64_t frameEnd_ = 0;
  uint64_t frames_ = 0;
  bool littleEndian_ = false;
  uint32_t stream_ = 0;  // sample rate and channel arrangement
  uint64_t end_ = 0;
};

}  // namespace quillot
