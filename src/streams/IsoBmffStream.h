// The ISO base media unit (MP4, M4A, 3GP): a walk over the top-level boxes by their sizes. The file ends
// after the last top-level box; that it was the last shows in the next 8 bytes, which are no box head (an
// implausible size, or a type that never stands at the top level, or another file's ftyp): the lag is 8
// bytes. Whole needs a moov and an mdat; the moov is parsed as it streams by, keeping only the lowest and
// highest chunk offset (stco, co64) and the sum of the sample sizes (stsz), which must lie inside the mdat
// boxes seen. Memory: a fixed stack of open boxes in the moov; nothing of the moov is held.
#pragma once

#include <array>

#include "streams/StreamStatus.h"
#include "streams/StreamUnit.h"

namespace quillot {

class TIsoBmffStream : public TStreamUnit {
 public:
  TStreamAnswer Feed(const uint8_t* data, size_t size) override;
  TStreamVerdict Close() override;

 private:
  enum class TPhase { Head, LargeSize, Skip, TableHead, TableEntry };
  using TStatus = TStreamStatus;
  enum class TTable { Offsets32, Offsets64, Sizes };
  static constexpr size_t kMaxDepth = 8;  // moov, trak, mdia, minf, stbl and room to spare

  bool Gather(const uint8_t*& data, size_t& size, size_t want);
  void OnHead();
  void OnBox(uint64_t boxSize, size_t headSize);
  void OnTableHead();
  void OnTableEntry();
  void AddSampleBytes(uint64_t bytes);
  // Closes every open box that ends here and reads the next head.
  void NextBox();
  // The top-level walk is over at boxStart_: the media tables decide between an end and a break.
  void Finish();
  bool MediaFitsMdat() const;
  void Break(uint64_t at);
  TStreamAnswer Answer() const;

  TPhase phase_ = TPhase::Head;
  TStatus status_ = TStatus::Reading;
  std::array<uint8_t, 16> part_{};
  size_t partSize_ = 0;
  uint64_t pos_ = 0;
  uint64_t boxStart_ = 0;
  uint64_t skipEnd_ = 0;
  std::array<uint64_t, kMaxDepth> ends_{};  // the ends of the open boxes inside the moov
  size_t depth_ = 0;

  bool sawMoov_ = false;
  bool sawMdat_ = false;
  uint64_t moovStart_ = 0;
  uint64_t mdatFirst_ = ~uint64_t(0);  // the first mdat payload byte
  uint64_t mdatEnd_ = 0;               // the end of the last mdat
  uint64_t mdatBytes_ = 0;             // payload bytes of every mdat

  TTable table_ = TTable::Sizes;
  uint64_t tableStart_ = 0;
  uint64_t tableEnd_ = 0;
  uint64_t entriesLeft_ = 0;
  uint64_t lowestOffset_ = ~uint64_t(0);
  uint64_t highestOffset_ = 0;
  uint64_t sampleBytes_ = 0;

  uint64_t end_ = 0;
  uint64_t brokeAt_ = 0;
};

}  // namespace quillot
