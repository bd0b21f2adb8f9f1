// The TTA stream unit: the "TTA1" header with its CRC-32, the seek table (every frame's size) with its
// CRC-32, then the frames, each ending in the CRC-32 of its other bytes; the header's total samples give
// the frame count (a frame holds 256/245 s of samples). After the last frame, TTrailingTags follows the
// tags (an encoder writes APEv2). The end is known at most 11 bytes after the tags' end, or an APE item's
// head. A total of 0, a table of more than kMaxFrames frames (an all-ones total) or a table left all zeros
// is a placeholder: Unknown. Memory: the seek table, at most kMaxFrames sizes (256 KB, some 19 hours at
// 44.1 kHz), and the tags' fields.
#pragma once

#include <array>
#include <vector>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"
#include "streams/TrailingTags.h"

namespace quillot {

class TTtaStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

  static constexpr uint64_t kMaxFrames = 65536;

 private:
  enum class TPhase { Header, Table, TableCrc, FrameData, FrameCrc, Tags };
  using TStatus = TStreamStatus;

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnHeader();
  void OnTableCrc();
  void OpenFrame();
  void Break(uint64_t at, TEvidence evidence);

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 22> part_{};
  size_t partSize_ = 0;

  std::vector<uint32_t> sizes_;
  uint64_t frameCount_ = 0;
  uint32_t tableCrc_ = 0;
  bool tableZero_ = true;
  uint64_t tableStart_ = 0;

  uint64_t frame_ = 0;  // the open frame's number
  uint64_t frameStart_ = 0;
  uint64_t crcAt_ = 0;  // where the open frame's CRC-32 starts
  uint32_t crc_ = 0;
  uint64_t framesHeld_ = 0;
  TTrailingTags tags_;

  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
  TEvidence brokeBy_ = TEvidence::None;
};

}  // namespace quillot
