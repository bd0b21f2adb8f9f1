#include "streams/MpegAudioStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/Crc.h"
#include "streams/FrameRun.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

// kbit/s by bitrate index; index 0 (free format) and 15 are refused.
constexpr uint16_t kBitrates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2 and 2.5 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2 and 2.5 Layers II, III
};
constexpr uint32_t kRates[3] = {44100, 48000, 32000};
constexpr uint64_t kMaxZeros = 64 * 1024;  // padding after an ID3v2 tag

bool IsMono(const TMpegFrameHeader& h) { return h.Mode == 3; }

size_t SideInfoSize(const TMpegFrameHeader& h) {
  if (h.Version == 3) return IsMono(h) ? 17 : 32;
  return IsMono(h) ? 9 : 17;
}

// Reads bits MSB first from the protected part of a frame; past the end it reads zeros and says so.
class TBitReader {
 public:
  TBitReader(const uint8_t* data, size_t size) : data_(data), bits_(size * 8) {}
  uint32_t Read(unsigned n) {
    uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i, ++pos_) v = v << 1 | (pos_ < bits_ ? (data_[pos_ / 8] >> (7 - pos_ % 8)) & 1 : 0);
    return v;
  }
  size_t Pos() const { return pos_; }
  bool Short() const { return pos_ > bits_; }

 private:
  const uint8_t* data_;
  size_t bits_;
  size_t pos_ = 0;
};

// The bits a Layer II frame's CRC covers after the header: the bit allocation and the scale-factor
// selection of every allocated subband, by the allocation tables for its rate and bitrate per channel.
size_t LayerTwoProtectedBits(const TMpegFrameHeader& h, const uint8_t* p, size_t size) {
  const unsigned channels = IsMono(h) ? 1 : 2;
  const uint32_t perChannel = h.Bitrate / channels;
  unsigned subbands = 30;
  auto bitsFor = [&](unsigned sb) -> unsigned { return sb < 4 ? 4 : sb < 11 ? 3 : 2; };  // MPEG-2 and 2.5
  bool small = false;
  if (h.Version == 3) {
    if ((h.SampleRate == 48000 && perChannel >= 56) || (perChannel >= 56 && perChannel <= 80)) {
      subbands = 27;
    } else if (h.SampleRate != 48000 && perChannel >= 96) {
      subbands = 30;
    } else {
      small = true;
      subbands = h.SampleRate != 32000 && perChannel <= 48 ? 8 : 12;
    }
  }
  auto allocationBits = [&](unsigned sb) -> unsigned {
    if (h.Version != 3) return bitsFor(sb);
    if (small) return sb < 2 ? 4 : 3;
    return sb < 11 ? 4 : sb < 23 ? 3 : 2;
  };
  unsigned bound = h.Mode == 1 ? std::min<unsigned>(subbands, (h.ModeExtension + 1u) * 4) : subbands;
  if (channels == 1) bound = subbands;
  uint8_t allocation[2][32] = {};
  TBitReader in(p, size);
  for (unsigned sb = 0; sb < subbands; ++sb)
    for (unsigned ch = 0; ch < channels; ++ch) {
      if (sb >= bound && ch == 1) {
        allocation[1][sb] = allocation[0][sb];
        continue;
      }
      allocation[ch][sb] = uint8_t(in.Read(allocationBits(sb)));
    }
  for (unsigned sb = 0; sb < subbands; ++sb)
    for (unsigned ch = 0; ch < channels; ++ch)
      if (allocation[ch][sb] != 0) in.Read(2);
  return in.Short() ? ~size_t(0) : in.Pos();
}

}  // namespace

bool ParseMpegFrameHeader(const uint8_t* p, TMpegFrameHeader& h) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  h.Version = (p[1] >> 3) & 3;
  uint8_t layerBits = (p[1] >> 1) & 3;
  uint8_t bitrateIndex = p[2] >> 4;
  h.RateIndex = (p[2] >> 2) & 3;
  if (h.Version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || h.RateIndex == 3 ||
      (p[3] & 3) == 2)
    return false;
  h.Layer = uint8_t(4 - layerBits);
  h.Protected = (p[1] & 1) == 0;
  h.Mode = p[3] >> 6;
  h.ModeExtension = (p[3] >> 4) & 3;
  const bool mpeg1 = h.Version == 3;
  h.Bitrate = kBitrates[mpeg1 ? h.Layer - 1 : h.Layer == 1 ? 3 : 4][bitrateIndex];
  h.SampleRate = kRates[h.RateIndex] >> (mpeg1 ? 0 : h.Version == 2 ? 1 : 2);
  const uint32_t padding = (p[2] >> 1) & 1;
  if (h.Layer == 1)
    h.Length = (12000 * h.Bitrate / h.SampleRate + padding) * 4;
  else
    h.Length = (h.Layer == 3 && !mpeg1 ? 72000 : 144000) * h.Bitrate / h.SampleRate + padding;
  return true;
}

bool TMpegAudioStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TMpegAudioStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Start: phase_ = data[0] == 'I' ? TPhase::Id3v2 : TPhase::Boundary; break;
      case TPhase::Id3v2: {
        bool full = Gather(data, size, 10);
        if (std::memcmp(part_.data(), "ID3", std::min<size_t>(partSize_, 3)) != 0)
          status_ = TStatus::NotMine;
        else if (full)
          OnId3v2();
        break;
      }
      case TPhase::Zeros:
        while (size > 0 && *data == 0 && pos_ < skipEnd_) {
          ++data;
          --size;
          ++pos_;
        }
        if (pos_ == skipEnd_)
          status_ = TStatus::NotMine;
        else if (size > 0)
          phase_ = TPhase::Boundary;
        break;
      case TPhase::Boundary:
        // A frame header's four bytes at once where they are there, else what came.
        Gather(data, size, std::max<size_t>(partSize_ + 1, std::min<size_t>(4, partSize_ + size)));
        OnBoundaryBytes();
        break;
      case TPhase::Frame:
        if (Gather(data, size, FrameBytesWanted())) OnFrame();
        break;
      case TPhase::Skip: {
        uint64_t skip = std::min<uint64_t>(size, skipEnd_ - pos_);
        data += skip;
        size -= skip;
        pos_ += skip;
        if (pos_ == skipEnd_) AfterSkip();
        break;
      }
      case TPhase::Tags:
        if (tags_.Feed(data, size)) EndChain(tags_.End());
        size = 0;
        break;
    }
  }
  return Answer();
}

void TMpegAudioStream::OnId3v2() {
  const uint8_t* p = part_.data();
  // Version 2.2 to 2.4; the size is syncsafe, seven bits a byte.
  if (p[3] < 2 || p[3] > 4 || p[4] == 0xFF || (p[6] | p[7] | p[8] | p[9]) & 0x80) {
    status_ = TStatus::NotMine;
    return;
  }
  sawId3v2_ = true;
  uint64_t size = uint64_t(p[6]) << 21 | p[7] << 14 | p[8] << 7 | p[9];
  bool footer = p[3] == 4 && (p[5] & 0x10) != 0;
  SkipTo(10 + size + (footer ? 10 : 0), TPhase::Zeros);
}

void TMpegAudioStream::OnBoundaryBytes() {
  const uint8_t* p = part_.data();
  const uint64_t at = pos_ - partSize_;
  TMpegFrameHeader h;
  if (partSize_ < 4 && p[0] == 0xFF && (partSize_ < 2 || (p[1] & 0xE0) == 0xE0)) return;
  if (partSize_ >= 4 && ParseMpegFrameHeader(p, h) && (frames_ == 0 || SameStream(h))) {
    frameStart_ = at;
    phase_ = TPhase::Frame;
    return;
  }
  if (frames_ == 0) {
    status_ = TStatus::NotMine;
    return;
  }
  // Not a frame of the stream: the tags after it, if any, take over from here.
  phase_ = TPhase::Tags;
  tags_.Start(at);
  if (tags_.Feed(p, partSize_)) EndChain(tags_.End());
  partSize_ = 0;
}

bool TMpegAudioStream::SameStream(const TMpegFrameHeader& h) const {
  return h.Version == first_.Version && h.Layer == first_.Layer && h.Protected == first_.Protected &&
         h.RateIndex == first_.RateIndex && IsMono(h) == IsMono(first_);
}

bool TMpegAudioStream::ContinuesWith(const uint8_t* next, size_t size) const {
  // A frame starts here: the next of the chain, or the first after the ID3v2 tag and its padding.
  const bool frameStartsHere = (phase_ == TPhase::Boundary && partSize_ == 0 && frames_ > 0) ||
                               (phase_ == TPhase::Zeros && frames_ == 0);
  TMpegFrameHeader h;
  return frameStartsHere && size >= 4 && ParseMpegFrameHeader(next, h) && (frames_ == 0 || SameStream(h));
}

void TMpegAudioStream::SkipTo(uint64_t end, TPhase next) {
  partSize_ = 0;
  skipEnd_ = end;
  afterSkip_ = next;
  phase_ = TPhase::Skip;
  if (pos_ == end) AfterSkip();
}

void TMpegAudioStream::AfterSkip() {
  partSize_ = 0;
  phase_ = afterSkip_;
  if (phase_ == TPhase::Zeros) skipEnd_ = pos_ + kMaxZeros;
}

size_t TMpegAudioStream::FrameBytesWanted() const {
  if (partSize_ < 4) return 4;
  TMpegFrameHeader h;
  ParseMpegFrameHeader(part_.data(), h);
  size_t want = 4;
  if (h.Layer == 3)
    want = kFrameProbe;
  else if (h.Protected)
    want = 6 + (h.Layer == 1 ? 32 : 45);
  return std::min<size_t>(want, h.Length);
}

void TMpegAudioStream::OnFrame() {
  TMpegFrameHeader h;
  ParseMpegFrameHeader(part_.data(), h);
  if (frames_ == 0) first_ = h;
  // A Xing/Info or VBRI header opens a file: this one's first frame, or the next file.
  bool opens = false;
  uint32_t count = 0;
  bool counted = false, vbri = false;
  if (h.Layer == 3) {
    const size_t side = 4 + SideInfoSize(h);
    for (size_t at : {side, side + 2}) {
      if (at + 12 > partSize_) continue;
      const uint8_t* x = &part_[at];
      if (std::memcmp(x, "Xing", 4) == 0 || std::memcmp(x, "Info", 4) == 0) {
        opens = true;
        counted = (x[7] & 1) != 0;
        count = Be32(x + 8);
        break;
      }
    }
    if (!opens && partSize_ >= 54 && std::memcmp(&part_[36], "VBRI", 4) == 0) {
      opens = true;
      counted = true;
      count = Be32(&part_[50]);
      vbri = true;
    }
  }
  if (opens && frames_ > 0) {
    EndChain(frameStart_);
    return;
  }
  // A frame of the stream past a full count: the header claimed less than was recorded.
  if (CountReached()) {
    status_ = TStatus::NoLength;
    return;
  }
  if (h.Protected) {
    if (!CrcHolds(h)) {
      status_ = TStatus::Broke;
      brokeAt_ = frameStart_;
      brokeBy_ = TEvidence::Checksums;
      return;
    }
    ++checkedFrames_;
  }
  lastStart_ = frameStart_;
  lastLength_ = h.Length;
  lastChecked_ = h.Protected;
  // A count of zero is a placeholder: the encoder never came back to write it.
  if (frames_ == 0 && counted && count != 0) {
    hasCount_ = true;
    count_ = count;
    countMayIncludeFirst_ = vbri;
  }
  ++frames_;
  chainEnd_ = frameStart_ + h.Length;
  SkipTo(chainEnd_, TPhase::Boundary);
}

bool TMpegAudioStream::CrcHolds(const TMpegFrameHeader& h) const {
  const uint8_t* body = &part_[6];
  const size_t have = partSize_ < 6 ? 0 : partSize_ - 6;
  size_t bits = 0;
  if (h.Layer == 3) {
    bits = SideInfoSize(h) * 8;
  } else if (h.Layer == 1) {
    unsigned bound = IsMono(h) ? 0 : h.Mode == 1 ? (h.ModeExtension + 1u) * 4 : 32;
    bits = 4 * (IsMono(h) ? 32 : bound * 2 + (32 - bound));
  } else {
    bits = LayerTwoProtectedBits(h, body, have);
  }
  if (partSize_ < 6 || bits > have * 8) return false;
  uint16_t crc = Crc16(0xFFFF, &part_[2], 2);
  crc = Crc16(crc, body, bits / 8);
  for (size_t i = 0; i < bits % 8; ++i) {
    unsigned bit = (body[bits / 8] >> (7 - i)) & 1;
    bool top = ((crc >> 15) & 1) != bit;
    crc = uint16_t(crc << 1);
    if (top) crc ^= 0x8005;
  }
  return crc == (part_[4] << 8 | part_[5]);
}

void TMpegAudioStream::EndChain(uint64_t at) {
  if (hasCount_ && !CountMet()) {
    // Fewer frames than announced, and the bytes went on: the missing ones should have stood here.
    status_ = TStatus::Broke;
    brokeAt_ = at;
    brokeBy_ = TEvidence::Structure;
  } else if (hasCount_ || frames_ >= kMinFrames) {
    status_ = TStatus::Ended;
    end_ = at;
  } else {
    status_ = TStatus::NotMine;
  }
}

TEvidence TMpegAudioStream::Evidence() const {
  return checkedFrames_ == frames_ && frames_ > 0 && !joined_ ? TEvidence::Checksums : TEvidence::Structure;
}

std::optional<TFrameRestart> TMpegAudioStream::RestartPoint() const {
  if (frames_ == 0) return std::nullopt;
  TMpegFrameHeader h;
  // A frame whose CRC-16 failed, or whose first bytes were being gathered when the bytes stopped.
  const bool inFrame = (status_ == TStatus::Broke && brokeBy_ == TEvidence::Checksums) ||
                       (status_ == TStatus::Reading && phase_ == TPhase::Frame);
  if (inFrame) {
    if (partSize_ < 4 || !ParseMpegFrameHeader(part_.data(), h)) return std::nullopt;
    return TFrameRestart{frameStart_, h.Length, false};
  }
  // The chain stopped short of its count, or the bytes stopped after the last frame found: that frame is
  // where the first piece ended, the bytes after it being another file's.
  if (status_ == TStatus::Broke || status_ == TStatus::Reading) return TFrameRestart{lastStart_, lastLength_, true};
  // A chain with no count that ended on no tag may have been cut at a piece's end just the same.
  if (status_ == TStatus::Ended && !hasCount_ && !tags_.SawTag()) return TFrameRestart{lastStart_, lastLength_, true};
  return std::nullopt;
}

std::unique_ptr<TStreamUnit> TMpegAudioStream::RestartAtBreak(uint64_t& at) const {
  const auto point = RestartPoint();
  if (!point) return nullptr;
  at = point->At;
  auto unit = std::make_unique<TMpegAudioStream>(*this);
  if (point->Counted) {
    --unit->frames_;
    if (lastChecked_) --unit->checkedFrames_;
    if (unit->frames_ == 0) unit->hasCount_ = false;  // read again from the first frame
  }
  unit->status_ = TStatus::Reading;
  unit->phase_ = TPhase::Boundary;
  unit->pos_ = unit->frameStart_ = unit->chainEnd_ = at;
  unit->partSize_ = 0;
  unit->brokeAt_ = 0;
  unit->brokeBy_ = TEvidence::None;
  unit->joined_ = true;
  return unit;
}

uint64_t TMpegAudioStream::BrokenPartLength() const {
  // The frame, and the first three bytes of its successor's header, which may lie in the first piece.
  return FramePartLength(RestartPoint(), 4);
}

uint32_t TMpegAudioStream::FrameAt(const uint8_t* p, size_t size) const {
  TMpegFrameHeader h;
  return size >= 4 && ParseMpegFrameHeader(p, h) && SameStream(h) ? h.Length : 0;
}

bool TMpegAudioStream::MayResumeWith(const uint8_t* head, size_t headSize, const uint8_t* next, size_t nextSize) const {
  const auto point = RestartPoint();
  auto frameAt = [this](const uint8_t* p, size_t size) { return FrameAt(p, size); };
  // The straddling frame's header lay in the first piece: it was read from there.
  const uint32_t length = point && headSize >= 4 ? frameAt(head, headSize) : 0;
  if (length == 0 || headSize > length + 3) return false;
  // Its successor stands where its length says, and frames of the stream follow in a row; or the stream's
  // count is met and nothing of it follows.
  const TFrameRun run = FollowFrames(head, headSize, next, nextSize, length, kResumeFrames, frameAt);
  if (run.Stopped) {
    const uint64_t total = frames_ - (point->Counted ? 1 : 0) + 1 + run.Frames;
    return hasCount_ && (total == uint64_t(count_) + 1 || (countMayIncludeFirst_ && total == count_));
  }
  return run.Frames >= kFramesToConfirmStart;
}

bool TMpegAudioStream::RunsOnInto(const uint8_t* head, size_t headSize, const uint8_t* before,
                                  size_t beforeSize) const {
  constexpr size_t kLongestFrame = 2881;  // MPEG-2.5 Layer II at 160 kbit/s and 8 kHz, padded
  return FramesRunOnInto(head, headSize, before, beforeSize, 4, kLongestFrame,
                         [this](const uint8_t* p, size_t size) { return FrameAt(p, size); });
}

TStreamAnswer TMpegAudioStream::Answer() const { return AnswerFor(status_, end_, brokeAt_); }

TStreamVerdict TMpegAudioStream::Played() const {
  // Only a first frame carries a count, and only a file's first byte an ID3v2 tag; a met count ends the
  // recording, and so do the tags that follow its audio. Frames alone prove neither.
  const bool startProven = hasCount_ || sawId3v2_;
  const bool endProven = hasCount_ ? CountMet() : tags_.SawTag();
  return {startProven && endProven ? TVerdict::Whole : TVerdict::Unproven, Evidence()};
}

TStreamVerdict TMpegAudioStream::Close() {
  switch (status_) {
    case TStatus::Ended: return Played();
    case TStatus::Broke: return {TVerdict::Damaged, brokeBy_};
    case TStatus::NotMine:
    case TStatus::NoLength: return {TVerdict::Unknown, TEvidence::None};
    case TStatus::Reading: break;
  }
  if (frames_ == 0) {
    // Stopped in the ID3v2 tag or the first frame's header.
    if (sawId3v2_ || phase_ == TPhase::Frame) return {TVerdict::CutShort, TEvidence::Structure};
    return {TVerdict::Unknown, TEvidence::None};
  }
  // The bytes stopped between two parts: whole when the count (or, without one, the chain) is complete.
  if ((phase_ == TPhase::Boundary && partSize_ == 0) || (phase_ == TPhase::Tags && !tags_.InsideTag())) {
    if (hasCount_ ? CountMet() : frames_ >= kMinFrames) return Played();
    if (!hasCount_) return {TVerdict::Unknown, TEvidence::None};
  }
  return {TVerdict::CutShort, Evidence()};
}

}  // namespace quillot
