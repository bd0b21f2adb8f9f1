// The tracker module unit, one mode per signature: IT ("IMPM" at 0), XM ("Extended Module: " at 0), S3M
// ("SCRM" at 44) and MOD (a channel tag at 1080). None of them says its length; it follows from the header:
//  - MOD: 1084 + patterns * 64 rows * channels * 4 + the 31 sample lengths.
//  - XM: walked part by part: the header by its size, each pattern by its header and packed size, each
//    instrument by its header, its sample headers and the sample lengths they give.
//  - S3M and IT: the header's tables of pointers (to instruments, samples, patterns, the message) are kept,
//    and the parts are read in file order as the bytes pass; the end is the furthest byte the pointers and
//    the lengths they lead to reach. IT samples stored compressed have no length here: no usable length.
// Memory: the header and its pointer tables, bounded by kMaxTable (a module with more parts is refused).
// Lag 0: the end is known before it comes.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TTrackerStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

 private:
  enum class TMode { Unsure, Mod, Xm, S3m, It };
  enum class TPhase { Detect, Table, Skip, Record };
  using TStatus = TStreamStatus;
  // The part read at the end of a skip.
  enum class TPart : uint8_t {
    S3mInstrument,
    S3mPattern,
    ItSample,
    ItPattern,
    XmPatternHead,
    XmInstrumentSize,
    XmInstrumentHead,
    XmSampleHead,
    Tail,  // nothing to read: the end
  };
  struct TVisit {
    uint64_t At = 0;
    TPart Part = TPart::Tail;
  };
  static constexpr size_t kMaxTable = 4096;  // the largest header with its tables kept
  static constexpr size_t kMaxVisits = 800;  // IT: up to 256 instruments, samples and patterns, and the message

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnDetect();
  void OnTable();
  void OnModHeader();
  void OnS3mTable();
  void OnItTable();
  void OnXmHeader();
  void OnRecord();
  // Reads the part at offset at, of record bytes, once the bytes reach it.
  void ReadAt(uint64_t at, TPart part, size_t record);
  void NextVisit();
  void NextXmPart();
  void Reach(uint64_t end);
  void Break(uint64_t at);
  TStreamAnswer Answer() const;

  TMode mode_ = TMode::Unsure;
  TPhase phase_ = TPhase::Detect;
  TStatus status_ = TStatus::Reading;
  std::array<uint8_t, kMaxTable> part_{};
  size_t partSize_ = 0;
  size_t want_ = 0;  // the bytes gathered in Table and Record
  uint64_t pos_ = 0;

  uint64_t skipEnd_ = 0;
  TPart next_ = TPart::Tail;
  uint64_t recordAt_ = 0;
  uint64_t furthest_ = 0;  // the furthest byte any part reaches

  std::array<TVisit, kMaxVisits> visits_{};
  size_t visitCount_ = 0;
  size_t visitNext_ = 0;

  // XM walk
  uint32_t xmPatternsLeft_ = 0;
  uint32_t xmInstrumentsLeft_ = 0;
  uint32_t xmSamplesLeft_ = 0;
  uint32_t xmSampleHeadSize_ = 0;
  uint64_t xmSampleBytes_ = 0;

  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
};

}  // namespace quillot
