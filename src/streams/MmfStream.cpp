#include "streams/MmfStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

bool IsPrintableId(const uint8_t* p) {
  return std::all_of(p, p + 3, [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

constexpr uint64_t kCrcSize = 2;
constexpr uint64_t kChunkHead = 8;

}  // namespace

bool TMmfStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TMmfStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Header: {
        const size_t before = partSize_;
        const bool full = Gather(data, size, 8);
        if (before < 4 && std::memcmp(part_.data(), "MMMD", std::min<size_t>(partSize_, 4)) != 0)
          status_ = TStatus::NotMine;
        else if (full)
          OnHeader();
        break;
      }
      case TPhase::ChunkHead:
        if (Gather(data, size, kChunkHead)) OnChunkHead();
        break;
      case TPhase::Skip: {
        const uint64_t skip = std::min<uint64_t>(size, skipEnd_ - pos_);
        data += skip;
        size -= skip;
        pos_ += skip;
        if (pos_ == skipEnd_) NextChunk();
        break;
      }
    }
  }
  return Answer();
}

void TMmfStream::OnHeader() {
  partSize_ = 0;
  const uint32_t size = Be32(part_.data() + 4);
  // 0 and all-ones are placeholders; a file holds at least one chunk head and its CRC.
  if (size == 0xFFFFFFFF || size < kChunkHead + kCrcSize) {
    status_ = TStatus::NoLength;
    return;
  }
  end_ = 8 + uint64_t(size);
  NextChunk();
}

void TMmfStream::OnChunkHead() {
  partSize_ = 0;
  const uint32_t size = Be32(part_.data() + 4);
  // Track chunks end their id with a number, which need not be printable.
  if (!IsPrintableId(part_.data())) {
    status_ = TStatus::Broke;
    brokeAt_ = chunkStart_;
    return;
  }
  // A chunk reaching into the CRC or past the file: the size in MMMD was written early.
  if (size > end_ - kCrcSize - pos_) {
    status_ = TStatus::NoLength;
    return;
  }
  sawTrack_ = sawTrack_ || std::memcmp(part_.data(), "MTR", 3) == 0 || std::memcmp(part_.data(), "ATR", 3) == 0;
  skipEnd_ = pos_ + size;
  phase_ = TPhase::Skip;
  if (pos_ == skipEnd_) NextChunk();
}

void TMmfStream::NextChunk() {
  if (inCrc_) {
    status_ = sawTrack_ ? TStatus::Ended : TStatus::NoLength;
    return;
  }
  chunkStart_ = pos_;
  const uint64_t left = end_ - kCrcSize - pos_;
  if (left == 0) {
    inCrc_ = true;
    skipEnd_ = end_;
    phase_ = TPhase::Skip;
    return;
  }
  if (left < kChunkHead) {
    status_ = TStatus::Broke;
    brokeAt_ = pos_;
    return;
  }
  phase_ = TPhase::ChunkHead;
}

TStreamAnswer TMmfStream::Answer() const { return AnswerFor(status_, end_, brokeAt_); }

TStreamVerdict TMmfStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  return pos_ > 0 ? TStreamVerdict{TVerdict::CutShort, TEvidence::Structure} : TStreamVerdict{};
}

}  // namespace quillot
