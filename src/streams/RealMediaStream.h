// The RealMedia unit (".RMF" files): chunks of id, 32-bit big-endian size and version. The DATA chunk is
// walked packet by packet, as many as its header counts, since writers have left its size wrong; the
// other chunks by their sizes. The file ends after the last chunk, which shows in the next bytes: no known
// chunk id (lag 4), or eight zero bytes, an end marker ffmpeg writes and that is kept with the file (lag
// 8). The PROP chunk's offsets must point at the DATA and INDX chunks met. The older ".ra" files carry no
// usable length here. Memory: one chunk head.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TRealMediaStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

 private:
  enum class TPhase { ChunkHead, EndMarker, Properties, DataHead, PacketHead, Skip };
  using TStatus = TStreamStatus;
  // What the walk does once a Skip ends.
  enum class TAfterSkip { NextChunk, NextPacket };

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  // The first 4 bytes of a chunk head: a chunk follows, or the file ended before it.
  void OnChunkId();
  void OnEndMarker();
  void OnChunkHead();
  void OnProperties();
  void OnDataHead();
  void OnPacketHead();
  void SkipTo(uint64_t end, TAfterSkip after);
  void AfterSkip();
  void NextChunk();
  void NextPacket();
  void EndAt(uint64_t at);
  void Break(uint64_t at);
  bool MayEndHere() const;
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::ChunkHead;
  TStatus status_ = TStatus::Reading;
  TAfterSkip afterSkip_ = TAfterSkip::NextChunk;
  std::array<uint8_t, 50> part_{};
  size_t partSize_ = 0;
  uint64_t pos_ = 0;

  uint64_t chunkStart_ = 0;
  uint64_t chunkEnd_ = 0;
  uint64_t skipEnd_ = 0;
  uint64_t packetStart_ = 0;
  uint64_t packetsLeft_ = 0;
  bool sawProperties_ = false;
  bool sawData_ = false;
  uint64_t propertiesStart_ = 0;
  uint64_t dataOffset_ = 0;   // from PROP: where the first DATA chunk starts, or 0
  uint64_t indexOffset_ = 0;  // from PROP: where the first INDX chunk starts, or 0
  bool sawIndexThere_ = false;

  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
};

}  // namespace quillot
