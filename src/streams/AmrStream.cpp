#include "streams/AmrStream.h"

#include <algorithm>
#include <cstring>

#include "streams/GatherField.h"

namespace quillot {

namespace {

// Frame bytes, header included, by frame type; 0 for the reserved types.
constexpr uint8_t kNarrowFrame[16] = {13, 14, 16, 18, 20, 21, 27, 32, 6, 0, 0, 0, 0, 0, 0, 1};
constexpr uint8_t kWideFrame[16] = {18, 24, 33, 37, 41, 47, 51, 59, 61, 6, 0, 0, 0, 0, 1, 1};
constexpr char kNarrowMagic[] = "#!AMR\n";
constexpr char kWideMagic[] = "#!AMR-WB\n";

}  // namespace

TStreamAnswer TAmrStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Magic: {
        GatherField(part_, partSize_, data, size, pos_, partSize_ + 1);
        const size_t n = partSize_;
        bool narrow = n <= 6 && std::memcmp(part_.data(), kNarrowMagic, n) == 0;
        bool wide = std::memcmp(part_.data(), kWideMagic, n) == 0;
        if (!narrow && !wide) {
          status_ = TStatus::NotMine;
        } else if ((narrow && n == 6) || (wide && n == 9)) {
          wideband_ = wide;
          partSize_ = 0;
          phase_ = TPhase::Header;
        }
        break;
      }
      case TPhase::Header: {
        const uint8_t b = *data;
        const uint8_t length = (wideband_ ? kWideFrame : kNarrowFrame)[(b >> 3) & 15];
        if ((b & 0x83) != 0 || (b & 4) == 0 || length == 0) {
          EndChain(pos_);
          break;
        }
        ++frames_;
        frameEnd_ = pos_ + length;
        phase_ = TPhase::Body;
        break;
      }
      case TPhase::Body: {
        uint64_t skip = std::min<uint64_t>(size, frameEnd_ - pos_);
        data += skip;
        size -= size_t(skip);
        pos_ += skip;
        if (pos_ == frameEnd_) phase_ = TPhase::Header;
        break;
      }
    }
  }
  return AnswerFor(status_, end_, 0);
}

void TAmrStream::EndChain(uint64_t at) {
  status_ = ChainEnd(frames_, kMinFrames);
  end_ = at;
}

TStreamVerdict TAmrStream::Close() {
  if (status_ != TStatus::Reading) return SettledChainVerdict(status_);
  if (phase_ == TPhase::Magic) return {TVerdict::Unknown, TEvidence::None};
  if (phase_ == TPhase::Header) return StoppedAfterFrame(frames_, kMinFrames, TEvidence::Structure);
  return {TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
