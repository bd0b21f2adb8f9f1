// The MPEG audio stream unit (MPEG-1, -2 and 2.5; Layers I, II and III; free format refused): an optional
// ID3v2 tag (and zero padding after it), then a chain of frames, each found where the last one's length
// says, all of one stream: the same version, layer, protection and sample rate, and mono throughout or never (the
// stereo, joint-stereo and dual-channel modes may alternate, as encoders switch them frame by frame).
// A frame's CRC-16 is checked where its protection bit says it has one: Layers I and III, and Layer II by
// its bit allocation and scale-factor selection. The first frame's Xing/Info header gives the count of
// the frames after it (VBRI's is taken with or without its own frame); a later frame with such a header is
// a new file. After the chain, APEv2
// (header "APETAGEX" or items ending in its footer), Lyrics3v2 and ID3v1 belong to the file.
//
// The chain ends where the next bytes are neither a frame of the stream nor a tag (TTrailingTags), so the
// end is known at most 11 bytes after it ("LYRICSBEGIN"), or a frame's first 56 bytes when a frame of the
// stream follows a full count, or an APE item's head (at most 264 bytes) when the bytes after it look like
// one. Without a count the chain must hold kMinFrames frames to play through; it is whole only where its start
// (a count, or an ID3v2 tag) and its end (the count met, or the tags after the audio) are both proven.
// Memory: 64 bytes of fields and the tags' 264.
#pragma once

#include <array>
#include <optional>

#include "streams/FrameRun.h"
#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"
#include "streams/TrailingTags.h"

namespace quillot {

struct TMpegFrameHeader {
  uint8_t Version = 0;  // the two version bits: 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  uint8_t Layer = 0;    // 1, 2 or 3
  bool Protected = false;
  uint8_t RateIndex = 0;
  uint8_t Mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
  uint8_t ModeExtension = 0;
  uint32_t Bitrate = 0;  // kbit/s
  uint32_t SampleRate = 0;
  uint32_t Length = 0;  // bytes, header included
};

// Parses the four header bytes; false for a reserved or free-format header.
bool ParseMpegFrameHeader(const uint8_t* p, TMpegFrameHeader& header);

class TMpegAudioStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  bool ContinuesWith(const uint8_t* next, size_t size) const override;
  uint64_t ChainedFrames() const override { return sawId3v2_ ? 0 : frames_; }
  uint64_t LastFrameEnd() const override { return chainEnd_; }
  uint64_t FramesToConfirmStart() const override { return kFramesToConfirmStart; }
  // A chain that stopped short of its count, or whose bytes stopped inside it, goes on in another piece: the
  // last frame read straddles the first piece's end, and its successor lies where its length says.
  std::unique_ptr<TStreamUnit> RestartAtBreak(uint64_t& at) const override;
  bool MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const override;
  bool RunsOnInto(const uint8_t* head, size_t headSize, const uint8_t* before, size_t beforeSize) const override;
  uint64_t BrokenPartLength() const override;
  uint64_t PartsHeld() const override { return frames_; }

  static constexpr uint64_t kMinFrames = 8;
  // A frame header at a random position is valid about once in 2^13, and one more in its place about once in
  // 2^19 (mono 2^20.6; with CRC-16 2^35): three in a row leave a false start once in 2^51 sector starts.
  static constexpr uint64_t kFramesToConfirmStart = 3;
  // Frames of the stream in a row that a piece must begin with (or as many as its bytes at hand hold, at
  // least kFramesToConfirmStart) to be taken as the one that continues it.
  static constexpr uint64_t kResumeFrames = 8;

 private:
  enum class TPhase { Start, Id3v2, Zeros, Boundary, Frame, Skip, Tags };
  // NoLength: a stream that can no longer be followed.
  using TStatus = TStreamStatus;
  static constexpr size_t kFrameProbe = 56;  // a Layer III frame's bytes that hold a Xing or VBRI header

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnId3v2();
  // The bytes gathered where a frame may start: a frame of the stream, or the tags, or the end.
  void OnBoundaryBytes();
  size_t FrameBytesWanted() const;
  void OnFrame();
  bool CrcHolds(const TMpegFrameHeader& header) const;
  void SkipTo(uint64_t end, TPhase next);
  void AfterSkip();
  // The chain stopped at byte at: ends, breaks or gives up the stream.
  void EndChain(uint64_t at);
  bool CountReached() const { return hasCount_ && frames_ == uint64_t(count_) + 1; }
  // The chain holds the count: Xing's counts the frames after its own; VBRI's is read either way.
  bool CountMet() const { return CountReached() || (countMayIncludeFirst_ && frames_ == count_); }
  TEvidence Evidence() const;
  // The verdict of a chain that played through: whole where its start and its end are both proven.
  TStreamVerdict Played() const;
  // A frame header of the stream begun by first_: the same version, layer, protection and sample rate, and
  // mono as it is.
  bool SameStream(const TMpegFrameHeader& h) const;
  // The length of the frame of the stream whose header starts at p, 0 where none does (streams/FrameRun.h).
  uint32_t FrameAt(const uint8_t* p, size_t size) const;
  TStreamAnswer Answer() const;
  // Where a restart at the break begins: the frame that straddles the first piece's end.
  std::optional<TFrameRestart> RestartPoint() const;

  TPhase phase_ = TPhase::Start;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 64> part_{};
  size_t partSize_ = 0;
  uint64_t skipEnd_ = 0;
  TPhase afterSkip_ = TPhase::Boundary;
  bool sawId3v2_ = false;

  // The stream, from its first frame.
  TMpegFrameHeader first_;
  uint64_t frames_ = 0;
  uint64_t checkedFrames_ = 0;  // frames whose CRC-16 held
  bool hasCount_ = false;
  uint32_t count_ = 0;  // frames after the first, from its Xing or VBRI header
  bool countMayIncludeFirst_ = false;
  uint64_t frameStart_ = 0;
  uint64_t chainEnd_ = 0;   // of the last frame found
  uint64_t lastStart_ = 0;  // of the last frame found
  uint32_t lastLength_ = 0;
  bool lastChecked_ = false;  // its CRC-16 held
  bool joined_ = false;       // put together from pieces: frames in a row are no proof of their order

  TTrailingTags tags_;

  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
  TEvidence brokeBy_ = TEvidence::None;
};

}  // namespace quillot
