// The WavPack stream unit: "wvpk" blocks, each 8 bytes plus its size long, in order of their first
// sample; the first block's total samples give the length. A block with the final-block flag closes its
// group of channels; the stream's audio ends once a group's samples reach the total. Blocks of no samples
// (metadata such as the source file's trailer) may follow; then TTrailingTags follows the tags. A block
// that starts again at sample 0 is a new file. The block checksum covers the decoded samples, so the
// verdict rests on the structure. A total of 0 or all-ones is a placeholder (Unknown); blocks of audio past
// the total mean a header that claimed less than was recorded (Unknown). The end is known one block header
// (32 bytes) after it, or as TTrailingTags says. Memory: 32 bytes of header and the tags' fields.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"
#include "streams/TrailingTags.h"

namespace quillot {

class TWavPackStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  // The block checksum covers decoded samples: a block's bytes are claimed by its size alone.
  bool ClaimsByLengthAlone() const override { return true; }

 private:
  enum class TPhase { Boundary, Body, Tags };
  using TStatus = TStreamStatus;

  void OnBoundaryBytes();
  void OnBlockHeader();
  void Break(uint64_t at);
  bool Done() const { return total_ != 0 && nextIndex_ >= total_; }

  TPhase phase_ = TPhase::Boundary;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 32> part_{};
  size_t partSize_ = 0;
  uint64_t blockEnd_ = 0;
  uint64_t blocks_ = 0;
  uint64_t total_ = 0;
  uint64_t groupIndex_ = 0;  // the first sample of the open group of blocks
  bool groupOpen_ = false;
  uint64_t nextIndex_ = 0;  // the first sample after the last closed group
  TTrailingTags tags_;
  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
};

}  // namespace quillot
