// The WavPack stream unit: "wvpk" blocks, each 8 bytes plus its size long, in order of their first
// sample; the first block's total samples give the length. A block with the final-block flag closes its
// group of channels; the stream's audio ends once a group's samples reach the total. Blocks of no samples
// (metadata such as the source file's trailer) may follow; then TTrailingTags follows the tags. A block
// that starts again at sample 0 is a new file. The block checksum covers the decoded samples, so the
// verdict rests on the structure. A total of 0 or all-ones is a placeholder (Unknown); blocks of audio past
// the total mean a header that claimed less than was recorded (Unknown). The end is known one block header
// (32 bytes) after it, or as TTrailingTags says. Memory: two block headers and the tags' fields.
//
// A recording stored in pieces: each block's successor stands exactly its size on and carries the next sample
// index, so a piece that continues the block the bytes broke in is told by where the next header lands and what
// it says, without decoding; where the block ends with a sum of its own bytes (WavPack 5), the sum must hold over
// both pieces' bytes too. The sum is not followed through the rest of the file: a file put together from pieces
// stays unverified.
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
  // The block CRC covers decoded samples, and the sum of a block's bytes (WavPack 5) is checked only at a join:
  // a block's bytes are claimed by its size alone.
  bool ClaimsByLengthAlone() const override { return true; }
  // At the start of the block whose successor was missing or wrong, or that the bytes stopped in.
  std::unique_ptr<TStreamUnit> RestartAtBreak(uint64_t& at) const override;
  // The successor of that block, with the sample index, format and total it must carry, exactly where the
  // block's remainder taken from next ends; and the block's own sum over both pieces' bytes, where it has one.
  bool MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const override;
  uint64_t ResumeSearchLength() const override;
  // The block and its successor's header: the first piece ends inside them.
  uint64_t BrokenPartLength() const override { return chain_.Blocks == 0 ? 0 : blockEnd_ - blockStart_ + 32; }
  // Blocks whose successor stood where their size said (all of them once the stream ended).
  uint64_t PartsHeld() const override;

 private:
  enum class TPhase { Boundary, Body, Tags };
  using TStatus = TStreamStatus;

  void OnBoundaryBytes();
  void OnBlockHeader();
  void Break(uint64_t at);
  bool Done() const { return total_ != 0 && chain_.NextIndex >= total_; }
  // Whether a block header may follow the last block read, as the stream's own next block.
  bool IsSuccessor(const uint8_t* header) const;

  // Where the blocks stand in the samples.
  struct TChain {
    uint64_t Blocks = 0;
    uint64_t GroupIndex = 0;  // the first sample of the open group of blocks
    bool GroupOpen = false;
    uint64_t NextIndex = 0;  // the first sample after the last closed group
  };

  TPhase phase_ = TPhase::Boundary;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 32> part_{};
  size_t partSize_ = 0;
  uint64_t blockEnd_ = 0;
  uint64_t total_ = 0;
  TChain chain_;
  // The last block read: where it begins, its header, and the chain before it.
  uint64_t blockStart_ = 0;
  std::array<uint8_t, 32> header_{};
  TChain chainBefore_;
  uint32_t firstFlags_ = 0;  // of the first block, the first channels of every group
  uint32_t audioFlags_ = 0;  // of the last block of samples
  // The total a block after the first group carries: some encoders repeat the first block's, others write 0.
  uint64_t laterTotal_ = 0;
  bool sawLaterTotal_ = false;
  TTrailingTags tags_;
  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
};

}  // namespace quillot
