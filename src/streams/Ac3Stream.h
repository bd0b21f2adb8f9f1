// The AC-3 stream unit: AC-3 frames (bitstream id up to 10), their size from the frame-size code and the
// sample rate, each checked by its two CRC-16s (crc1 over the first 5/8 of the frame after the sync word,
// crc2 over the rest, so over the whole frame); and E-AC-3 frames (bitstream id 11 to 16), their size in
// words, checked by the CRC-16 over the whole frame. Every frame is of one family and one sample rate.
// The stream carries no length: it ends where the next bytes are not a frame of the stream, known at most
// 6 bytes (one header) after it, and plays through once kMinFrames frames held their checksums: nothing in it
// proves where the recording began or ended.
// Memory: 6 bytes of header.
#pragma once

#include <array>
#include <optional>

#include "streams/FrameRun.h"
#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

// The length in bytes of the AC-3 or E-AC-3 frame whose six header bytes start at p, its sync word
// included; 0 where they are no valid header. enhanced and rateCode tell its family and sample-rate code.
uint32_t ParseAc3FrameHeader(const uint8_t* p, bool& enhanced, uint8_t& rateCode);

class TAc3Stream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  bool ContinuesWith(const uint8_t* next, size_t size) const override;
  uint64_t ChainedFrames() const override { return frames_; }
  uint64_t LastFrameEnd() const override { return chainEnd_; }
  uint64_t FramesToConfirmStart() const override { return kFramesToConfirmStart; }
  // A recording in pieces breaks at the frame that straddles its first piece's end (its CRCs fail), or stops
  // inside it; the piece that continues it holds that frame's successor where its length says. The CRCs
  // cover the whole frame, so the frame put together proves the order of the pieces.
  std::unique_ptr<TStreamUnit> RestartAtBreak(uint64_t& at) const override;
  bool MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const override;
  bool RunsOnInto(const uint8_t* head, size_t headSize, const uint8_t* before, size_t beforeSize) const override;
  uint64_t BrokenPartLength() const override { return FramePartLength(RestartPoint(), kHeaderBytes); }
  uint64_t PartsHeld() const override { return frames_; }

  // A frame is confirmed by its sync word and its CRC-16s (E-AC-3: one): at a random position once in 2^32 at
  // least. Three in a row, as for the other frame chains.
  static constexpr uint64_t kFramesToConfirmStart = 3;
  static constexpr uint64_t kMinFrames = 2;
  // Frames of the stream in a row that a piece must begin with (or as many as its bytes at hand hold, at
  // least kFramesToConfirmStart) to be taken as the one that continues it.
  static constexpr uint64_t kResumeFrames = 8;

 private:
  enum class TPhase { Header, Body };
  using TStatus = TStreamStatus;

  static constexpr size_t kHeaderBytes = 6;

  void OnHeader();
  void EndChain(uint64_t at);
  // The length of the frame of the stream whose header starts at p, 0 where none does (streams/FrameRun.h).
  uint32_t FrameAt(const uint8_t* p, size_t size) const;
  std::optional<TFrameRestart> RestartPoint() const;

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 6> part_{};
  size_t partSize_ = 0;
  uint64_t frameStart_ = 0;
  uint64_t checkAt_ = 0;  // where the running CRC must next be zero: 5/8 of an AC-3 frame, then its end
  uint64_t frameEnd_ = 0;
  uint16_t crc_ = 0;
  uint64_t frames_ = 0;
  uint64_t chainEnd_ = 0;    // of the last whole frame
  uint32_t lastLength_ = 0;  // of the last whole frame
  bool enhanced_ = false;    // E-AC-3
  uint8_t rateCode_ = 0;
  uint64_t end_ = 0;
};

}  // namespace quillot
