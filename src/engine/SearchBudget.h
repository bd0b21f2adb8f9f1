// The work the piece search may do. It is earned with every byte the pass reads and spent on every candidate
// put to a unit, so no card, however crafted, makes the search cost more than a bounded multiple of the pass;
// the reserve lets a real card's few searches that need much at once through. Earned per sector in the order
// the pass reads them, it spends the same whatever the size of the reads.
#pragma once

#include <algorithm>
#include <cstdint>

namespace quillot {

class TSearchBudget {
 public:
  // A unit is about the work of a byte the pass reads, a trial charges the bytes it feeds a unit; the rates
  // below were measured on cards made to have thousands of files waiting, and leave a real card in pieces
  // several times what it needs. One unit is earned for every kBytesRead bytes the pass reads.
  static constexpr uint64_t kBytesRead = 2;
  static constexpr uint64_t kReserve = 32ull << 20;
  static constexpr uint64_t kQuickTest = 64;
  // A candidate sector looked at: whether a file in pieces holds it, and the bytes around it.
  static constexpr uint64_t kCandidate = 32;
  // A search offered the sectors read since it was last.
  static constexpr uint64_t kOffer = 64;
  // Bytes copied to put a candidate's surroundings together, for one unit.
  static constexpr uint64_t kCopiedPerUnit = 8;
  // Bytes a quick test searches for a sync code, for one unit.
  static constexpr uint64_t kSearchedPerUnit = 16;

  void Earn(uint64_t bytes) { left_ = std::min(left_ + bytes / kBytesRead, kReserve); }
  // Takes units when they are left above the floor; false (and nothing taken) when they are not.
  bool Spend(uint64_t units) {
    if (units > Left()) return false;
    left_ -= units;
    spent_ += units;
    return true;
  }
  // What Spend leaves untouched from now on: the part of the reserve a search may not draw.
  void KeepAtLeast(uint64_t floor) { floor_ = floor; }
  bool Empty() const { return left_ < kQuickTest; }
  uint64_t Spent() const { return spent_; }
  uint64_t Left() const { return left_ > floor_ ? left_ - floor_ : 0; }

 private:
  uint64_t left_ = kReserve;
  uint64_t spent_ = 0;
  uint64_t floor_ = 0;
};

}  // namespace quillot
