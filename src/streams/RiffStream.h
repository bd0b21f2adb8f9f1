// The RIFF stream unit: RIFF (32-bit size) and RF64/BW64 (the 64-bit size of the ds64 chunk). The end is
// 8 + the RIFF size, rounded up to even, trusted only when the walk over the chunks fits it exactly.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TRiffStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  // PCM and its kin in a WAVE form: nothing but the sizes claims the samples.
  bool ClaimsByLengthAlone() const override;

 private:
  enum class TPhase { Header, ChunkHeader, Ds64, FormatTag, ChunkBody };
  using TStatus = TStreamStatus;

  // Fills part_ up to want bytes; true when it holds them.
  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnHeader();
  void OnChunkHeader();
  void OnDs64();
  // Moves on once the chunk body ends at chunkEnd_.
  void OnChunkEnd();
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  std::array<uint8_t, 28> part_{};
  size_t partSize_ = 0;
  uint64_t pos_ = 0;
  uint64_t end_ = 0;  // 8 + RIFF size rounded to even, once known
  bool endKnown_ = false;
  bool rf64_ = false;
  bool wave_ = false;
  bool sawData_ = false;
  uint16_t formatTag_ = 0;  // of the "fmt " chunk, 0 until read
  uint64_t ds64DataSize_ = 0;
  uint64_t chunkStart_ = 0;
  uint64_t chunkEnd_ = 0;
  uint64_t brokeAt_ = 0;
};

}  // namespace quillot
