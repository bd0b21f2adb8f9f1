#include "streams/DtsStream.h"

#include <algorithm>
#include <cstring>

#include "streams/GatherField.h"

namespace quillot {

namespace {

constexpr uint8_t kSyncBig[4] = {0x7F, 0xFE, 0x80, 0x01};
constexpr uint8_t kSyncLittle[4] = {0xFE, 0x7F, 0x01, 0x80};
// The sample-rate codes the core defines (8 to 48 kHz); the rest are invalid.
constexpr bool kRateValid[16] = {false, true,  true,  true, false, false, true,  true,
                                 true,  false, false, true, true,  true,  false, false};

// A core header's 10 bytes in either word order: its frame size, and the channel arrangement and rate every
// frame of one stream shares; false where the header is invalid.
bool ParseDtsHeader(const uint8_t* raw, uint32_t& frameSize, uint32_t& stream) {
  const bool little = raw[0] == 0xFE;
  uint8_t p[10];
  for (size_t i = 0; i < 10; ++i) p[i] = raw[little ? i ^ 1 : i];
  // Frame type, deficit count, CRC flag, then the blocks, the frame size less one, the channel
  // arrangement and the sample rate.
  const uint32_t blocks = (uint32_t(p[4] & 1) << 6 | p[5] >> 2) + 1;
  frameSize = (uint32_t(p[5] & 3) << 12 | p[6] << 4 | p[7] >> 4) + 1;
  const uint32_t arrangement = uint32_t(p[7] & 0x0F) << 2 | p[8] >> 6;
  const uint32_t rate = (p[8] >> 2) & 0x0F;
  stream = arrangement << 4 | rate;
  return blocks >= 6 && frameSize >= 96 && kRateValid[rate];
}

}  // namespace

uint32_t DtsFrameLength(const uint8_t* p) {
  uint32_t frameSize = 0, stream = 0;
  const bool sync = std::memcmp(p, kSyncBig, 4) == 0 || std::memcmp(p, kSyncLittle, 4) == 0;
  return sync && ParseDtsHeader(p, frameSize, stream) ? frameSize : 0;
}

TStreamAnswer TDtsStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    if (phase_ == TPhase::Header) {
      bool full = GatherField(part_, partSize_, data, size, pos_, 10);
      size_t n = std::min<size_t>(partSize_, 4);
      bool big = std::memcmp(part_.data(), kSyncBig, n) == 0;
      bool little = std::memcmp(part_.data(), kSyncLittle, n) == 0;
      // After the first frame only the stream's own word order continues it.
      if (frames_ > 0) (littleEndian_ ? big : little) = false;
      if (!big && !little)
        EndChain(pos_ - partSize_);
      else if (full)
        OnHeader();
      continue;
    }
    uint64_t skip = std::min<uint64_t>(size, frameEnd_ - pos_);
    data += skip;
    size -= size_t(skip);
    pos_ += skip;
    if (pos_ == frameEnd_) phase_ = TPhase::Header;
  }
  return AnswerFor(status_, end_, 0);
}

bool TDtsStream::ContinuesWith(const uint8_t* next, size_t size) const {
  uint32_t frameSize = 0, stream = 0;
  return phase_ == TPhase::Header && partSize_ == 0 && frames_ > 0 && size >= 10 &&
         std::memcmp(next, littleEndian_ ? kSyncLittle : kSyncBig, 4) == 0 && ParseDtsHeader(next, frameSize, stream) &&
         stream == stream_;
}

void TDtsStream::OnHeader() {
  const uint64_t start = pos_ - 10;
  partSize_ = 0;
  const bool little = part_[0] == 0xFE;
  uint32_t frameSize = 0, stream = 0;
  if (!ParseDtsHeader(part_.data(), frameSize, stream) || (frames_ > 0 && stream != stream_)) {
    EndChain(start);
    return;
  }
  littleEndian_ = little;
  stream_ = stream;
  ++frames_;
  frameStart_ = start;
  frameEnd_ = start + frameSize;
  phase_ = TPhase::Body;
}

void TDtsStream::EndChain(uint64_t at) {
  status_ = ChainEnd(frames_, kMinFrames);
  end_ = at;
}

uint32_t TDtsStream::FrameAt(const uint8_t* p, size_t size) const {
  uint32_t frameSize = 0, stream = 0;
  return size >= kHeaderBytes && std::memcmp(p, littleEndian_ ? kSyncLittle : kSyncBig, 4) == 0 &&
                 ParseDtsHeader(p, frameSize, stream) && stream == stream_
             ? frameSize
             : 0;
}

std::optional<TFrameRestart> TDtsStream::RestartPoint() const {
  // The frame being read when the bytes stopped, or the last one found, counted at its header; a chain that
  // ended may have been cut at a piece's end just the same.
  if (frames_ == 0 || (status_ != TStatus::Reading && status_ != TStatus::Ended)) return std::nullopt;
  return TFrameRestart{frameStart_, uint32_t(frameEnd_ - frameStart_), true};
}

std::unique_ptr<TStreamUnit> TDtsStream::RestartAtBreak(uint64_t& at) const {
  const auto point = RestartPoint();
  if (!point) return nullptr;
  at = point->At;
  auto unit = std::make_unique<TDtsStream>(*this);
  --unit->frames_;
  unit->status_ = TStatus::Reading;
  unit->phase_ = TPhase::Header;
  unit->pos_ = unit->frameStart_ = unit->frameEnd_ = at;
  unit->partSize_ = 0;
  unit->end_ = 0;
  return unit;
}

bool TDtsStream::MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const {
  if (!RestartPoint()) return false;
  return FramesMayResume(head, headSize, next, nextSize, kHeaderBytes, kResumeFrames, kFramesToConfirmStart,
                         [this](const uint8_t* p, size_t size) { return FrameAt(p, size); });
}

bool TDtsStream::RunsOnInto(const uint8_t* head, size_t headSize, const uint8_t* before, size_t beforeSize) const {
  constexpr size_t kLongestFrame = 16384;  // the 14-bit frame size's most
  return FramesRunOnInto(head, headSize, before, beforeSize, kHeaderBytes, kLongestFrame,
                         [this](const uint8_t* p, size_t size) { return FrameAt(p, size); });
}

TStreamVerdict TDtsStream::Close() {
  if (status_ != TStatus::Reading) return SettledChainVerdict(status_);
  if (frames_ == 0) return {TVerdict::Unknown, TEvidence::None};
  if (phase_ == TPhase::Header && partSize_ == 0) return StoppedAfterFrame(frames_, kMinFrames, TEvidence::Structure);
  return {TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
