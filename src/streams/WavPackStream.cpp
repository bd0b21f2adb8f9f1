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
  if (blocks_ == 0) {
    status_ = TStatus::NotMine;
  } else if (!Done() || groupOpen_) {
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
  const uint64_t total = Le32(p + 12) == kUnknown ? kUnknown : uint64_t(p[11]) << 32 | Le32(p + 12);
  const uint64_t index = uint64_t(p[10]) << 32 | Le32(p + 16);
  const uint32_t samples = Le32(p + 20), flags = Le32(p + 24);
  const bool valid = version >= 0x402 && version <= 0x410 && blockSize >= 32 && blockSize <= kMaxBlock;
  if (blocks_ == 0) {
    if (!valid) {
      status_ = TStatus::NotMine;
      return;
    }
    if (total == 0 || total == kUnknown || index != 0) {
      status_ = TStatus::NoLength;
      return;
    }
    total_ = total;
  } else if (Done() && !groupOpen_ && samples > 0) {
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
  // A block of samples opens a group at the next sample, or stays in the open group.
  if (samples > 0) {
    const uint64_t expected = groupOpen_ ? groupIndex_ : nextIndex_;
    if (index != expected || (!groupOpen_ && (flags & kInitialBlock) == 0)) {
      Break(at);
      return;
    }
    groupOpen_ = true;
    groupIndex_ = index;
    if ((flags & kFinalBlock) != 0) {
      groupOpen_ = false;
      nextIndex_ = index + samples;
    }
  }
  ++blocks_;
  blockEnd_ = at + blockSize;
  phase_ = pos_ == blockEnd_ ? TPhase::Boundary : TPhase::Body;
}

void TWavPackStream::Break(uint64_t at) {
  status_ = TStatus::Broke;
  brokeAt_ = at;
}

TStreamVerdict TWavPackStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  if (blocks_ == 0) return {TVerdict::Unknown, TEvidence::None};
  const bool between = (phase_ == TPhase::Boundary && partSize_ == 0) || (phase_ == TPhase::Tags && !tags_.InsideTag());
  if (between && Done() && !groupOpen_) return {TVerdict::Whole, TEvidence::Structure};
  return {TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
