#include "streams/RealMediaStream.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "streams/Bytes.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

bool IsId(const uint8_t* p, std::string_view id) { return std::memcmp(p, id.data(), 4) == 0; }

bool IsChunkId(const uint8_t* p) {
  for (std::string_view id : {"PROP", "MDPR", "CONT", "DATA", "INDX", "RMMD"})
    if (IsId(p, id)) return true;
  return false;
}

constexpr size_t kChunkHead = 10;   // id, size, version
constexpr size_t kProperties = 50;  // the head and PROP's fixed fields
constexpr size_t kDataHead = 18;    // the head, packet count, next DATA header
constexpr size_t kPacketHead = 4;   // version, length
constexpr size_t kLeastPacket = 12;
constexpr uint8_t kZeros[8] = {};

}  // namespace

bool TRealMediaStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TRealMediaStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::ChunkHead:
        if (partSize_ < 4) {
          if (Gather(data, size, 4)) OnChunkId();
        } else if (Gather(data, size, kChunkHead)) {
          OnChunkHead();
        }
        break;
      case TPhase::EndMarker:
        if (Gather(data, size, 8)) OnEndMarker();
        break;
      case TPhase::Properties:
        if (Gather(data, size, kProperties)) OnProperties();
        break;
      case TPhase::DataHead:
        if (Gather(data, size, kDataHead)) OnDataHead();
        break;
      case TPhase::PacketHead:
        if (Gather(data, size, kPacketHead)) OnPacketHead();
        break;
      case TPhase::Skip: {
        uint64_t skip = std::min<uint64_t>(size, skipEnd_ - pos_);
        data += skip;
        size -= skip;
        pos_ += skip;
        if (pos_ == skipEnd_) AfterSkip();
        break;
      }
    }
  }
  return Answer();
}

void TRealMediaStream::OnChunkId() {
  const uint8_t* id = part_.data();
  if (chunkStart_ == 0) {
    if (!IsId(id, ".RMF")) status_ = IsId(id, ".ra\xFD") ? TStatus::NoLength : TStatus::NotMine;
    return;
  }
  if (IsChunkId(id)) return;
  if (!MayEndHere()) {
    status_ = TStatus::NoLength;  // no chunk where one should be, before the media: no length to use
    return;
  }
  if (std::memcmp(id, kZeros, 4) != 0) return EndAt(chunkStart_);
  phase_ = TPhase::EndMarker;
}

void TRealMediaStream::OnEndMarker() {
  // Eight zeros are the end marker, kept with the file; fewer are something else.
  EndAt(std::memcmp(part_.data(), kZeros, 8) == 0 ? chunkStart_ + 8 : chunkStart_);
}

void TRealMediaStream::OnChunkHead() {
  const uint8_t* id = part_.data();
  const uint32_t size = Be32(part_.data() + 4);
  if (size < kChunkHead) {
    partSize_ = 0;
    return Break(chunkStart_);
  }
  chunkEnd_ = chunkStart_ + size;
  if (IsId(id, ".RMF")) {
    partSize_ = 0;
    return SkipTo(chunkEnd_, TAfterSkip::NextChunk);
  }
  if (IsId(id, "PROP")) {
    if (size < kProperties) {
      partSize_ = 0;
      return Break(chunkStart_);
    }
    phase_ = TPhase::Properties;
    return;
  }
  if (IsId(id, "DATA")) {
    phase_ = TPhase::DataHead;
    return;
  }
  partSize_ = 0;
  if (IsId(id, "INDX") && chunkStart_ == indexOffset_) sawIndexThere_ = true;
  SkipTo(chunkEnd_, TAfterSkip::NextChunk);
}

void TRealMediaStream::OnProperties() {
  partSize_ = 0;
  sawProperties_ = true;
  propertiesStart_ = chunkStart_;
  indexOffset_ = Be32(part_.data() + 38);
  dataOffset_ = Be32(part_.data() + 42);
  SkipTo(chunkEnd_, TAfterSkip::NextChunk);
}

void TRealMediaStream::OnDataHead() {
  partSize_ = 0;
  // PROP names where the first DATA chunk starts.
  if (!sawData_ && dataOffset_ != 0 && dataOffset_ != chunkStart_) return Break(propertiesStart_);
  packetsLeft_ = Be32(part_.data() + 10);
  // A live file counts no packets: nothing tells where its data ends.
  if (packetsLeft_ == 0) {
    status_ = TStatus::NoLength;
    return;
  }
  sawData_ = true;
  NextPacket();
}

void TRealMediaStream::OnPacketHead() {
  partSize_ = 0;
  const uint16_t version = Be16(part_.data()), length = Be16(part_.data() + 2);
  if (version > 1 || length < kLeastPacket) return Break(packetStart_);
  --packetsLeft_;
  SkipTo(packetStart_ + length, packetsLeft_ > 0 ? TAfterSkip::NextPacket : TAfterSkip::NextChunk);
}

void TRealMediaStream::SkipTo(uint64_t end, TAfterSkip after) {
  skipEnd_ = end;
  afterSkip_ = after;
  phase_ = TPhase::Skip;
  if (pos_ == skipEnd_) AfterSkip();
}

void TRealMediaStream::AfterSkip() {
  if (afterSkip_ == TAfterSkip::NextPacket) return NextPacket();
  NextChunk();
}

void TRealMediaStream::NextChunk() {
  chunkStart_ = pos_;
  phase_ = TPhase::ChunkHead;
}

void TRealMediaStream::NextPacket() {
  packetStart_ = pos_;
  phase_ = TPhase::PacketHead;
}

bool TRealMediaStream::MayEndHere() const {
  return sawProperties_ && sawData_ && (indexOffset_ == 0 || sawIndexThere_);
}

void TRealMediaStream::EndAt(uint64_t at) {
  partSize_ = 0;
  status_ = TStatus::Ended;
  end_ = at;
}

void TRealMediaStream::Break(uint64_t at) {
  status_ = TStatus::Broke;
  brokeAt_ = at;
}

TStreamAnswer TRealMediaStream::Answer() const { return AnswerFor(status_, end_, brokeAt_); }

TStreamVerdict TRealMediaStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  // The bytes stopped between two chunks, after the media: the file may have ended there.
  if (phase_ == TPhase::ChunkHead && partSize_ == 0 && MayEndHere()) return {TVerdict::Whole, TEvidence::Structure};
  if (pos_ > 0) return {TVerdict::CutShort, TEvidence::Structure};
  return {};
}

}  // namespace quillot
