#include "streams/AdtsStream.h"

#include <algorithm>

#include "streams/GatherField.h"

namespace quillot {

uint32_t AdtsFrameLength(const uint8_t* p) {
  if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0) return 0;
  const bool protectedFrame = (p[1] & 1) == 0;
  const uint32_t rateIndex = (p[2] >> 2) & 15;
  const uint32_t length = uint32_t(p[3] & 3) << 11 | p[4] << 3 | p[5] >> 5;
  const uint32_t blocks = (p[6] & 3) + 1u;
  // Each raw block of a protected frame carries its own CRC word after the header's.
  const uint32_t headerSize = protectedFrame ? 7 + 2 * blocks : 7;
  return rateIndex > 12 || length <= headerSize ? 0 : length;
}

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
  const uint32_t length = AdtsFrameLength(p);
  const uint32_t stream = StreamBits(p);
  if (length == 0 || (frames_ > 0 && stream != stream_)) {
    EndChain(start);
    return;
  }
  stream_ = stream;
  ++frames_;
  frameStart_ = start;
  frameEnd_ = start + length;
  phase_ = TPhase::Body;
  if (pos_ >= frameEnd_) phase_ = TPhase::Header;
}

void TAdtsStream::EndChain(uint64_t at) {
  status_ = ChainEnd(frames_, kMinFrames);
  end_ = at;
}

uint32_t TAdtsStream::FrameAt(const uint8_t* p, size_t size) const {
  return size >= kHeaderBytes && StreamBits(p) == stream_ ? AdtsFrameLength(p) : 0;
}

std::optional<TFrameRestart> TAdtsStream::RestartPoint() const {
  // The frame being read when the bytes stopped, or the last one found, counted at its header; a chain that
  // ended may have been cut at a piece's end just the same.
  if (frames_ == 0 || (status_ != TStatus::Reading && status_ != TStatus::Ended)) return std::nullopt;
  return TFrameRestart{frameStart_, uint32_t(frameEnd_ - frameStart_), true};
}

std::unique_ptr<TStreamUnit> TAdtsStream::RestartAtBreak(uint64_t& at) const {
  const auto point = RestartPoint();
  if (!point) return nullptr;
  at = point->At;
  auto unit = std::make_unique<TAdtsStream>(*this);
  --unit->frames_;
  unit->status_ = TStatus::Reading;
  unit->phase_ = TPhase::Header;
  unit->pos_ = unit->frameStart_ = unit->frameEnd_ = at;
  unit->partSize_ = 0;
  unit->end_ = 0;
  return unit;
}

bool TAdtsStream::MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const {
  if (!RestartPoint()) return false;
  return FramesMayResume(head, headSize, next, nextSize, kHeaderBytes, kResumeFrames, kFramesToConfirmStart,
                         [this](const uint8_t* p, size_t size) { return FrameAt(p, size); });
}

bool TAdtsStream::RunsOnInto(const uint8_t* head, size_t headSize, const uint8_t* before, size_t beforeSize) const {
  constexpr size_t kLongestFrame = 8191;  // the 13-bit length's most
  return FramesRunOnInto(head, headSize, before, beforeSize, kHeaderBytes, kLongestFrame,
                         [this](const uint8_t* p, size_t size) { return FrameAt(p, size); });
}

TStreamVerdict TAdtsStream::Close() {
  if (status_ != TStatus::Reading) return SettledChainVerdict(status_);
  if (frames_ == 0) return {TVerdict::Unknown, TEvidence::None};
  // Stopped between frames: whole if the chain is long enough to trust; else inside a frame.
  if (phase_ == TPhase::Header && partSize_ == 0) return StoppedAfterFrame(frames_, kMinFrames, TEvidence::Structure);
  return {TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
