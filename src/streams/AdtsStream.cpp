#include "streams/AdtsStream.h"

#include <algorithm>

#include "streams/GatherField.h"

namespace quillot {

TStreamAnswer TAdtsStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    if (phase_ == TPhase::Header) {
      bool full = GatherField(part_, partSize_, data, size, pos_, 7);
      // The sync word and layer 0, as soon as their bytes come.
      if (part_[0] != 0xFF || (partSize_ >= 2 && (part_[1] & 0xF6) != 0xF0))
        EndChain(pos_ - partSize_);
      else if (full)
        OnHeader();
    } else {
      uint64_t skip = std::min<uint64_t>(size, frameEnd_ - pos_);
      data += skip;
      size -= skip;
      pos_ += skip;
      if (pos_ == frameEnd_) phase_ = TPhase::Header;
    }
  }
  return AnswerFor(status_, end_, 0);
}

uint32_t TAdtsStream::StreamBits(const uint8_t* p) {
  // The private and copy bits may differ from frame to frame.
  return uint32_t(p[1] & 0x09) << 16 | (p[2] & 0xFC) << 8 | (p[2] & 1) << 2 | p[3] >> 6;
}

bool TAdtsStream::ContinuesWith(const uint8_t* next, size_t size) const {
  return phase_ == TPhase::Header && partSize_ == 0 && frames_ > 0 && size >= 4 && next[0] == 0xFF &&
         (next[1] & 0xF6) == 0xF0 && StreamBits(next) == stream_;
}

void TAdtsStream::OnHeader() {
  const uint8_t* p = part_.data();
  const uint64_t start = pos_ - 7;
  partSize_ = 0;
  const bool protectedFrame = (p[1] & 1) == 0;
  const uint32_t rateIndex = (p[2] >> 2) & 15;
  const uint32_t length = uint32_t(p[3] & 3) << 11 | p[4] << 3 | p[5] >> 5;
  const uint32_t blocks = (p[6] & 3) + 1u;
  const uint32_t stream = StreamBits(p);
  // Each raw block of a protected frame carries its own CRC word after the header's.
  const uint32_t headerSize = protectedFrame ? 7 + 2 * blocks : 7;
  if (rateIndex > 12 || length <= headerSize || (frames_ > 0 && stream != stream_)) {
    EndChain(start);
    return;
  }
  stream_ = stream;
  ++frames_;
  frameEnd_ = start + length;
  phase_ = TPhase::Body;
  if (pos_ >= frameEnd_) phase_ = TPhase::Header;
}

void TAdtsStream::EndChain(uint64_t at) {
  status_ = ChainEnd(frames_, kMinFrames);
  end_ = at;
}

TStreamVerdict TAdtsStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  if (frames_ == 0) return {TVerdict::Unknown, TEvidence::None};
  // Stopped between frames: whole if the chain is long enough to trust; else inside a frame.
  if (phase_ == TPhase::Header && partSize_ == 0) return StoppedAfterFrame(frames_, kMinFrames, TEvidence::Structure);
  return {TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
