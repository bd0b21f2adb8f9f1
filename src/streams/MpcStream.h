// The Musepack stream unit (SV8): "MPCK", then packets of a two-capital key and a size (seven bits a
// byte, high bit for more) counting the whole packet; the first is the stream header "SH", whose CRC-32
// (zlib's, stored big-endian) covers the rest of it; the stream-end packet "SE" ends the audio, and
// TTrailingTags follows the tags after it. A packet that is not one breaks the stream where it starts.
// SV7 ("MP+") packs its frames by bit lengths across 32-bit words and is not followed: Unknown.
// The end is known as TTrailingTags says (at most 11 bytes, or an APE item's head, after it).
// Memory: one stream header (at most 64 bytes) and the tags' fields.
#pragma once

#include <array>

#include "streams/StreamUnit.h"
#include "streams/TrailingTags.h"

namespace quillot {

class TMpcStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

 private:
  enum class TPhase { Magic, PacketHead, StreamHeader, Body, Tags };
  enum class TStatus { Reading, Ended, Broke, NotMine };

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnPacketHead();
  void OnStreamHeader();
  void Break(uint64_t at, TEvidence evidence);

  TPhase phase_ = TPhase::Magic;
  TStatus status_ = TStatus::Reading;
  uint64_t pos_ = 0;
  std::array<uint8_t, 64> part_{};
  size_t partSize_ = 0;
  uint64_t packetStart_ = 0;
  uint64_t packetEnd_ = 0;
  uint64_t packets_ = 0;
  bool headerHeld_ = false;  // the stream header's CRC-32 held
  TTrailingTags tags_;
  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
  TEvidence brokeBy_ = TEvidence::None;
};

}  // namespace quillot
