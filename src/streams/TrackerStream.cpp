#include "streams/TrackerStream.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "streams/Bytes.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

bool Has(const uint8_t* p, std::string_view text) { return std::memcmp(p, text.data(), text.size()) == 0; }

constexpr size_t kItHeader = 192;
constexpr size_t kS3mHeader = 96;
constexpr size_t kXmSizeField = 60;  // the XM header's size counts from here
constexpr size_t kModHeader = 1084;
constexpr size_t kMaxParts = 256;  // of each kind in one module; the trackers allow fewer
constexpr uint64_t kItInstrument = 554;
constexpr uint64_t kS3mInstrument = 80;

// The channels a MOD's tag at 1080 names, or 0 when it names none.
unsigned ModChannels(const uint8_t* tag) {
  for (std::string_view four : {"M.K.", "M!K!", "M&K!", "FLT4", "N.T."})
    if (Has(tag, four)) return 4;
  if (Has(tag, "FLT8")) return 8;
  auto digit = [](uint8_t c) { return c >= '0' && c <= '9'; };
  if (digit(tag[0]) && Has(tag + 1, "CHN")) return tag[0] - '0';
  if (digit(tag[0]) && digit(tag[1]) && Has(tag + 2, "CH")) return (tag[0] - '0') * 10 + (tag[1] - '0');
  return 0;
}

}  // namespace

bool TTrackerStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TTrackerStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Detect: {
        // The signatures stand at 0 (IT), 0 to 17 (XM), 44 (S3M) and 1080 (MOD): look at each in turn.
        const size_t next = partSize_ < 4 ? 4 : partSize_ < 17 ? 17 : partSize_ < 48 ? 48 : kModHeader;
        if (Gather(data, size, next)) OnDetect();
        break;
      }
      case TPhase::Table:
      case TPhase::Record:
        if (Gather(data, size, want_)) phase_ == TPhase::Table ? OnTable() : OnRecord();
        break;
      case TPhase::Skip: {
        const uint64_t skip = std::min<uint64_t>(size, skipEnd_ - pos_);
        data += skip;
        size -= skip;
        pos_ += skip;
        if (pos_ < skipEnd_) break;
        if (next_ == TPart::Tail) {
          status_ = TStatus::Ended;
          end_ = pos_;
        } else {
          phase_ = TPhase::Record;
        }
        break;
      }
    }
  }
  return Answer();
}

void TTrackerStream::OnDetect() {
  const uint8_t* p = part_.data();
  phase_ = TPhase::Table;
  if (partSize_ == 4 && Has(p, "IMPM")) {
    mode_ = TMode::It;
    want_ = kItHeader;
  } else if (partSize_ == 17 && Has(p, "Extended Module: ")) {
    mode_ = TMode::Xm;
    want_ = kXmSizeField + 4;
  } else if (partSize_ == 48 && Has(p + 44, "SCRM") && p[28] == 0x1A) {
    mode_ = TMode::S3m;
    want_ = kS3mHeader;
  } else if (partSize_ == kModHeader) {
    if (ModChannels(p + 1080) == 0) {
      status_ = TStatus::NotMine;
      return;
    }
    mode_ = TMode::Mod;
    return OnModHeader();
  } else {
    phase_ = TPhase::Detect;
  }
}

void TTrackerStream::OnTable() {
  const uint8_t* p = part_.data();
  switch (mode_) {
    case TMode::It:
      if (partSize_ == kItHeader) {
        const size_t orders = Le16(p + 32), instruments = Le16(p + 34), samples = Le16(p + 36), patterns = Le16(p + 38);
        if (orders > kMaxParts || instruments > kMaxParts || samples > kMaxParts || patterns > kMaxParts) {
          status_ = TStatus::NotMine;
          return;
        }
        want_ = kItHeader + orders + 4 * (instruments + samples + patterns);
        if (want_ > partSize_) return;
      }
      return OnItTable();
    case TMode::S3m:
      if (partSize_ == kS3mHeader) {
        const size_t orders = Le16(p + 32), instruments = Le16(p + 34), patterns = Le16(p + 36);
        if (orders > kMaxParts || instruments > kMaxParts || patterns > kMaxParts) {
          status_ = TStatus::NotMine;
          return;
        }
        want_ = kS3mHeader + orders + 2 * (instruments + patterns);
        if (want_ > partSize_) return;
      }
      return OnS3mTable();
    case TMode::Xm:
      if (partSize_ == kXmSizeField + 4) {
        const uint64_t headerSize = Le32(p + kXmSizeField);
        // The fields up to the instrument count, and no more than is kept.
        if (headerSize < 16 || headerSize > kMaxTable - kXmSizeField) {
          status_ = TStatus::NotMine;
          return;
        }
        want_ = kXmSizeField + size_t(headerSize);
        if (want_ > partSize_) return;
      }
      return OnXmHeader();
    case TMode::Unsure:
    case TMode::Mod: break;
  }
}

void TTrackerStream::OnModHeader() {
  const uint8_t* p = part_.data();
  partSize_ = 0;
  uint8_t highest = 0;
  for (size_t i = 952; i < 1080; ++i) highest = std::max(highest, p[i]);
  if (highest >= 128) {
    status_ = TStatus::NotMine;
    return;
  }
  uint64_t end = kModHeader + uint64_t(highest + 1) * 64 * 4 * ModChannels(p + 1080);
  for (size_t i = 0; i < 31; ++i) end += 2 * uint64_t(Be16(p + 20 + 30 * i + 22));
  visitCount_ = 0;
  Reach(end);
  NextVisit();
}

void TTrackerStream::OnS3mTable() {
  const uint8_t* p = part_.data();
  const size_t orders = Le16(p + 32), instruments = Le16(p + 34), patterns = Le16(p + 36);
  const uint8_t* pointers = p + kS3mHeader + orders;
  visitCount_ = 0;
  // Pointers count 16-byte paragraphs from the file's start; 0 is an empty slot.
  for (size_t i = 0; i < instruments + patterns; ++i) {
    const uint64_t at = uint64_t(Le16(pointers + 2 * i)) * 16;
    if (at != 0) visits_[visitCount_++] = {at, i < instruments ? TPart::S3mInstrument : TPart::S3mPattern};
  }
  partSize_ = 0;
  Reach(pos_);
  std::stable_sort(visits_.begin(), visits_.begin() + visitCount_,
                   [](const TVisit& a, const TVisit& b) { return a.At < b.At; });
  NextVisit();
}

void TTrackerStream::OnItTable() {
  const uint8_t* p = part_.data();
  const size_t orders = Le16(p + 32), instruments = Le16(p + 34), samples = Le16(p + 36), patterns = Le16(p + 38);
  const uint16_t special = Le16(p + 46);
  const uint8_t* pointers = p + kItHeader + orders;
  visitCount_ = 0;
  Reach(pos_);
  if (special & 1) Reach(uint64_t(Le32(p + 56)) + Le16(p + 54));  // the song message
  for (size_t i = 0; i < instruments + samples + patterns; ++i) {
    const uint64_t at = Le32(pointers + 4 * i);
    if (i < instruments) {
      Reach(at + kItInstrument);  // instruments hold no sample data: nothing to read
    } else if (i < instruments + samples) {
      visits_[visitCount_++] = {at, TPart::ItSample};
    } else if (at != 0) {
      visits_[visitCount_++] = {at, TPart::ItPattern};
    }
  }
  partSize_ = 0;
  std::stable_sort(visits_.begin(), visits_.begin() + visitCount_,
                   [](const TVisit& a, const TVisit& b) { return a.At < b.At; });
  NextVisit();
}

void TTrackerStream::OnXmHeader() {
  const uint8_t* p = part_.data();
  xmPatternsLeft_ = Le16(p + 70);
  xmInstrumentsLeft_ = Le16(p + 72);
  partSize_ = 0;
  if (xmPatternsLeft_ > kMaxParts || xmInstrumentsLeft_ > kMaxParts) {
    status_ = TStatus::NotMine;
    return;
  }
  NextXmPart();
}

void TTrackerStream::ReadAt(uint64_t at, TPart part, size_t record) {
  partSize_ = 0;
  skipEnd_ = at;
  next_ = part;
  want_ = record;
  recordAt_ = at;
  phase_ = pos_ == at ? TPhase::Record : TPhase::Skip;
}

void TTrackerStream::OnRecord() {
  const uint8_t* p = part_.data();
  switch (next_) {
    case TPart::S3mInstrument: {
      Reach(recordAt_ + kS3mInstrument);
      if (p[0] == 1) {  // a sampled instrument; the others are synthesised
        const uint64_t sampleAt = (uint64_t(p[13]) << 16 | Le16(p + 14)) * 16;
        const uint8_t flags = p[31];
        const uint64_t bytes = uint64_t(Le32(p + 16)) * (flags & 4 ? 2 : 1) * (flags & 2 ? 2 : 1);
        if (bytes > 0) Reach(sampleAt + bytes);
      }
      return NextVisit();
    }
    case TPart::S3mPattern: {
      const uint16_t length = Le16(p);  // the packed pattern, its length word included
      if (length < 2) return Break(recordAt_);
      Reach(recordAt_ + length);
      return NextVisit();
    }
    case TPart::ItSample: {
      if (!Has(p, "IMPS")) return Break(recordAt_);
      Reach(recordAt_ + 80);
      const uint8_t flags = p[18];
      if (flags & 1) {
        // Compressed samples are blocks whose sizes only a decoder learns.
        if (flags & 8) {
          status_ = TStatus::NoLength;
          return;
        }
        const uint64_t bytes = uint64_t(Le32(p + 48)) * (flags & 2 ? 2 : 1) * (flags & 4 ? 2 : 1);
        if (bytes > 0) Reach(Le32(p + 72) + bytes);
      }
      return NextVisit();
    }
    case TPart::ItPattern: Reach(recordAt_ + 8 + Le16(p)); return NextVisit();
    case TPart::XmPatternHead: {
      const uint32_t headSize = Le32(p);
      if (headSize < 9 || headSize > 0xFFFF) return Break(recordAt_);
      --xmPatternsLeft_;
      Reach(recordAt_ + headSize + Le16(p + 7));
      return NextXmPart();
    }
    case TPart::XmInstrumentHead: {
      const uint32_t headSize = Le32(p);
      const uint16_t samples = Le16(p + 27);
      if (headSize < 29 || headSize > 0xFFFF || samples > kMaxParts || (samples > 0 && headSize < 33))
        return Break(recordAt_);
      if (samples > 0 && partSize_ < 33) {
        want_ = 33;  // the sample header size follows
        return;
      }
      xmSampleHeadSize_ = samples > 0 ? Le32(p + 29) : 0;
      if (samples > 0 && (xmSampleHeadSize_ < 4 || xmSampleHeadSize_ > 0xFFFF)) return Break(recordAt_);
      --xmInstrumentsLeft_;
      xmSamplesLeft_ = samples;
      xmSampleBytes_ = 0;
      Reach(recordAt_ + headSize);
      return NextXmPart();
    }
    case TPart::XmSampleHead:
      --xmSamplesLeft_;
      xmSampleBytes_ += Le32(p);
      Reach(recordAt_ + xmSampleHeadSize_);
      // The instrument's sample data follows its last sample header.
      if (xmSamplesLeft_ == 0) Reach(furthest_ + xmSampleBytes_);
      return NextXmPart();
    case TPart::XmInstrumentSize:
    case TPart::Tail: break;
  }
}

void TTrackerStream::NextXmPart() {
  const uint64_t at = std::max(furthest_, pos_);
  if (xmPatternsLeft_ > 0) return ReadAt(at, TPart::XmPatternHead, 9);
  if (xmSamplesLeft_ > 0) return ReadAt(at, TPart::XmSampleHead, 4);
  if (xmInstrumentsLeft_ > 0) return ReadAt(at, TPart::XmInstrumentHead, 29);
  visitCount_ = visitNext_ = 0;
  NextVisit();
}

void TTrackerStream::NextVisit() {
  if (visitNext_ < visitCount_) {
    const TVisit visit = visits_[visitNext_++];
    // A part the bytes have passed: inside the header, or overlapping the part before it.
    if (visit.At < pos_) return Break(visit.At);
    const size_t record = visit.Part == TPart::S3mInstrument ? 32
                          : visit.Part == TPart::S3mPattern  ? 2
                          : visit.Part == TPart::ItSample    ? 80
                                                             : 8;
    return ReadAt(visit.At, visit.Part, record);
  }
  Reach(pos_);
  partSize_ = 0;
  skipEnd_ = furthest_;
  next_ = TPart::Tail;
  phase_ = TPhase::Skip;
  if (pos_ == skipEnd_) {
    status_ = TStatus::Ended;
    end_ = pos_;
  }
}

void TTrackerStream::Reach(uint64_t end) { furthest_ = std::max(furthest_, end); }

void TTrackerStream::Break(uint64_t at) {
  status_ = TStatus::Broke;
  brokeAt_ = at;
}

TStreamAnswer TTrackerStream::Answer() const { return AnswerFor(status_, end_, brokeAt_); }

TStreamVerdict TTrackerStream::Close() {
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  if (mode_ != TMode::Unsure) return {TVerdict::CutShort, TEvidence::Structure};
  return {};
}

}  // namespace quillot
