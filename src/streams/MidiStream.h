// The standard MIDI file unit: "MThd" with its length, format, track count and division, then chunks of
// id and 32-bit big-endian size; the file ends after the last "MTrk" the header counts, chunks of other
// types in between skipped by their sizes. A track must close with its End of Track event (FF 2F 00): one
// that does not had its size written before its events. Memory: one chunk head and a track's last 3 bytes.
// Lag 0.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TMidiStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

 private:
  enum class TPhase { Header, ChunkHead, Body };
  using TStatus = TStreamStatus;

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnHeader();
  void OnChunkHead();
  void OnChunkEnd();
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  std::array<uint8_t, 14> part_{};
  size_t partSize_ = 0;
  uint64_t pos_ = 0;

  uint32_t tracksLeft_ = 0;
  uint64_t chunkStart_ = 0;
  uint64_t chunkEnd_ = 0;
  bool inTrack_ = false;
  std::array<uint8_t, 3> tail_{};  // the last bytes of the open track
  uint64_t brokeAt_ = 0;
};

}  // namespace quillot
