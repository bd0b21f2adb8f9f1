// The RIFF stream unit: RIFF (32-bit size) and RF64/BW64 (the 64-bit size of the ds64 chunk). The end is
// 8 + the RIFF size, rounded up to even, trusted only when the walk over the chunks fits it exactly.
#pragma once

#include <array>

#include <optional>

#include "streams/PcmBody.h"
#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"
#include "streams/WaveFormat.h"

namespace quillot {

class TRiffStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;
  // PCM and its kin in a WAVE form: nothing but the sizes claims the samples.
  bool ClaimsByLengthAlone() const override;
  // Plain PCM, float and IMA ADPCM are judged on their samples; a recording that broke there goes on where a
  // cluster's samples continue it (streams/PcmBody.h).
  void JudgeSamplesEvery(uint64_t bytes) override { judgeEvery_ = bytes; }
  std::unique_ptr<TStreamUnit> RestartAtBreak(uint64_t& at) const override;
  bool MayResumeWith(const uint8_t*, size_t headSize, const uint8_t* next, size_t nextSize) const override {
    return body_.MayResumeWith(PieceEnd(), headSize, next, nextSize);
  }
  bool RunsOnInto(const uint8_t*, size_t, const uint8_t* before, size_t beforeSize) const override {
    return body_.RunsOnInto(PieceEnd(), before, beforeSize);
  }
  uint64_t PartsHeld() const override { return body_.Continued(); }
  uint64_t ResumeSearchLength() const override { return body_.SearchCost(); }
  // The samples ended with the declared length and the bytes after it are still being weighed.
  std::optional<uint64_t> EndIfNoMore() const override;

 private:
  // PastEnd: the data chunk ended the form; whether the samples go on after it (a header written before the
  // recording grew) is judged on the signal.
  enum class TPhase { Header, ChunkHeader, Ds64, FormatChunk, ChunkBody, PastEnd };
  using TStatus = TStreamStatus;

  // Fills part_ up to want bytes; true when it holds them.
  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnHeader();
  void OnChunkHeader();
  void OnDs64();
  void OnFormatChunk();
  // Where the piece of samples read so far ends, if the samples stopped there.
  std::optional<uint64_t> PieceEnd() const;
  // Moves on once the chunk body ends at chunkEnd_.
  void OnChunkEnd();
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::Header;
  TStatus status_ = TStatus::Reading;
  std::array<uint8_t, kWaveFormatBytes> part_{};
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
  // The samples, judged where the data chunk's bytes cross a cluster boundary.
  std::optional<TPcmFormat> samples_;
  TPcmBody body_;
  uint64_t judgeEvery_ = 0;
  bool dataChunk_ = false;
  bool brokeInSamples_ = false;
};

}  // namespace quillot
