// The bytes of the medium around the sectors a pass reads: the chunk in hand, what follows it (read ahead for the
// checks) and the last bytes of the chunks before it. The piece search looks at a candidate through it, so it
// sees the same bytes around the candidate wherever the reads begin and end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace quillot {

class TMediumWindow {
 public:
  // history: the bytes of earlier chunks kept, at least.
  explicit TMediumWindow(size_t history = 256 * 1024) : history_(history) {}

  // The chunk the pass scans now (sector firstSector first), and how to reach the bytes that follow it: ahead
  // answers them, read once when first asked (nothing at the medium's end).
  void SeeChunk(const uint8_t* begin, size_t size, uint64_t firstSector, uint32_t bytesPerSec,
                std::function<const std::vector<uint8_t>&()> ahead);
  // The chunk is done with: its last bytes join the history before the buffer is read into again.
  void EndChunk();

  // The bytes from before bytes ahead of sector's first byte to after bytes past it, as far as the window holds
  // them, in one run; gotBefore and gotAfter tell how many it holds on each side. The pointer (to sector's first
  // byte) stays valid until the next call or chunk.
  const uint8_t* Around(uint64_t sector, size_t before, size_t after, size_t& gotBefore, size_t& gotAfter);
  // The bytes the last Around copied to put its run together (0 when it pointed into the chunk or reused a run).
  size_t Copied() const { return copied_; }
  // One sector's bytes, from the history or the chunk; nullptr where the window no longer holds it.
  const uint8_t* Sector(uint64_t sector) const;
  uint32_t BytesPerSector() const { return bytesPerSec_; }
  // The bytes before the chunk it holds at least, once the pass has read that many.
  size_t History() const { return history_; }
  // The first sector whose bytes the window still holds.
  uint64_t FirstSector() const { return keptFirst_ / (bytesPerSec_ ? bytesPerSec_ : 1); }

 private:
  size_t history_;
  uint32_t bytesPerSec_ = 0;
  const uint8_t* chunk_ = nullptr;
  size_t chunkSize_ = 0;
  uint64_t chunkFirst_ = 0;  // byte
  std::function<const std::vector<uint8_t>&()> ahead_;
  std::vector<uint8_t> kept_;  // the bytes before the chunk, up to twice history_
  uint64_t keptFirst_ = 0;     // byte
  std::vector<uint8_t> scratch_;
  // What scratch_ holds: every search asks around the same sector in turn.
  uint64_t scratchSector_ = ~0ull;
  size_t copied_ = 0;
  size_t scratchBefore_ = 0, scratchAfter_ = 0, scratchGotBefore_ = 0;
};

}  // namespace quillot
