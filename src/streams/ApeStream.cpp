#include "streams/ApeStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

constexpr uint32_t kFirstDescribedVersion = 3980;
constexpr uint32_t kDescriptorSize = 52;
constexpr uint32_t kHeaderSize = 24;

}  // namespace

TStreamAnswer TApeStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Descriptor: {
        // The descriptor and the header after it; an older file's first bytes are enough to tell.
        bool full = GatherField(part_, partSize_, data, size, pos_, kDescriptorSize + kHeaderSize);
        if (std::memcmp(part_.data(), "MAC ", std::min<size_t>(partSize_, 4)) != 0)
          status_ = TStatus::NotMine;
        else if (partSize_ >= 6 && Le16(&part_[4]) < kFirstDescribedVersion)
          status_ = TStatus::NoLength;
        else if (full)
          OnDescriptor();
        break;
      }
      case TPhase::Body: {
        uint64_t skip = std::min<uint64_t>(size, audioEnd_ - pos_);
        data += skip;
        size -= size_t(skip);
        pos_ += skip;
        if (pos_ == audioEnd_) {
          phase_ = TPhase::Tags;
          tags_.Start(pos_);
        }
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
  return AnswerFor(status_, end_, 0);
}

void TApeStream::OnDescriptor() {
  const uint8_t* p = part_.data();
  const uint32_t descriptor = Le32(p + 8), header = Le32(p + 12), seekTable = Le32(p + 16);
  const uint32_t sourceHeader = Le32(p + 20), sourceTrailer = Le32(p + 32);
  const uint64_t frameData = uint64_t(Le32(p + 28)) << 32 | Le32(p + 24);
  // The header follows the descriptor.
  const uint8_t* h = p + kDescriptorSize;
  const uint32_t blocksPerFrame = Le32(h + 4), totalFrames = Le32(h + 12), channels = Le16(h + 18);
  // Placeholders, and a descriptor of a size no encoder writes, give no usable length.
  if (frameData == 0 || Le32(p + 24) == 0xFFFFFFFF || totalFrames == 0 || descriptor != kDescriptorSize) {
    status_ = TStatus::NoLength;
    return;
  }
  if (header < kHeaderSize || seekTable % 4 != 0 || blocksPerFrame == 0 || channels == 0) {
    status_ = TStatus::Broke;
    return;
  }
  partSize_ = 0;
  audioEnd_ = uint64_t(descriptor) + header + seekTable + sourceHeader + frameData + sourceTrailer;
  phase_ = TPhase::Body;
}

TStreamVerdict TApeStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  if (phase_ == TPhase::Descriptor && partSize_ < 4) return {TVerdict::Unknown, TEvidence::None};
  if (phase_ == TPhase::Tags && !tags_.InsideTag()) return {TVerdict::Whole, TEvidence::Structure};
  return {TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
