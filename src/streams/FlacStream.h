// The FLAC stream unit: the metadata blocks, then the frames, each found by its sync code and checked by
// its header CRC-8 and its CRC-16. The stream ends after the frame whose samples reach STREAMINFO's total.
// A frame ends where the next valid header begins; only the last frame, which has no next header, is
// kept whole (at most one frame's size) to find its end from its subframes.
#pragma once

#include <array>
#include <vector>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

struct TFlacFrameHeader {
  uint32_t BlockSize = 0;
  uint32_t BitsPerSample = 0;
  uint8_t ChannelCode = 0;  // independent channels - 1 (0..7), or 8..10 for the stereo decorrelations
  uint64_t Number = 0;      // the frame number, or the first sample's number when Variable
  bool Variable = false;
  size_t Length = 0;  // header bytes, CRC-8 included
};

class TFlacStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  // At the start of the frame that broke or was left unfinished, or of the last metadata block the bytes
  // stopped in.
  std::unique_ptr<TStreamUnit> RestartAtBreak(uint64_t& at) const override;
  // The next frame's header (its number the one after the broken frame's, its CRC-8 holding) must follow
  // in the other piece within the largest frame from the break.
  bool MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const override;
  uint64_t ResumeSearchLength() const override { return phase_ == TPhase::BlockBody ? 0 : maxFrameSize_ + 16; }
  uint64_t BrokenPartLength() const override {
    return phase_ == TPhase::BlockBody ? blockEnd_ - blockStart_ : maxFrameSize_ + 16;
  }
  uint64_t PartsHeld() const override { return framesHeld_; }
  bool CarriesContentSum() const override { return contentSum_; }

 private:
  enum class TPhase { Magic, BlockHeader, StreamInfo, BlockBody, Frames };
  // NoLength: also a stream without a total whose frames can no longer be followed.
  using TStatus = TStreamStatus;
  enum class TParse { NeedMore, Invalid, Valid };
  struct TCandidate {
    uint64_t At = 0;
    uint16_t CrcBefore = 0;  // the running CRC-16 of the open frame up to At
  };
  static constexpr size_t kWindow = 32;  // a power of two above the longest header (16 bytes)

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnBlockHeader();
  void OnStreamInfo();
  // Takes frame bytes: runs without a sync byte at once, the rest one by one.
  void FrameBytes(const uint8_t* data, size_t size);
  void FrameByte(uint8_t b);
  // The open frame grew past the largest a frame can be.
  void CheckFrameLength();
  // Parses the header at a candidate from the window; checks it against STREAMINFO.
  TParse ParseHeaderAt(uint64_t at, TFlacFrameHeader& header) const;
  // The same from have bytes that byte(i) gives.
  template <class TByte>
  TParse ParseHeaderBytes(TByte byte, size_t have, TFlacFrameHeader& header) const;
  // A valid header at a candidate: closes the open frame there, or finds it broken.
  void OnHeader(const TCandidate& candidate, const TFlacFrameHeader& header);
  void OpenFrame(uint64_t at, const TFlacFrameHeader& header);
  // The last frame, when its CRC-16 reaches zero: ends the stream if its subframes end there too.
  void TryEndLastFrame();
  void Break(uint64_t at, TEvidence evidence);
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::Magic;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 34> part_{};
  size_t partSize_ = 0;
  uint64_t blockStart_ = 0;
  uint64_t blockEnd_ = 0;
  bool lastBlock_ = false;
  uint8_t blockType_ = 0;
  bool sawStreamInfo_ = false;

  // STREAMINFO
  uint32_t maxBlockSize_ = 0;
  uint32_t sampleRate_ = 0;
  uint32_t channels_ = 0;
  uint32_t bitsPerSample_ = 0;
  uint64_t totalSamples_ = 0;
  bool contentSum_ = false;    // STREAMINFO holds an MD5 of the audio
  uint64_t maxFrameSize_ = 0;  // the bound on one frame, from STREAMINFO or the largest frame possible

  // Frames
  std::array<uint8_t, kWindow> window_{};
  std::array<TCandidate, kWindow> candidates_{};
  size_t candidateCount_ = 0;
  uint64_t lastFF_ = ~uint64_t(0);
  uint16_t crcBeforeFF_ = 0;
  uint16_t crc_ = 0;  // CRC-16 of the open frame so far
  bool frameOpen_ = false;
  bool variable_ = false;
  uint64_t frameStart_ = 0;  // the first frame's expected start, then the open frame's start
  uint64_t framesOpened_ = 0;
  uint64_t samplesOpened_ = 0;  // samples up to the end of the open frame
  uint64_t framesHeld_ = 0;
  TFlacFrameHeader lastHeader_;
  bool inLastFrame_ = false;
  uint64_t firstNumber_ = 0;  // of the frame expected at frameStart_ while no frame is open
  // MayResumeWith's last search: the other piece's bytes, and where in them the next header lies.
  mutable const uint8_t* searched_ = nullptr;
  mutable size_t searchedSize_ = 0, nextHeaderAt_ = 0;
  mutable std::array<uint8_t, 8> searchedHead_{};
  std::vector<uint8_t> lastFrame_;

  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
  TEvidence brokeBy_ = TEvidence::None;
};

// How a frame's bytes parse: NeedMore, Invalid, or the frame's length (CRC-16 footer included) in end.
enum class TFlacFrameEnd { NeedMore, Invalid, Found };
TFlacFrameEnd FindFlacFrameEnd(const uint8_t* frame, size_t size, const TFlacFrameHeader& header, size_t& end);

}  // namespace quillot
