#include "streams/MatroskaStream.h"

#include <algorithm>

#include "streams/Bytes.h"
#include "streams/Crc.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

constexpr uint32_t kEbmlHeader = 0x1A45DFA3;
constexpr uint32_t kSegment = 0x18538067;
constexpr uint32_t kCluster = 0x1F43B675;
constexpr uint8_t kCrc32 = 0xBF;
constexpr uint64_t kLongestEbmlHeader = 4096;  // a handful of short fields

// The elements that stand directly in a Segment.
bool IsSegmentChild(uint32_t id) {
  switch (id) {
    case 0x114D9B74:  // SeekHead
    case 0x1549A966:  // Info
    case 0x1654AE6B:  // Tracks
    case kCluster:
    case 0x1C53BB6B:  // Cues
    case 0x1941A469:  // Attachments
    case 0x1043A770:  // Chapters
    case 0x1254C367:  // Tags
    case 0xEC:        // Void
    case kCrc32: return true;
    default: return false;
  }
}

// The length of a variable-length integer from its first byte: the position of the first 1 bit.
size_t VintLength(uint8_t first) {
  for (size_t length = 1; length <= 8; ++length)
    if (first & (0x80 >> (length - 1))) return length;
  return 0;
}

}  // namespace

bool TMatroskaStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

bool TMatroskaStream::GatherVint(const uint8_t*& data, size_t& size, size_t maxLength) {
  if (partSize_ == 0) {
    Gather(data, size, 1);
    vintLength_ = VintLength(part_[0]);
    if (vintLength_ == 0 || vintLength_ > maxLength) {
      vintLength_ = 0;
      return true;
    }
  }
  return Gather(data, size, vintLength_);
}

TStreamAnswer TMatroskaStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Id:
        if (GatherVint(data, size, 4)) OnId();
        break;
      case TPhase::Size:
        if (GatherVint(data, size, 8)) OnSize();
        break;
      case TPhase::Skip: {
        uint64_t skip = std::min<uint64_t>(size, elementEnd_ - pos_);
        data += skip;
        size -= skip;
        pos_ += skip;
        if (pos_ == elementEnd_) NextElement();
        break;
      }
      case TPhase::CrcPeek:
        if (Gather(data, size, 6)) OnCrcPeek();
        break;
      case TPhase::CrcBody: {
        size_t run = size_t(std::min<uint64_t>(size, elementEnd_ - pos_));
        crc_ = Crc32Reflected(crc_, data, run);
        data += run;
        size -= run;
        pos_ += run;
        if (pos_ < elementEnd_) break;
        if (crc_ != crcWanted_) {
          Break(elementStart_, TEvidence::Checksums);
        } else {
          ++crcsHeld_;
          NextElement();
        }
        break;
      }
    }
  }
  return Answer();
}

void TMatroskaStream::OnId() {
  const bool valid = vintLength_ != 0;
  uint32_t id = 0;
  for (size_t i = 0; valid && i < vintLength_; ++i) id = id << 8 | part_[i];
  partSize_ = 0;
  vintLength_ = 0;
  id_ = id;
  if (level_ == TLevel::BeforeSegment) {
    if (!sawEbmlHeader_ && id != kEbmlHeader) {
      status_ = TStatus::NotMine;
      return;
    }
    if (sawEbmlHeader_ && id != kSegment) return Break(elementStart_, TEvidence::Structure);
  } else if (!segmentSized_ && !IsSegmentChild(id)) {
    return EndAt(elementStart_);  // nothing of this Segment follows
  } else if (!valid) {
    return Break(elementStart_, TEvidence::Structure);
  }
  phase_ = TPhase::Size;
}

void TMatroskaStream::OnSize() {
  const size_t length = vintLength_;
  uint64_t value = length ? part_[0] & (0xFF >> length) : 0;
  for (size_t i = 1; i < length; ++i) value = value << 8 | part_[i];
  const bool unknownSize = length != 0 && value == (uint64_t(1) << (7 * length)) - 1;
  partSize_ = 0;
  vintLength_ = 0;
  if (length == 0) {
    if (!sawEbmlHeader_) {
      status_ = TStatus::NotMine;
      return;
    }
    return Break(elementStart_, TEvidence::Structure);
  }
  if (level_ == TLevel::BeforeSegment && !sawEbmlHeader_) {
    if (unknownSize || value > kLongestEbmlHeader) {
      status_ = TStatus::NotMine;
      return;
    }
    sawEbmlHeader_ = true;
    elementEnd_ = pos_ + value;
    phase_ = TPhase::Skip;
    if (pos_ == elementEnd_) NextElement();
    return;
  }
  if (level_ == TLevel::BeforeSegment) {
    level_ = TLevel::InSegment;
    segmentSized_ = !unknownSize;
    segmentEnd_ = pos_ + value;
    return NextElement();
  }
  sawCluster_ = sawCluster_ || id_ == kCluster;
  if (unknownSize) {
    // A child of unknown size ends only at the next top-level ID, inside a part not walked here.
    if (!segmentSized_) {
      status_ = TStatus::NoLength;
      return;
    }
    elementEnd_ = segmentEnd_;
    phase_ = TPhase::Skip;
    if (pos_ == elementEnd_) NextElement();
    return;
  }
  elementEnd_ = pos_ + value;
  // A child reaching past its Segment: the Segment's size was written before the recording grew.
  if (segmentSized_ && elementEnd_ > segmentEnd_) {
    status_ = TStatus::NoLength;
    return;
  }
  phase_ = value >= 6 ? TPhase::CrcPeek : TPhase::Skip;
  if (pos_ == elementEnd_) NextElement();
}

void TMatroskaStream::OnCrcPeek() {
  partSize_ = 0;
  if (checksums_ && part_[0] == kCrc32 && part_[1] == 0x84) {
    crcWanted_ = Le32(part_.data() + 2);
    crc_ = 0;
    phase_ = TPhase::CrcBody;
  } else {
    phase_ = TPhase::Skip;
  }
  if (pos_ != elementEnd_) return;
  if (phase_ == TPhase::CrcBody && crcWanted_ != 0) return Break(elementStart_, TEvidence::Checksums);
  NextElement();
}

void TMatroskaStream::NextElement() {
  elementStart_ = pos_;
  phase_ = TPhase::Id;
  if (level_ == TLevel::InSegment && segmentSized_ && pos_ == segmentEnd_) EndAt(pos_);
}

void TMatroskaStream::EndAt(uint64_t at) {
  // A Segment that stops before any Cluster: its size was written before the audio.
  if (!sawCluster_) {
    status_ = TStatus::NoLength;
    return;
  }
  status_ = TStatus::Ended;
  end_ = at;
}

void TMatroskaStream::Break(uint64_t at, TEvidence evidence) {
  status_ = TStatus::Broke;
  brokeAt_ = at;
  brokeBy_ = evidence;
}

TStreamAnswer TMatroskaStream::Answer() const { return AnswerFor(status_, end_, brokeAt_); }

TStreamVerdict TMatroskaStream::Close() {
  const TEvidence evidence = crcsHeld_ > 0 ? TEvidence::Checksums : TEvidence::Structure;
  switch (status_) {
    case TStatus::Ended: return {TVerdict::Whole, evidence};
    case TStatus::Broke: return {TVerdict::Damaged, brokeBy_};
    case TStatus::Reading:
      // A Segment of unknown size may end with the bytes, between two of its children.
      if (level_ == TLevel::InSegment && !segmentSized_ && phase_ == TPhase::Id && partSize_ == 0 && sawCluster_)
        return {TVerdict::Whole, evidence};
      if (pos_ > 0) return {TVerdict::CutShort, TEvidence::Structure};
      break;
    case TStatus::NotMine:
    case TStatus::NoLength: break;
  }
  return {TVerdict::Unknown, TEvidence::None};
}

}  // namespace quillot
