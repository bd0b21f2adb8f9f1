// The Ogg stream unit: pages, each checked by its CRC-32 (over the page with the CRC field zeroed), the body
// skipped by its lacing sizes but still checksummed. Logical streams are followed by serial: a begin page,
// consecutive sequence numbers, an end page. The file ends after the page that ends the last open logical
// stream, unless the next page begins a new group of logical streams (a chained file is one file): so the
// end is told once the next page's first 6 bytes show it is no such begin page, a lag of at most 6 bytes.
// Memory: one page header (at most 282 bytes) and a table of kMaxSerials logical streams.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TOggStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  // Only where its next page starts.
  bool ContinuesWith(const uint8_t* next, size_t size) const override;
  std::unique_ptr<TStreamUnit> RestartAtBreak(uint64_t& at) const override;
  // The broken page put together from the two pieces must be the next page of a logical stream the file
  // holds, and be followed by the capture pattern of the next page (unless it ends its stream).
  bool MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const override;
  uint64_t PartsHeld() const override { return pagesHeld_; }
  // The broken page's length, or 0 where no page began at the break.
  uint64_t BrokenPartLength() const override;

  // Logical streams open at once (grouped streams); more than that and the unit gives up.
  static constexpr size_t kMaxSerials = 16;

 private:
  enum class TPhase { Header, Segments, Body, Next };
  // NoLength: also more logical streams than the table holds.
  using TStatus = TStreamStatus;
  struct TLogical {
    uint32_t Serial = 0;
    uint32_t Sequence = 0;  // of its last page
    bool Open = false;
  };

  void OnHeader();
  void OnSegments();
  void OnPageEnd();
  // The bytes after the last end page: a begin page carries on the file, anything else ends it.
  void OnNextBytes();
  TLogical* Find(uint32_t serial);
  void Break(uint64_t at, TEvidence evidence);
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 27 + 255> part_{};
  size_t partSize_ = 0;
  uint64_t pageStart_ = 0;
  uint64_t pageEnd_ = 0;
  uint32_t crc_ = 0;  // of the open page so far
  uint8_t flags_ = 0;
  uint32_t serial_ = 0;
  uint32_t sequence_ = 0;
  uint32_t pageCrc_ = 0;
  uint64_t pagesHeld_ = 0;

  std::array<TLogical, kMaxSerials> streams_{};
  size_t streamCount_ = 0;  // in the current group of the chain

  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
  TEvidence brokeBy_ = TEvidence::None;
};

}  // namespace quillot
