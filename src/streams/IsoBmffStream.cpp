#include "streams/IsoBmffStream.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "streams/Bytes.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

bool IsType(const uint8_t* p, std::string_view type) { return std::memcmp(p, type.data(), 4) == 0; }

bool IsPrintableType(const uint8_t* p) {
  return std::all_of(p, p + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

// The types that stand at the top level of a file; ftyp is left out: a second one starts another file.
bool IsTopLevelType(const uint8_t* p) {
  for (std::string_view type : {"moov", "mdat", "free", "skip", "wide", "udta", "uuid", "meta", "pdin", "moof", "mfra",
                                "styp", "sidx", "ssix", "prft", "emsg", "pnot", "bloc"})
    if (IsType(p, type)) return true;
  return false;
}

// The boxes of the moov walked into on the way to the sample tables.
bool IsMoovContainer(const uint8_t* p) {
  return IsType(p, "trak") || IsType(p, "mdia") || IsType(p, "minf") || IsType(p, "stbl");
}

constexpr uint64_t kHugeSize = ~uint64_t(0) / 4;  // no real box comes near; past it a sum could overflow

}  // namespace

bool TIsoBmffStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TIsoBmffStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Head:
        if (Gather(data, size, 8)) OnHead();
        break;
      case TPhase::LargeSize:
        if (Gather(data, size, 16)) OnBox(Be64(part_.data() + 8), 16);
        break;
      case TPhase::Skip: {
        uint64_t skip = std::min<uint64_t>(size, skipEnd_ - pos_);
        data += skip;
        size -= skip;
        pos_ += skip;
        if (pos_ == skipEnd_) NextBox();
        break;
      }
      case TPhase::TableHead:
        if (Gather(data, size, table_ == TTable::Sizes ? 12 : 8)) OnTableHead();
        break;
      case TPhase::TableEntry:
        if (Gather(data, size, table_ == TTable::Offsets64 ? 8 : 4)) OnTableEntry();
        break;
    }
  }
  return Answer();
}

void TIsoBmffStream::OnHead() {
  const uint8_t* type = part_.data() + 4;
  const uint32_t size = Be32(part_.data());
  if (depth_ > 0) {
    // Inside the moov every box must fit its parent.
    if (size == 0 || (size > 1 && size < 8) || !IsPrintableType(type)) return Break(boxStart_);
    if (size == 1) {
      phase_ = TPhase::LargeSize;
      return;
    }
    return OnBox(size, 8);
  }
  if (boxStart_ == 0) {
    // The catalogue finds a file by its ftyp; a brand and a version need 16 bytes.
    if (!IsType(type, "ftyp") || size < 16) {
      status_ = TStatus::NotMine;
      return;
    }
    return OnBox(size, 8);
  }
  const bool plausible = (size == 0 || size == 1 || size >= 8);
  if (sawMoov_ && sawMdat_ && (!plausible || !IsTopLevelType(type))) return Finish();
  // No head where a box should start, before the media was described: the sizes were never written.
  if (!plausible || !IsTopLevelType(type)) {
    status_ = TStatus::NoLength;
    return;
  }
  // Size 0 reaches to the end of the file, which is no length the walk can use.
  if (size == 0) {
    status_ = TStatus::NoLength;
    return;
  }
  if (size == 1) {
    phase_ = TPhase::LargeSize;
    return;
  }
  OnBox(size, 8);
}

void TIsoBmffStream::OnBox(uint64_t boxSize, size_t headSize) {
  partSize_ = 0;
  const uint8_t* type = part_.data() + 4;
  if (boxSize < headSize || boxSize > kHugeSize) {
    if (depth_ > 0) return Break(boxStart_);
    status_ = TStatus::NoLength;
    return;
  }
  const uint64_t end = boxStart_ + boxSize;
  if (depth_ > 0) {
    if (end > ends_[depth_ - 1]) return Break(boxStart_);
    if (IsMoovContainer(type) && depth_ < kMaxDepth) {
      ends_[depth_++] = end;
      return NextBox();
    }
    const bool offsets32 = IsType(type, "stco"), offsets64 = IsType(type, "co64"), sizes = IsType(type, "stsz");
    if (offsets32 || offsets64 || sizes) {
      table_ = offsets32 ? TTable::Offsets32 : offsets64 ? TTable::Offsets64 : TTable::Sizes;
      tableStart_ = boxStart_;
      tableEnd_ = end;
      if (end - pos_ < (sizes ? 12u : 8u)) return Break(boxStart_);
      phase_ = TPhase::TableHead;
      return;
    }
    skipEnd_ = end;
    phase_ = TPhase::Skip;
    if (pos_ == skipEnd_) NextBox();
    return;
  }
  if (IsType(type, "moov")) {
    sawMoov_ = true;
    moovStart_ = boxStart_;
    ends_[depth_++] = end;
    return NextBox();
  }
  if (IsType(type, "mdat")) {
    sawMdat_ = true;
    mdatFirst_ = std::min(mdatFirst_, pos_);
    mdatEnd_ = std::max(mdatEnd_, end);
    mdatBytes_ = std::min(mdatBytes_ + (end - pos_), kHugeSize);
  }
  skipEnd_ = end;
  phase_ = TPhase::Skip;
  if (pos_ == skipEnd_) NextBox();
}

void TIsoBmffStream::OnTableHead() {
  partSize_ = 0;
  const uint8_t* fields = part_.data() + 4;  // after version and flags
  const uint64_t room = tableEnd_ - pos_;
  if (table_ == TTable::Sizes) {
    const uint32_t common = Be32(fields);
    entriesLeft_ = Be32(fields + 4);
    if (common != 0) {
      AddSampleBytes(uint64_t(common) * entriesLeft_);
      entriesLeft_ = 0;
    }
  } else {
    entriesLeft_ = Be32(fields);
  }
  const uint64_t entrySize = table_ == TTable::Offsets64 ? 8 : 4;
  if (entriesLeft_ > room / entrySize) return Break(tableStart_);
  if (entriesLeft_ > 0) {
    phase_ = TPhase::TableEntry;
    return;
  }
  skipEnd_ = tableEnd_;
  phase_ = TPhase::Skip;
  if (pos_ == skipEnd_) NextBox();
}

void TIsoBmffStream::OnTableEntry() {
  partSize_ = 0;
  if (table_ == TTable::Sizes) {
    AddSampleBytes(Be32(part_.data()));
  } else {
    const uint64_t offset = table_ == TTable::Offsets64 ? Be64(part_.data()) : Be32(part_.data());
    lowestOffset_ = std::min(lowestOffset_, offset);
    highestOffset_ = std::max(highestOffset_, offset);
  }
  if (--entriesLeft_ > 0) return;
  skipEnd_ = tableEnd_;
  phase_ = TPhase::Skip;
  if (pos_ == skipEnd_) NextBox();
}

void TIsoBmffStream::AddSampleBytes(uint64_t bytes) {
  // Held below kHugeSize + 1, which no mdat total reaches.
  sampleBytes_ = std::min(sampleBytes_ + std::min(bytes, kHugeSize), kHugeSize + 1);
}

void TIsoBmffStream::NextBox() {
  while (depth_ > 0 && pos_ == ends_[depth_ - 1]) --depth_;
  boxStart_ = pos_;
  phase_ = TPhase::Head;
  // A few bytes left in a box of the moov hold no child: a terminator some writers add.
  if (depth_ > 0 && ends_[depth_ - 1] - pos_ < 8) {
    skipEnd_ = ends_[depth_ - 1];
    phase_ = TPhase::Skip;
  }
}

bool TIsoBmffStream::MediaFitsMdat() const {
  if (sampleBytes_ > mdatBytes_) return false;
  if (lowestOffset_ > highestOffset_) return true;  // no chunk offsets: a fragmented file
  return lowestOffset_ >= mdatFirst_ && highestOffset_ < mdatEnd_;
}

void TIsoBmffStream::Finish() {
  partSize_ = 0;
  if (!MediaFitsMdat()) return Break(moovStart_);
  end_ = boxStart_;
  status_ = TStatus::Ended;
}

void TIsoBmffStream::Break(uint64_t at) {
  partSize_ = 0;
  status_ = TStatus::Broke;
  brokeAt_ = at;
}

TStreamAnswer TIsoBmffStream::Answer() const { return AnswerFor(status_, end_, brokeAt_); }

TStreamVerdict TIsoBmffStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  // The bytes stopped right after a top-level box: the file may have ended there.
  if (sawMoov_ && sawMdat_ && depth_ == 0 && phase_ == TPhase::Head && partSize_ == 0) {
    return MediaFitsMdat() ? TStreamVerdict{TVerdict::Whole, TEvidence::Structure}
                           : TStreamVerdict{TVerdict::Damaged, TEvidence::Structure};
  }
  if (pos_ > 0) return {TVerdict::CutShort, TEvidence::Structure};
  return {};
}

}  // namespace quillot
