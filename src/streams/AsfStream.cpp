#include "streams/AsfStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

// The objects' GUIDs as they are stored (the first three fields little-endian).
constexpr uint8_t kHeaderObject[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                       0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr uint8_t kFilePropertiesObject[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                               0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr uint8_t kDataObject[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                     0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

constexpr size_t kHeaderFields = 30;     // GUID, size, object count, two reserved bytes
constexpr size_t kObjectHead = 24;       // GUID and size
constexpr size_t kFileProperties = 104;  // the object's fixed size
constexpr size_t kDataHead = 50;         // GUID, size, file ID, packet count, reserved
constexpr uint64_t kHugeSize = ~uint64_t(0) / 4;

}  // namespace

bool TAsfStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TAsfStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Header: {
        const size_t before = partSize_;
        const bool full = Gather(data, size, kHeaderFields);
        // Refuse a foreign start as soon as its first bytes differ.
        if (before < 16 && std::memcmp(part_.data(), kHeaderObject, std::min<size_t>(partSize_, 16)) != 0)
          status_ = TStatus::NotMine;
        else if (full)
          OnHeader();
        break;
      }
      case TPhase::ObjectHead:
        if (Gather(data, size, kObjectHead)) OnObjectHead();
        break;
      case TPhase::FileProperties:
        if (Gather(data, size, kFileProperties)) OnFileProperties();
        break;
      case TPhase::Skip: {
        uint64_t skip = std::min<uint64_t>(size, objectEnd_ - pos_);
        data += skip;
        size -= skip;
        pos_ += skip;
        if (pos_ == objectEnd_) NextObject();
        break;
      }
    }
  }
  return Answer();
}

void TAsfStream::OnHeader() {
  partSize_ = 0;
  const uint64_t size = Le64(part_.data() + 16);
  const uint32_t objects = Le32(part_.data() + 24);
  if (size < kHeaderFields + kObjectHead || size > kHugeSize || objects == 0) {
    status_ = TStatus::NotMine;
    return;
  }
  headerEnd_ = size;
  NextObject();
}

void TAsfStream::OnObjectHead() {
  const uint64_t size = Le64(part_.data() + 16);
  const bool inHeader = objectStart_ < headerEnd_;
  if (size < kObjectHead || size > kHugeSize) {
    partSize_ = 0;
    if (inHeader) return Break(objectStart_);
    // After the header, no object where the file's size says one stands: that size is not to be trusted.
    status_ = TStatus::NoLength;
    return;
  }
  objectEnd_ = objectStart_ + size;
  if (inHeader) {
    if (objectEnd_ > headerEnd_) {
      partSize_ = 0;
      return Break(objectStart_);
    }
    if (std::memcmp(part_.data(), kFilePropertiesObject, 16) == 0) {
      if (size < kFileProperties) {
        partSize_ = 0;
        return Break(objectStart_);
      }
      phase_ = TPhase::FileProperties;
      return;
    }
  } else {
    // An object reaching past the file's size: the size was written before the file grew.
    if (objectEnd_ > fileSize_) {
      status_ = TStatus::NoLength;
      return;
    }
    if (std::memcmp(part_.data(), kDataObject, 16) == 0) {
      // With packets of one size, the Data Object holds exactly the packets the header counts.
      if (size < kDataHead || (packetSize_ != 0 && size - kDataHead != packets_ * packetSize_)) {
        status_ = TStatus::NoLength;
        return;
      }
      sawData_ = true;
    }
  }
  partSize_ = 0;
  phase_ = TPhase::Skip;
  if (pos_ == objectEnd_) NextObject();
}

void TAsfStream::OnFileProperties() {
  partSize_ = 0;
  const uint64_t fileSize = Le64(part_.data() + 40);
  const uint64_t packets = Le64(part_.data() + 56);
  const uint32_t flags = Le32(part_.data() + 88);
  const uint32_t minPacket = Le32(part_.data() + 92), maxPacket = Le32(part_.data() + 96);
  // Broadcasting, or still recording: the sizes are not final.
  if ((flags & 1) != 0 || fileSize == 0 || fileSize < headerEnd_ + kDataHead || fileSize > kHugeSize) {
    status_ = TStatus::NoLength;
    return;
  }
  fileSize_ = fileSize;
  packets_ = packets;
  packetSize_ = minPacket == maxPacket && packets <= kHugeSize / (uint64_t(maxPacket) + 1) ? maxPacket : 0;
  phase_ = TPhase::Skip;
  if (pos_ == objectEnd_) NextObject();
}

void TAsfStream::NextObject() {
  objectStart_ = pos_;
  phase_ = TPhase::ObjectHead;
  if (pos_ == headerEnd_ && fileSize_ == 0) {
    status_ = TStatus::NoLength;  // a header without its File Properties
    return;
  }
  if (pos_ > headerEnd_ || (pos_ == headerEnd_ && fileSize_ != 0)) {
    if (pos_ < fileSize_) return;
    status_ = sawData_ ? TStatus::Ended : TStatus::NoLength;
    return;
  }
  // Fewer bytes left in the header than an object head: a malformed header.
  if (headerEnd_ - pos_ < kObjectHead) Break(pos_);
}

void TAsfStream::Break(uint64_t at) {
  status_ = TStatus::Broke;
  objectStart_ = at;
}

TStreamAnswer TAsfStream::Answer() const { return AnswerFor(status_, fileSize_, objectStart_); }

TStreamVerdict TAsfStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  return pos_ > 0 ? TStreamVerdict{TVerdict::CutShort, TEvidence::Structure} : TStreamVerdict{};
}

}  // namespace quillot
