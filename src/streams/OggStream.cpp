#include "streams/OggStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/Crc.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

constexpr uint8_t kContinued = 0x01;
constexpr uint8_t kBegin = 0x02;
constexpr uint8_t kEnd = 0x04;
constexpr size_t kHeaderSize = 27;
// The capture pattern and stream structure version 0.
constexpr uint8_t kCapture[5] = {'O', 'g', 'g', 'S', 0};
constexpr uint8_t kNoCrc[4] = {};

}  // namespace

TStreamAnswer TOggStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Header: {
        bool full = GatherField(part_, partSize_, data, size, pos_, kHeaderSize);
        if (std::memcmp(part_.data(), kCapture, std::min<size_t>(partSize_, sizeof kCapture)) != 0) {
          // Where a page should begin something else does: past the first page the stream broke there.
          if (pageStart_ == 0)
            status_ = TStatus::NotMine;
          else
            Break(pageStart_, TEvidence::Structure);
        } else if (full) {
          OnHeader();
        }
        break;
      }
      case TPhase::Segments:
        if (GatherField(part_, partSize_, data, size, pos_, kHeaderSize + part_[26])) OnSegments();
        break;
      case TPhase::Body: {
        size_t take = size_t(std::min<uint64_t>(size, pageEnd_ - pos_));
        if (checksums_) crc_ = Crc32(crc_, data, take);
        data += take;
        size -= take;
        pos_ += take;
        if (pos_ == pageEnd_) OnPageEnd();
        break;
      }
      case TPhase::Next: {
        GatherField(part_, partSize_, data, size, pos_, 6);
        OnNextBytes();
        break;
      }
    }
  }
  return Answer();
}

bool TOggStream::ContinuesWith(const uint8_t* next, size_t size) const {
  const bool pageStartsHere = (phase_ == TPhase::Header || phase_ == TPhase::Next) && partSize_ == 0 && pos_ > 0;
  return pageStartsHere && std::memcmp(next, kCapture, std::min(size, sizeof kCapture)) == 0;
}

std::unique_ptr<TStreamUnit> TOggStream::RestartAtBreak(uint64_t& at) const {
  // A page broke, or the bytes stopped inside one or between two while a logical stream was open.
  if (status_ == TStatus::Broke)
    at = brokeAt_;
  else if (status_ == TStatus::Reading && phase_ != TPhase::Next && pos_ > 0)
    at = pageStart_;
  else
    return nullptr;
  // The table of logical streams changes only once a page held: it is as it was before that page.
  auto unit = std::make_unique<TOggStream>(*this);
  unit->status_ = TStatus::Reading;
  unit->phase_ = TPhase::Header;
  unit->pos_ = unit->pageStart_ = at;
  unit->partSize_ = 0;
  unit->brokeAt_ = 0;
  unit->brokeBy_ = TEvidence::None;
  return unit;
}

uint64_t TOggStream::BrokenPartLength() const {
  if (phase_ == TPhase::Body || (status_ == TStatus::Broke && phase_ != TPhase::Header)) return pageEnd_ - pageStart_;
  // Stopped inside a page's header: its length is not known yet.
  if (status_ == TStatus::Reading) return kHeaderSize + 255 + 255 * 255;
  return 0;
}

bool TOggStream::MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const {
  // The broken page's header, its bytes from both pieces.
  std::array<uint8_t, kHeaderSize + 255> header{};
  size_t have = 0;
  auto take = [&](size_t want) {
    for (; have < want; ++have) {
      if (have < headSize)
        header[have] = head[have];
      else if (have - headSize < nextSize)
        header[have] = next[have - headSize];
      else
        return false;
    }
    return true;
  };
  if (!take(kHeaderSize) || std::memcmp(header.data(), kCapture, sizeof kCapture) != 0 ||
      !take(kHeaderSize + header[26]))
    return false;
  const uint32_t serial = Le32(header.data() + 14);
  const uint32_t sequence = Le32(header.data() + 18);
  const bool follows = std::any_of(streams_.begin(), streams_.begin() + streamCount_, [&](const TLogical& s) {
    return s.Open && s.Serial == serial && sequence == uint32_t(s.Sequence + 1);
  });
  if (!follows) return false;
  size_t length = kHeaderSize + header[26];
  for (size_t i = 0; i < header[26]; ++i) length += header[kHeaderSize + i];
  // A page wholly in the first piece broke there: no other piece mends it.
  if (length <= headSize) return false;
  const size_t rest = length - headSize;
  if ((header[5] & kEnd) != 0) return rest <= nextSize;
  return rest + sizeof kCapture <= nextSize && std::memcmp(next + rest, kCapture, sizeof kCapture) == 0;
}

void TOggStream::OnHeader() {
  flags_ = part_[5];
  serial_ = Le32(part_.data() + 14);
  sequence_ = Le32(part_.data() + 18);
  pageCrc_ = Le32(part_.data() + 22);
  // A file starts with a begin page; a later page with flags no version 0 defines is broken.
  if (pageStart_ == 0 && (flags_ & kBegin) == 0) {
    status_ = TStatus::NotMine;
    return;
  }
  if ((flags_ & ~(kContinued | kBegin | kEnd)) != 0) {
    Break(pageStart_, TEvidence::Structure);
    return;
  }
  phase_ = TPhase::Segments;
  if (part_[26] == 0) OnSegments();
}

void TOggStream::OnSegments() {
  const size_t segments = part_[26];
  uint64_t body = 0;
  for (size_t i = 0; i < segments; ++i) body += part_[kHeaderSize + i];
  if (checksums_) {
    crc_ = Crc32(0, part_.data(), 22);
    crc_ = Crc32(crc_, kNoCrc, sizeof kNoCrc);
    crc_ = Crc32(crc_, part_.data() + 26, 1 + segments);
  }
  partSize_ = 0;
  pageEnd_ = pos_ + body;
  phase_ = TPhase::Body;
  if (pos_ == pageEnd_) OnPageEnd();
}

TOggStream::TLogical* TOggStream::Find(uint32_t serial) {
  for (size_t i = 0; i < streamCount_; ++i)
    if (streams_[i].Serial == serial) return &streams_[i];
  return nullptr;
}

void TOggStream::OnPageEnd() {
  if (checksums_ && crc_ != pageCrc_) {
    Break(pageStart_, TEvidence::Checksums);
    return;
  }
  TLogical* stream = Find(serial_);
  if (flags_ & kBegin) {
    // A serial begins once per group.
    if (stream) {
      Break(pageStart_, TEvidence::Structure);
      return;
    }
    if (streamCount_ == streams_.size()) {
      status_ = TStatus::NoLength;
      return;
    }
    stream = &streams_[streamCount_++];
    *stream = {serial_, sequence_, true};
  } else {
    if (!stream || !stream->Open) {
      Break(pageStart_, TEvidence::Structure);
      return;
    }
    // A page missing between two: the sequence numbers leave a gap.
    if (sequence_ != uint32_t(stream->Sequence + 1)) {
      Break(pageStart_, ByChecksums());
      return;
    }
    stream->Sequence = sequence_;
  }
  ++pagesHeld_;
  if (flags_ & kEnd) stream->Open = false;
  pageStart_ = pos_;
  bool anyOpen =
      std::any_of(streams_.begin(), streams_.begin() + streamCount_, [](const TLogical& s) { return s.Open; });
  if (anyOpen) {
    phase_ = TPhase::Header;
    return;
  }
  end_ = pos_;
  phase_ = TPhase::Next;
}

void TOggStream::OnNextBytes() {
  const size_t seen = std::min<size_t>(partSize_, sizeof kCapture);
  bool beginsGroup = std::memcmp(part_.data(), kCapture, seen) == 0;
  if (beginsGroup && partSize_ == 6) beginsGroup = (part_[5] & kBegin) != 0 && (part_[5] & kContinued) == 0;
  if (!beginsGroup) {
    status_ = TStatus::Ended;
    return;
  }
  if (partSize_ < 6) return;
  // The next link of a chain: a new group of logical streams, serials free again.
  streamCount_ = 0;
  phase_ = TPhase::Header;
}

void TOggStream::Break(uint64_t at, TEvidence evidence) {
  status_ = TStatus::Broke;
  brokeAt_ = at;
  brokeBy_ = evidence;
}

TStreamAnswer TOggStream::Answer() const { return AnswerFor(status_, end_, brokeAt_); }

TStreamVerdict TOggStream::Close() {
  switch (status_) {
    case TStatus::Ended: return {TVerdict::Whole, ByChecksums()};
    case TStatus::Broke: return {TVerdict::Damaged, brokeBy_};
    case TStatus::NotMine:
    case TStatus::NoLength: return {TVerdict::Unknown, TEvidence::None};
    case TStatus::Reading: break;
  }
  if (pos_ == 0) return {TVerdict::Unknown, TEvidence::None};
  // The last logical stream ended and the bytes stopped before anything else began.
  if (phase_ == TPhase::Next) return {TVerdict::Whole, ByChecksums()};
  return {TVerdict::CutShort, pagesHeld_ > 0 ? ByChecksums() : TEvidence::Structure};
}

}  // namespace quillot
