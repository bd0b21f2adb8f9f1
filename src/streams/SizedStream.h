// The common walk of the formats read by lengths alone (no checksums): the unit asks for its next small
// field (ReadField) or for the bytes up to an offset to pass by (SkipTo); the walk gathers the field across
// feeds, skips without looking, and calls the unit back. Verdicts rest on the structure. Memory: one field.
#pragma once

#include <array>
#include <memory>
#include <optional>

#include "streams/Bytes.h"
#include "streams/PcmBody.h"
#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TSizedStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) final;
  TStreamVerdict Close() final;
  // Samples (PCM, DSD) that only the sizes claim.
  bool ClaimsByLengthAlone() const override { return true; }
  // Samples a unit declared (see Samples) are judged on the signal; a recording that broke there goes on
  // where a cluster's samples continue it (streams/PcmBody.h).
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

 protected:
  static constexpr size_t kMaxField = 64;
  // The first field the unit reads, from byte 0.
  explicit TSizedStream(size_t firstField) : want_(firstField) {}

  // Each time the field being gathered grows, whole or not: the unit may refuse it early (NotMine, End).
  virtual void Screen(const uint8_t* field, size_t have) = 0;
  // The field is whole: the unit moves on with ReadField, SkipTo or an answer.
  virtual void OnField(const uint8_t* field, size_t size) = 0;
  // The skip reached its offset.
  virtual void OnSkipped() = 0;

  void ReadField(size_t size);
  void SkipTo(uint64_t at);  // at least Pos()
  void End(uint64_t at);
  void Break(uint64_t at);
  void NoLength();  // the stream carries no length to trust
  void NotMine();
  // The stream may end here: if the bytes stop now it is whole. Called after asking for the field that
  // tells; the next ReadField or SkipTo clears it.
  void MayEndAt(uint64_t at);
  uint64_t Pos() const { return pos_; }
  bool FirstField() const { return fields_ == 0; }
  // The recording's samples lie from file byte first to end, laid out as format says: they are judged as the
  // walk skips over them. Before the SkipTo that passes them.
  void Samples(const TPcmFormat& format, uint64_t first, uint64_t end);
  // A copy of the unit as it stands; a unit that gives none is not resumed in another piece.
  virtual std::unique_ptr<TSizedStream> Clone() const { return nullptr; }

 private:
  using TStatus = TStreamStatus;
  // Where the piece of samples read so far ends, if the samples stopped there.
  std::optional<uint64_t> PieceEnd() const;

  TStatus status_ = TStatus::Reading;
  std::array<uint8_t, kMaxField> field_{};
  size_t have_ = 0;
  size_t want_ = 0;  // bytes of the field, or 0 while skipping
  uint64_t skipTo_ = 0;
  uint64_t pos_ = 0;
  uint64_t fields_ = 0;  // fields whole so far
  uint64_t at_ = 0;      // the end or break
  bool mayEnd_ = false;
  TPcmBody body_;
  uint64_t judgeEvery_ = 0;
  uint64_t samplesFirst_ = 0, samplesEnd_ = 0;
  bool brokeInSamples_ = false;
};

// Each unit that reads lengths alone and gives its samples' layout is resumed from a copy of itself.
template <class TUnit>
class TSizedSamples : public TSizedStream {
 protected:
  using TSizedStream::TSizedStream;
  std::unique_ptr<TSizedStream> Clone() const override {
    return std::make_unique<TUnit>(static_cast<const TUnit&>(*this));
  }
};

// A four-character code of printable ASCII.
bool IsPrintableCode(const uint8_t* p);

}  // namespace quillot
