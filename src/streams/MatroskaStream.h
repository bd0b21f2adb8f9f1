// The Matroska unit (MKA, MKV, WebM): the EBML header element, then the Segment. A Segment of known size
// ends the file at its last byte, trusted once the walk over its top-level children lands there exactly.
// A Segment of unknown size (all ones, as live recorders write it) ends where the next bytes are no
// Matroska top-level element ID: the lag is at most the 4 bytes of an ID. A child whose body opens with a
// CRC-32 element is checked over the rest of its body. Memory: one element head and one running CRC.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TMatroskaStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

 private:
  enum class TPhase { Id, Size, Skip, CrcPeek, CrcBody };
  using TStatus = TStreamStatus;
  enum class TLevel { BeforeSegment, InSegment };

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  // Gathers a variable-length integer into part_; false until it is whole or found invalid (length 0).
  bool GatherVint(const uint8_t*& data, size_t& size, size_t maxLength);
  void OnId();
  void OnSize();
  void OnCrcPeek();
  // The element ending here is done: the Segment may end, else the next element's ID comes.
  void NextElement();
  void EndAt(uint64_t at);
  void Break(uint64_t at, TEvidence evidence);
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::Id;
  TStatus status_ = TStatus::Reading;
  TLevel level_ = TLevel::BeforeSegment;
  std::array<uint8_t, 8> part_{};
  size_t partSize_ = 0;
  size_t vintLength_ = 0;  // 0 while the first byte is still to come
  uint64_t pos_ = 0;

  uint64_t elementStart_ = 0;
  uint64_t elementEnd_ = 0;
  uint32_t id_ = 0;
  bool sawEbmlHeader_ = false;
  bool segmentSized_ = false;
  uint64_t segmentEnd_ = 0;
  bool sawCluster_ = false;

  uint32_t crcWanted_ = 0;
  uint32_t crc_ = 0;
  uint64_t crcsHeld_ = 0;

  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
  TEvidence brokeBy_ = TEvidence::None;
};

}  // namespace quillot
