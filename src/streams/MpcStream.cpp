#include "streams/MpcStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Crc.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

constexpr size_t kMaxSizeBytes = 8;  // a 56-bit packet size

bool IsCapital(uint8_t c) { return c >= 'A' && c <= 'Z'; }

}  // namespace

bool TMpcStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TMpcStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Magic: {
        bool full = Gather(data, size, 4);
        if (std::memcmp(part_.data(), "MPCK", partSize_) != 0) {
          status_ = TStatus::NotMine;
        } else if (full) {
          partSize_ = 0;
          packetStart_ = pos_;
          phase_ = TPhase::PacketHead;
        }
        break;
      }
      case TPhase::PacketHead:
        // The key, then the size's bytes up to the first without its high bit.
        Gather(data, size, partSize_ + 1);
        OnPacketHead();
        break;
      case TPhase::StreamHeader:
        if (Gather(data, size, size_t(packetEnd_ - packetStart_))) OnStreamHeader();
        break;
      case TPhase::Body: {
        uint64_t skip = std::min<uint64_t>(size, packetEnd_ - pos_);
        data += skip;
        size -= size_t(skip);
        pos_ += skip;
        if (pos_ == packetEnd_) {
          packetStart_ = pos_;
          phase_ = TPhase::PacketHead;
        }
        break;
      }
      case TPhase::Tags:
        if (tags_.Feed(data, size)) {
          status_ = TStatus::Ended;
          end_ = tags_.End();
        }
        size = 0;
        break;
    }
  }
  switch (status_) {
    case TStatus::Ended: return {TStreamState::Ended, end_};
    case TStatus::Broke: return {TStreamState::Broke, brokeAt_};
    case TStatus::NotMine: return {TStreamState::Unknown, 0};
    case TStatus::Reading: break;
  }
  return {TStreamState::Continues, 0};
}

void TMpcStream::OnPacketHead() {
  const uint8_t* p = part_.data();
  const size_t n = partSize_;
  if (!IsCapital(p[0]) || (n >= 2 && !IsCapital(p[1]))) {
    Break(packetStart_, TEvidence::Structure);
    return;
  }
  if (n < 3) return;
  if ((p[n - 1] & 0x80) != 0) {
    if (n - 2 >= kMaxSizeBytes) Break(packetStart_, TEvidence::Structure);
    return;
  }
  uint64_t packetSize = 0;
  for (size_t i = 2; i < n; ++i) packetSize = packetSize << 7 | (p[i] & 0x7F);
  const bool streamHeader = p[0] == 'S' && p[1] == 'H', streamEnd = p[0] == 'S' && p[1] == 'E';
  // The stream header comes first, whole in part_; the stream end holds nothing.
  if (packetSize < n || streamHeader != (packets_ == 0) || (streamHeader && packetSize > part_.size()) ||
      (streamHeader && packetSize < n + 5) || (streamEnd && packetSize != n)) {
    Break(packetStart_, TEvidence::Structure);
    return;
  }
  ++packets_;
  packetEnd_ = packetStart_ + packetSize;
  if (streamEnd) {
    partSize_ = 0;
    phase_ = TPhase::Tags;
    tags_.Start(pos_);
    return;
  }
  if (streamHeader) {
    phase_ = TPhase::StreamHeader;
    return;
  }
  partSize_ = 0;
  phase_ = pos_ == packetEnd_ ? TPhase::PacketHead : TPhase::Body;
  if (phase_ == TPhase::PacketHead) packetStart_ = pos_;
}

void TMpcStream::OnStreamHeader() {
  const uint8_t* p = part_.data();
  const size_t head = [&] {
    size_t i = 2;
    while (p[i] & 0x80) ++i;
    return i + 1;
  }();
  const uint32_t stored = uint32_t(p[head]) << 24 | p[head + 1] << 16 | p[head + 2] << 8 | p[head + 3];
  if (Crc32Reflected(0, p + head + 4, partSize_ - head - 4) != stored) {
    Break(packetStart_, TEvidence::Checksums);
    return;
  }
  headerHeld_ = true;
  partSize_ = 0;
  packetStart_ = pos_;
  phase_ = TPhase::PacketHead;
}

void TMpcStream::Break(uint64_t at, TEvidence evidence) {
  status_ = TStatus::Broke;
  brokeAt_ = at;
  brokeBy_ = evidence;
}

TStreamVerdict TMpcStream::Close() {
  switch (status_) {
    case TStatus::Ended: return {TVerdict::Whole, TEvidence::Structure};
    case TStatus::Broke: return {TVerdict::Damaged, brokeBy_};
    case TStatus::NotMine: return {TVerdict::Unknown, TEvidence::None};
    case TStatus::Reading: break;
  }
  if (phase_ == TPhase::Magic) return {TVerdict::Unknown, TEvidence::None};
  if (phase_ == TPhase::Tags && !tags_.InsideTag()) return {TVerdict::Whole, TEvidence::Structure};
  return {TVerdict::CutShort, TEvidence::Structure};
}

}  // namespace quillot
