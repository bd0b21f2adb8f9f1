#include "engine/MediumWindow.h"

#include <algorithm>

namespace quillot {

void TMediumWindow::SeeChunk(const uint8_t* begin, size_t size, uint64_t firstSector, uint32_t bytesPerSec,
                             std::function<const std::vector<uint8_t>&()> ahead) {
  const uint64_t first = firstSector * bytesPerSec;
  // A pass that jumps (a new start sector) keeps nothing from before.
  if (bytesPerSec != bytesPerSec_ || first != keptFirst_ + kept_.size()) {
    kept_.clear();
    keptFirst_ = first;
  }
  bytesPerSec_ = bytesPerSec;
  scratchSector_ = ~0ull;
  chunk_ = begin;
  chunkSize_ = size;
  chunkFirst_ = first;
  ahead_ = std::move(ahead);
}

void TMediumWindow::EndChunk() {
  if (!chunk_) return;
  // Up to twice the history is held, so the bytes kept move down once per history taken, not with every chunk.
  if (chunkSize_ >= history_) {
    kept_.assign(chunk_ + (chunkSize_ - history_), chunk_ + chunkSize_);
    keptFirst_ = chunkFirst_ + (chunkSize_ - history_);
  } else {
    if (kept_.size() + chunkSize_ > 2 * history_) {
      const size_t drop = kept_.size() + chunkSize_ - history_;
      kept_.erase(kept_.begin(), kept_.begin() + static_cast<std::ptrdiff_t>(drop));
      keptFirst_ += drop;
    }
    kept_.insert(kept_.end(), chunk_, chunk_ + chunkSize_);
  }
  chunk_ = nullptr;
  chunkSize_ = 0;
  ahead_ = nullptr;
  scratchSector_ = ~0ull;
}

const uint8_t* TMediumWindow::Sector(uint64_t sector) const {
  const uint64_t at = sector * bytesPerSec_;
  if (chunk_ && at >= chunkFirst_ && at + bytesPerSec_ <= chunkFirst_ + chunkSize_) return chunk_ + (at - chunkFirst_);
  if (at >= keptFirst_ && at + bytesPerSec_ <= keptFirst_ + kept_.size()) return kept_.data() + (at - keptFirst_);
  return nullptr;
}

const uint8_t* TMediumWindow::Around(uint64_t sector, size_t before, size_t after, size_t& gotBefore,
                                     size_t& gotAfter) {
  const uint64_t at = sector * bytesPerSec_;
  const uint64_t chunkEnd = chunkFirst_ + chunkSize_;
  copied_ = 0;
  // Within the chunk on both sides: no copy.
  if (chunk_ && at >= chunkFirst_ + before && at + after <= chunkEnd) {
    gotBefore = before;
    gotAfter = after;
    return chunk_ + (at - chunkFirst_);
  }
  // Else the run is put together: history, chunk, the bytes that follow it; once for every search that asks.
  if (sector == scratchSector_ && before == scratchBefore_ && after == scratchAfter_ && !scratch_.empty()) {
    gotBefore = scratchGotBefore_;
    gotAfter = scratch_.size() - gotBefore;
    return scratch_.data() + gotBefore;
  }
  scratchSector_ = ~0ull;
  const uint64_t from = std::max<uint64_t>(at > before ? at - before : 0, keptFirst_);
  const uint64_t to = at + after;
  scratch_.clear();
  for (uint64_t b = from; b < to;) {
    const uint8_t* p = nullptr;
    size_t n = 0;
    if (b >= keptFirst_ && b < keptFirst_ + kept_.size()) {
      p = kept_.data() + (b - keptFirst_);
      n = static_cast<size_t>(keptFirst_ + kept_.size() - b);
    } else if (chunk_ && b >= chunkFirst_ && b < chunkEnd) {
      p = chunk_ + (b - chunkFirst_);
      n = static_cast<size_t>(chunkEnd - b);
    } else if (chunk_ && b >= chunkEnd && ahead_) {
      const std::vector<uint8_t>& ahead = ahead_();
      if (b - chunkEnd < ahead.size()) {
        p = ahead.data() + (b - chunkEnd);
        n = static_cast<size_t>(ahead.size() - (b - chunkEnd));
      }
    }
    if (!p) break;
    n = static_cast<size_t>(std::min<uint64_t>(n, to - b));
    scratch_.insert(scratch_.end(), p, p + n);
    b += n;
  }
  if (at < from || at > from + scratch_.size()) {
    gotBefore = gotAfter = 0;
    return nullptr;
  }
  gotBefore = static_cast<size_t>(at - from);
  gotAfter = scratch_.size() - gotBefore;
  copied_ = scratch_.size();
  scratchSector_ = sector;
  scratchBefore_ = before;
  scratchAfter_ = after;
  scratchGotBefore_ = gotBefore;
  return scratch_.data() + gotBefore;
}

}  // namespace quillot
