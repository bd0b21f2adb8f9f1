#include "streams/Ac3Stream.h"

#include <algorithm>

#include "streams/Crc.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

// kbit/s by frame-size code / 2.
constexpr uint16_t kBitrates[19] = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                    192, 224, 256, 320, 384, 448, 512, 576, 640};

// An AC-3 frame's 16-bit words: 1536 samples at the bitrate; at 44.1 kHz the odd codes add a word.
uint32_t Ac3FrameWords(uint8_t rateCode, uint8_t sizeCode) {
  uint32_t bitrate = kBitrates[sizeCode / 2];
  if (rateCode == 0) return bitrate * 2;
  if (rateCode == 2) return bitrate * 3;
  return bitrate * 1536 * 1000 / 44100 / 16 + (sizeCode & 1);
}

}  // namespace

uint32_t ParseAc3FrameHeader(const uint8_t* p, bool& enhanced, uint8_t& rateCode) {
  if (p[0] != 0x0B || p[1] != 0x77) return 0;
  const uint8_t bsid = p[5] >> 3;
  enhanced = bsid > 10;
  rateCode = p[4] >> 6;
  if (bsid > 16) return 0;
  if (enhanced) {
    // Stream type 3 is reserved; the size is in words, less one.
    const uint32_t frameSize = ((uint32_t(p[2] & 7) << 8 | p[3]) + 1) * 2;
    return (p[2] >> 6) == 3 || frameSize < 16 ? 0 : frameSize;
  }
  if (rateCode == 3 || (p[4] & 0x3F) > 37) return 0;
  return Ac3FrameWords(rateCode, p[4] & 0x3F) * 2;
}

TStreamAnswer TAc3Stream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    if (phase_ == TPhase::Header) {
      bool full = GatherField(part_, partSize_, data, size, pos_, 6);
      if (part_[0] != 0x0B || (partSize_ >= 2 && part_[1] != 0x77))
        EndChain(pos_ - partSize_);
      else if (full)
        OnHeader();
      continue;
    }
    // The frame's bytes, up to the next point where its CRC must hold.
    uint64_t run = std::min<uint64_t>(size, checkAt_ - pos_);
    if (checksums_) crc_ = Crc16(crc_, data, size_t(run));
    data += run;
    size -= size_t(run);
    pos_ += run;
    if (pos_ < checkAt_) continue;
    if (checksums_ && crc_ != 0) {
      status_ = TStatus::Broke;
      return {TStreamState::Broke, frameStart_};
    }
    if (checkAt_ < frameEnd_) {
      checkAt_ = frameEnd_;
    } else {
      ++frames_;
      chainEnd_ = frameEnd_;
      lastLength_ = uint32_t(frameEnd_ - frameStart_);
      phase_ = TPhase::Header;
    }
  }
  return AnswerFor(status_, end_, frameStart_);
}

bool TAc3Stream::ContinuesWith(const uint8_t* next, size_t size) const {
  // The sync word, and the kind (AC-3 or E-AC-3) and sample rate of the stream's frames.
  return phase_ == TPhase::Header && partSize_ == 0 && frames_ > 0 && size >= 6 && next[0] == 0x0B && next[1] == 0x77 &&
         ((next[5] >> 3) > 10) == enhanced_ && (next[4] >> 6) == rateCode_;
}

void TAc3Stream::OnHeader() {
  const uint8_t* p = part_.data();
  const uint64_t start = pos_ - 6;
  partSize_ = 0;
  bool enhanced = false;
  uint8_t rateCode = 0;
  const uint32_t frameSize = ParseAc3FrameHeader(p, enhanced, rateCode);
  if (frameSize == 0 || (frames_ > 0 && (enhanced != enhanced_ || rateCode != rateCode_))) {
    EndChain(start);
    return;
  }
  enhanced_ = enhanced;
  rateCode_ = rateCode;
  frameStart_ = start;
  frameEnd_ = start + frameSize;
  const uint32_t words = frameSize / 2;
  checkAt_ = enhanced ? frameEnd_ : start + ((words >> 1) + (words >> 3)) * 2;
  // The CRCs start after the sync word.
  crc_ = Crc16(0, p + 2, 4);
  phase_ = TPhase::Body;
}

void TAc3Stream::EndChain(uint64_t at) {
  status_ = ChainEnd(frames_, kMinFrames);
  end_ = at;
}

uint32_t TAc3Stream::FrameAt(const uint8_t* p, size_t size) const {
  bool enhanced = false;
  uint8_t rateCode = 0;
  const uint32_t length = size >= kHeaderBytes ? ParseAc3FrameHeader(p, enhanced, rateCode) : 0;
  return enhanced == enhanced_ && rateCode == rateCode_ ? length : 0;
}

std::optional<TFrameRestart> TAc3Stream::RestartPoint() const {
  if (frames_ == 0) return std::nullopt;
  // The frame whose CRCs failed, or whose bytes were being read when they stopped: not counted yet.
  if (status_ == TStatus::Broke || (status_ == TStatus::Reading && phase_ == TPhase::Body))
    return TFrameRestart{frameStart_, uint32_t(frameEnd_ - frameStart_), false};
  // The bytes stopped after the last frame or inside its successor's header, or the chain ended there: the last
  // frame may straddle the piece's end just the same.
  if (status_ == TStatus::Reading || status_ == TStatus::Ended)
    return TFrameRestart{chainEnd_ - lastLength_, lastLength_, true};
  return std::nullopt;
}

std::unique_ptr<TStreamUnit> TAc3Stream::RestartAtBreak(uint64_t& at) const {
  const auto point = RestartPoint();
  if (!point) return nullptr;
  at = point->At;
  auto unit = std::make_unique<TAc3Stream>(*this);
  if (point->Counted) --unit->frames_;
  unit->status_ = TStatus::Reading;
  unit->phase_ = TPhase::Header;
  unit->pos_ = unit->frameStart_ = unit->frameEnd_ = unit->chainEnd_ = at;
  unit->partSize_ = 0;
  unit->end_ = 0;
  return unit;
}

bool TAc3Stream::MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const {
  if (!RestartPoint()) return false;
  return FramesMayResume(head, headSize, next, nextSize, kHeaderBytes, kResumeFrames, kFramesToConfirmStart,
                         [this](const uint8_t* p, size_t size) { return FrameAt(p, size); });
}

bool TAc3Stream::RunsOnInto(const uint8_t* head, size_t headSize, const uint8_t* before, size_t beforeSize) const {
  constexpr size_t kLongestFrame = 4096;  // E-AC-3: 2048 words
  return FramesRunOnInto(head, headSize, before, beforeSize, kHeaderBytes, kLongestFrame,
                         [this](const uint8_t* p, size_t size) { return FrameAt(p, size); });
}

TStreamVerdict TAc3Stream::Close() {
  // A frame breaks only by its CRCs.
  if (status_ == TStatus::Broke) return {TVerdict::Damaged, TEvidence::Checksums};
  if (status_ != TStatus::Reading) return SettledChainVerdict(status_, ByChecksums());
  if (frames_ == 0 && phase_ == TPhase::Header) return {TVerdict::Unknown, TEvidence::None};
  if (phase_ == TPhase::Header && partSize_ == 0) return StoppedAfterFrame(frames_, kMinFrames, ByChecksums());
  return {TVerdict::CutShort, frames_ > 0 ? ByChecksums() : TEvidence::Structure};
}

}  // namespace quillot
