#include "streams/MidiStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

bool IsPrintableId(const uint8_t* p) {
  return std::all_of(p, p + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

constexpr size_t kHeader = 14;  // "MThd", length, format, tracks, division
constexpr uint8_t kEndOfTrack[3] = {0xFF, 0x2F, 0x00};

}  // namespace

bool TMidiStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TMidiStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Header: {
        const size_t before = partSize_;
        const bool full = Gather(data, size, kHeader);
        // Refuse a foreign start as soon as its first bytes differ.
        if (before < 4 && std::memcmp(part_.data(), "MThd", std::min<size_t>(partSize_, 4)) != 0)
          status_ = TStatus::NotMine;
        else if (full)
          OnHeader();
        break;
      }
      case TPhase::ChunkHead:
        if (Gather(data, size, 8)) OnChunkHead();
        break;
      case TPhase::Body: {
        const size_t run = size_t(std::min<uint64_t>(size, chunkEnd_ - pos_));
        if (inTrack_) {
          // Keep the last 3 bytes of the track seen so far.
          const size_t keep = std::min<size_t>(run, 3);
          std::memmove(tail_.data(), tail_.data() + keep, 3 - keep);
          std::memcpy(tail_.data() + 3 - keep, data + run - keep, keep);
        }
        data += run;
        size -= run;
        pos_ += run;
        if (pos_ == chunkEnd_) OnChunkEnd();
        break;
      }
    }
  }
  return Answer();
}

void TMidiStream::OnHeader() {
  partSize_ = 0;
  const uint32_t length = Be32(part_.data() + 4);
  const uint16_t format = Be16(part_.data() + 8);
  tracksLeft_ = Be16(part_.data() + 10);
  if (length < 6 || length > 0xFFFF || format > 2) {
    status_ = TStatus::NotMine;
    return;
  }
  // No tracks counted: the header was written before them.
  if (tracksLeft_ == 0) {
    status_ = TStatus::NoLength;
    return;
  }
  // A longer header keeps its extra bytes, skipped as a chunk body.
  chunkStart_ = 0;
  chunkEnd_ = 8 + uint64_t(length);
  inTrack_ = false;
  phase_ = TPhase::Body;
  if (pos_ == chunkEnd_) OnChunkEnd();
}

void TMidiStream::OnChunkHead() {
  partSize_ = 0;
  if (!IsPrintableId(part_.data())) {
    status_ = TStatus::Broke;
    brokeAt_ = chunkStart_;
    return;
  }
  const uint32_t size = Be32(part_.data() + 4);
  inTrack_ = std::memcmp(part_.data(), "MTrk", 4) == 0;
  // 0 and all-ones are what a sequencer leaves before it finishes a track; no track is shorter than its
  // End of Track event.
  if (size == 0xFFFFFFFF || (inTrack_ && size < sizeof kEndOfTrack)) {
    status_ = TStatus::NoLength;
    return;
  }
  chunkEnd_ = pos_ + size;
  phase_ = TPhase::Body;
  if (pos_ == chunkEnd_) OnChunkEnd();
}

void TMidiStream::OnChunkEnd() {
  if (inTrack_) {
    // A track whose size stops short of its End of Track was sized before its events were written.
    if (std::memcmp(tail_.data(), kEndOfTrack, 3) != 0) {
      status_ = TStatus::NoLength;
      return;
    }
    if (--tracksLeft_ == 0) {
      status_ = TStatus::Ended;
      return;
    }
  }
  chunkStart_ = pos_;
  phase_ = TPhase::ChunkHead;
}

TStreamAnswer TMidiStream::Answer() const { return AnswerFor(status_, pos_, brokeAt_); }

TStreamVerdict TMidiStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  return pos_ > 0 ? TStreamVerdict{TVerdict::CutShort, TEvidence::Structure} : TStreamVerdict{};
}

}  // namespace quillot
