#include "streams/WavPackStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

constexpr uint32_t kInitialBlock = 0x800;
constexpr uint32_t kFinalBlock = 0x1000;
constexpr uint32_t kMaxBlock = 1 << 20;  // the format's bound on a block
constexpr uint32_t kUnknown = 0xFFFFFFFF;
constexpr uint32_t kMono = 0x4;
constexpr uint32_t kHasBlockSum = 0x10000000;
constexpr uint8_t kBlockSumId = 0x2F;
// What every block of a stream shares: bytes per sample, hybrid, floating point, sample rate, DSD.
constexpr uint32_t kFormatBits = 0x3 | 0x8 | 0x80 | 0xFu << 23 | 1u << 31;

uint64_t TotalField(const uint8_t* p) { return uint64_t(p[11]) << 32 | Le32(p + 12); }

}  // namespace

TStreamAnswer TWavPackStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Boundary:
        GatherField(part_, partSize_, data, size, pos_, partSize_ < 4 ? partSize_ + 1 : 32);
        OnBoundaryBytes();
        break;
      case TPhase::Body: {
        uint64_t skip = std::min<uint64_t>(size, blockEnd_ - pos_);
        data += skip;
        size -= size_t(skip);
        pos_ += skip;
        if (pos_ == blockEnd_) phase_ = TPhase::Boundary;
        break;
      }
      case TPhase::Tags:
        if (tags_.Feed(data, size)) {
          status_ = TStatus::Ended;
          end_ = tags_.End();
        }
        size = 0;
        break;
    }
  }
  return AnswerFor(status_, end_, brokeAt_);
}

void TWavPackStream::OnBoundaryBytes() {
  const uint64_t at = pos_ - partSize_;
  if (std::memcmp(part_.data(), "wvpk", std::min<size_t>(partSize_, 4)) == 0) {
    if (partSize_ == 32) OnBlockHeader();
    return;
  }
  if (chain_.Blocks == 0) {
    status_ = TStatus::NotMine;
  } else if (!Done() || chain_.GroupOpen) {
    Break(at);  // the bytes go on where the next block should stand
  } else {
    phase_ = TPhase::Tags;
    tags_.Start(at);
    if (tags_.Feed(part_.data(), partSize_)) {
      status_ = TStatus::Ended;
      end_ = tags_.End();
    }
  }
  partSize_ = 0;
}

void TWavPackStream::OnBlockHeader() {
  const uint8_t* p = part_.data();
  const uint64_t at = pos_ - 32;
  partSize_ = 0;
  const uint32_t blockSize = Le32(p + 4) + 8;
  const uint32_t version = Le16(p + 8);
  const uint64_t total = Le32(p + 12) == kUnknown ? kUnknown : TotalField(p);
  const uint64_t index = uint64_t(p[10]) << 32 | Le32(p + 16);
  const uint32_t samples = Le32(p + 20), flags = Le32(p + 24);
  const bool valid = version >= 0x402 && version <= 0x410 && blockSize >= 32 && blockSize <= kMaxBlock;
  if (chain_.Blocks == 0) {
    if (!valid) {
      status_ = TStatus::NotMine;
      return;
    }
    if (total == 0 || total == kUnknown || index != 0) {
      status_ = TStatus::NoLength;
      return;
    }
    total_ = total;
  } else if (Done() && !chain_.GroupOpen && samples > 0) {
    // Audio past the total: a new file when it starts again at sample 0, else the total claimed too little.
    if (index == 0) {
      status_ = TStatus::Ended;
      end_ = at;
    } else {
      status_ = TStatus::NoLength;
    }
    return;
  } else if (!valid) {
    Break(at);
    return;
  }
  const TChain before = chain_;
  // A block of samples opens a group at the next sample, or stays in the open group.
  if (samples > 0) {
    const uint64_t expected = chain_.GroupOpen ? chain_.GroupIndex : chain_.NextIndex;
    if (index != expected || (!chain_.GroupOpen && (flags & kInitialBlock) == 0)) {
      Break(at);
      return;
    }
    chain_.GroupOpen = true;
    chain_.GroupIndex = index;
    if ((flags & kFinalBlock) != 0) {
      chain_.GroupOpen = false;
      chain_.NextIndex = index + samples;
    }
    if (chain_.Blocks == 0) firstFlags_ = flags;
    audioFlags_ = flags;
  }
  if (index != 0 && !sawLaterTotal_) {
    laterTotal_ = TotalField(p);
    sawLaterTotal_ = true;
  }
  chainBefore_ = before;
  ++chain_.Blocks;
  blockStart_ = at;
  header_ = part_;
  blockEnd_ = at + blockSize;
  phase_ = pos_ == blockEnd_ ? TPhase::Boundary : TPhase::Body;
}

void TWavPackStream::Break(uint64_t at) {
  status_ = TStatus::Broke;
  brokeAt_ = at;
}

uint64_t TWavPackStream::PartsHeld() const {
  if (status_ == TStatus::Ended) return chain_.Blocks;
  return chain_.Blocks > 0 ? chain_.Blocks - 1 : 0;
}

std::unique_ptr<TStreamUnit> TWavPackStream::RestartAtBreak(uint64_t& at) const {
  // The tags after the audio, or a stream that ended or is not followed, have nothing to go on with.
  const bool stopped = status_ == TStatus::Reading && phase_ != TPhase::Tags;
  if ((status_ != TStatus::Broke && !stopped) || chain_.Blocks == 0) return nullptr;
  at = blockStart_;
  auto unit = std::make_unique<TWavPackStream>(*this);
  unit->status_ = TStatus::Reading;
  unit->phase_ = TPhase::Boundary;
  unit->pos_ = at;
  unit->partSize_ = 0;
  unit->chain_ = chainBefore_;
  unit->blockEnd_ = at;
  unit->brokeAt_ = 0;
  return unit;
}

bool TWavPackStream::MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const {
  // The block's own header lies in the first piece: the stream took it there.
  if (chain_.Blocks == 0 || headSize < 32) return false;
  const uint64_t block = blockEnd_ - blockStart_;
  if (headSize > block + 32) return false;
  // Its successor's header, from the first piece's bytes up to headSize, then from next.
  std::array<uint8_t, 32> successor{};
  for (size_t i = 0; i < successor.size(); ++i) {
    const uint64_t at = block + i;
    if (at < headSize) {
      successor[i] = head[at];
    } else if (at - headSize < nextSize) {
      successor[i] = next[at - headSize];
    } else {
      return false;
    }
  }
  if (!IsSuccessor(successor.data())) return false;
  // Where the block carries a sum of its bytes, it checks those of both pieces. With none, every end of the first
  // piece on a sector boundary, with the candidate moved on by as much, puts the successor at the same medium
  // byte: only one end may be taken. Where a start stopped the bytes, the first piece ran on up to it, as files
  // are laid one after the other; where other bytes went on to the successor's place, nothing tells the end
  // unless the block leaves room for one alone.
  if ((Le32(header_.data() + 24) & kHasBlockSum) == 0) {
    constexpr size_t kSector = 512;
    if (status_ == TStatus::Reading) return blockStart_ + headSize == pos_;
    return headSize + kSector > block && headSize < 32 + kSector;
  }
  const auto byte = [&](uint64_t i) -> uint32_t { return i < headSize ? head[i] : next[i - headSize]; };
  // The sum's sub-block ends the block: its id, its length in words, then 4 bytes, or 2 folded from them.
  uint64_t sumAt = 0;
  if (byte(block - 6) == kBlockSumId && byte(block - 5) == 2)
    sumAt = block - 6;
  else if (byte(block - 4) == kBlockSumId && byte(block - 3) == 1)
    sumAt = block - 4;
  else
    return false;
  uint32_t sum = 0xFFFFFFFF;
  for (uint64_t i = 0; i < sumAt; i += 2) sum = sum * 3 + (byte(i) | byte(i + 1) << 8);
  const uint32_t stored = byte(sumAt + 2) | byte(sumAt + 3) << 8;
  if (sumAt == block - 4) return stored == ((sum ^ sum >> 16) & 0xFFFF);
  return stored == (sum & 0xFFFF) && (byte(sumAt + 4) | byte(sumAt + 5) << 8) == sum >> 16;
}

uint64_t TWavPackStream::ResumeSearchLength() const {
  // The sum over the block's bytes, where it has one; else only its successor's header is looked at.
  if (chain_.Blocks == 0 || (Le32(header_.data() + 24) & kHasBlockSum) == 0) return 32;
  return blockEnd_ - blockStart_;
}

bool TWavPackStream::IsSuccessor(const uint8_t* p) const {
  const uint32_t blockSize = Le32(p + 4) + 8;
  const uint64_t index = uint64_t(p[10]) << 32 | Le32(p + 16);
  const uint32_t samples = Le32(p + 20), flags = Le32(p + 24);
  if (std::memcmp(p, "wvpk", 4) != 0 || Le16(p + 8) != Le16(header_.data() + 8) || blockSize < 32 ||
      blockSize > kMaxBlock)
    return false;
  // The total as the blocks after the first group carry it, or, before one was seen, as encoders write it.
  const uint64_t total = TotalField(p);
  if (sawLaterTotal_ ? total != laterTotal_ : total != total_ && total != 0 && Le32(p + 12) != kUnknown) return false;
  const bool audioDone = Done() && !chain_.GroupOpen;
  // Only the source file's trailer, a block of no samples, follows the audio.
  if (samples == 0 || audioDone) return samples == 0 && audioDone;
  const bool opens = (flags & kInitialBlock) != 0;
  if (index != (chain_.GroupOpen ? chain_.GroupIndex : chain_.NextIndex) || (!chain_.GroupOpen && !opens)) return false;
  if ((flags & kFormatBits) != (audioFlags_ & kFormatBits)) return false;
  // A group's first block holds the same channels in every group.
  return !opens || (flags & kMono) == (firstFlags_ & kMono);
}

TStreamVerdict TWavPackStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  if (chain_.Blocks == 0) return {TVerdict::Unknown, TEvidence::None};
  const bool between = (phase_ == TPhase::Boundary && partSize_ == 0) || (phase_ == TPhase::Tags && !tags_.InsideTag());
  if (between && Done() && !chain_.GroupOpen) return {TVerdict::Whole, TEvidence::Structure};
  return {TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
