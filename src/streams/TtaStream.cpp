#include "streams/TtaStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/Crc.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {}  // namespace

bool TTtaStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TTtaStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Header: {
        bool full = Gather(data, size, 22);
        if (std::memcmp(part_.data(), "TTA1", std::min<size_t>(partSize_, 4)) != 0)
          status_ = TStatus::NotMine;
        else if (full)
          OnHeader();
        break;
      }
      case TPhase::Table:
        // Each size as its four bytes come; the CRC-32 over the table as it goes.
        if (Gather(data, size, 4)) {
          tableCrc_ = Crc32Reflected(tableCrc_, part_.data(), 4);
          uint32_t frameSize = Le32(part_.data());
          tableZero_ = tableZero_ && frameSize == 0;
          sizes_.push_back(frameSize);
          partSize_ = 0;
          if (sizes_.size() == frameCount_) phase_ = TPhase::TableCrc;
        }
        break;
      case TPhase::TableCrc:
        if (Gather(data, size, 4)) OnTableCrc();
        break;
      case TPhase::FrameData: {
        size_t run = size_t(std::min<uint64_t>(size, crcAt_ - pos_));
        if (checksums_) crc_ = Crc32Reflected(crc_, data, run);
        data += run;
        size -= run;
        pos_ += run;
        if (pos_ == crcAt_) phase_ = TPhase::FrameCrc;
        break;
      }
      case TPhase::FrameCrc:
        if (!Gather(data, size, 4)) break;
        partSize_ = 0;
        if (checksums_ && Le32(part_.data()) != crc_) {
          Break(frameStart_, TEvidence::Checksums);
          break;
        }
        ++framesHeld_;
        if (++frame_ < frameCount_) {
          OpenFrame();
        } else {
          phase_ = TPhase::Tags;
          tags_.Start(pos_);
        }
        break;
      case TPhase::Tags:
        if (tags_.Feed(data, size)) {
          status_ = TStatus::Ended;
          end_ = tags_.End();
        }
        size = 0;
        break;
    }
  }
  return AnswerFor(status_, end_, brokeAt_);
}

void TTtaStream::OnHeader() {
  const uint8_t* p = part_.data();
  partSize_ = 0;
  if (Crc32Reflected(0, p, 18) != Le32(p + 18)) {
    Break(0, TEvidence::Checksums);
    return;
  }
  const uint32_t format = Le16(p + 4), channels = Le16(p + 6), bits = Le16(p + 8);
  const uint32_t rate = Le32(p + 10), total = Le32(p + 14);
  if (format < 1 || format > 2 || channels == 0 || bits < 8 || bits > 32 || rate < 245) {
    Break(0, TEvidence::Structure);
    return;
  }
  const uint64_t frameLength = 256ull * rate / 245;
  frameCount_ = (total + frameLength - 1) / frameLength;
  if (frameCount_ == 0 || frameCount_ > kMaxFrames) {
    status_ = TStatus::NoLength;
    return;
  }
  sizes_.reserve(size_t(frameCount_));
  tableStart_ = pos_;
  phase_ = TPhase::Table;
}

void TTtaStream::OnTableCrc() {
  partSize_ = 0;
  const uint32_t stored = Le32(part_.data());
  if (stored != tableCrc_) {
    // A table never written, its CRC included, is a placeholder.
    if (tableZero_ && stored == 0)
      status_ = TStatus::NoLength;
    else
      Break(tableStart_, TEvidence::Checksums);
    return;
  }
  // A frame holds at least its CRC-32.
  if (std::any_of(sizes_.begin(), sizes_.end(), [](uint32_t s) { return s < 4; })) {
    Break(tableStart_, TEvidence::Structure);
    return;
  }
  frame_ = 0;
  OpenFrame();
}

void TTtaStream::OpenFrame() {
  frameStart_ = pos_;
  crcAt_ = pos_ + sizes_[size_t(frame_)] - 4;
  crc_ = 0;
  phase_ = pos_ == crcAt_ ? TPhase::FrameCrc : TPhase::FrameData;
}

void TTtaStream::Break(uint64_t at, TEvidence evidence) {
  status_ = TStatus::Broke;
  brokeAt_ = at;
  brokeBy_ = evidence;
  sizes_ = {};
}

TStreamVerdict TTtaStream::Close() {
  switch (status_) {
    case TStatus::Ended: return {TVerdict::Whole, ByChecksums()};
    case TStatus::Broke: return {TVerdict::Damaged, brokeBy_};
    case TStatus::NotMine:
    case TStatus::NoLength: return {TVerdict::Unknown, TEvidence::None};
    case TStatus::Reading: break;
  }
  if (pos_ == 0) return {TVerdict::Unknown, TEvidence::None};
  if (phase_ == TPhase::Tags && !tags_.InsideTag()) return {TVerdict::Whole, ByChecksums()};
  return {TVerdict::CutShort, framesHeld_ > 0 ? ByChecksums() : TEvidence::Structure};
}

}  // namespace quillot
