// The SMAF unit (MMF ringtones): "MMMD" with a 32-bit big-endian size; the file ends at 8 + size. Its
// chunks (contents info, score and audio tracks, ...) are walked by their sizes and must stop exactly two
// bytes before that end, where the file's CRC-16 stands; the CRC is not checked (structure only). Memory:
// one chunk head. Lag 0.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TMmfStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

 private:
  enum class TPhase { Header, ChunkHead, Skip };
  using TStatus = TStreamStatus;

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnHeader();
  void OnChunkHead();
  void NextChunk();
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  std::array<uint8_t, 8> part_{};
  size_t partSize_ = 0;
  uint64_t pos_ = 0;

  uint64_t end_ = 0;
  uint64_t chunkStart_ = 0;
  uint64_t skipEnd_ = 0;
  bool inCrc_ = false;
  bool sawTrack_ = false;
  uint64_t brokeAt_ = 0;
};

}  // namespace quillot
