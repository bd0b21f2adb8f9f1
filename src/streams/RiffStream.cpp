#include "streams/RiffStream.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/GatherField.h"
#include "streams/WaveFormat.h"

namespace quillot {

namespace {

bool IsPrintableId(const uint8_t* p) {
  return std::all_of(p, p + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}
uint64_t RoundEven(uint64_t n) { return n + (n & 1); }

constexpr uint32_t kAllOnes32 = 0xFFFFFFFF;
constexpr uint64_t kAllOnes64 = ~uint64_t(0);
// The ds64 fields read: RIFF size, data size, sample count (each 64-bit), table length.
constexpr size_t kDs64Fields = 28;

}  // namespace

bool TRiffStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TRiffStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Header: {
        size_t before = partSize_;
        bool full = Gather(data, size, 12);
        // Refuse a foreign start as soon as its first bytes differ.
        size_t seen = std::min<size_t>(partSize_, 4);
        if (before < 4 && std::memcmp(part_.data(), "RIFF", seen) != 0 &&
            std::memcmp(part_.data(), "RF64", seen) != 0 && std::memcmp(part_.data(), "BW64", seen) != 0) {
          status_ = TStatus::NotMine;
        } else if (full) {
          OnHeader();
        }
        break;
      }
      case TPhase::ChunkHeader:
        if (Gather(data, size, 8)) OnChunkHeader();
        break;
      case TPhase::Ds64:
        if (Gather(data, size, kDs64Fields)) OnDs64();
        break;
      case TPhase::FormatChunk:
        if (Gather(data, size, static_cast<size_t>(std::min<uint64_t>(chunkEnd_ - chunkStart_ - 8, part_.size()))))
          OnFormatChunk();
        break;
      case TPhase::ChunkBody: {
        uint64_t skip = std::min<uint64_t>(size, chunkEnd_ - pos_);
        if (dataChunk_ && body_.Judging()) {
          if (const auto broke = body_.Feed(data, static_cast<size_t>(skip), pos_)) {
            status_ = TStatus::Broke;
            brokeAt_ = *broke;
            brokeInSamples_ = true;
            break;
          }
        }
        data += skip;
        size -= skip;
        pos_ += skip;
        if (pos_ == chunkEnd_) OnChunkEnd();
        break;
      }
      case TPhase::PastEnd:
        if (const auto stop = body_.Feed(data, size, pos_)) {
          status_ = TStatus::Ended;
          // Not gone on: the form ended where it said; else the recording ended where its signal stopped.
          if (body_.PastEnd() != TPastHeader::No) end_ = *stop;
        }
        pos_ += size;
        size = 0;
        break;
    }
  }
  return Answer();
}

void TRiffStream::OnHeader() {
  partSize_ = 0;
  if (!IsPrintableId(part_.data() + 8)) {
    status_ = TStatus::NotMine;
    return;
  }
  wave_ = std::memcmp(part_.data() + 8, "WAVE", 4) == 0;
  rf64_ = std::memcmp(part_.data(), "RIFF", 4) != 0;
  chunkStart_ = 12;
  phase_ = TPhase::ChunkHeader;
  if (rf64_) return;  // the size comes with ds64
  uint32_t size = Le32(part_.data() + 4);
  // 0 and all-ones are what a recorder leaves before it finishes; under 4 cannot hold the form type.
  if (size == 0 || size == kAllOnes32 || size < 4) {
    status_ = TStatus::NoLength;
    return;
  }
  end_ = RoundEven(8 + uint64_t(size));
  endKnown_ = true;
  if (end_ == 12) OnChunkEnd();
}

void TRiffStream::OnChunkHeader() {
  partSize_ = 0;
  const uint8_t* id = part_.data();
  if (!IsPrintableId(id) || (rf64_ && !endKnown_ && std::memcmp(id, "ds64", 4) != 0)) {
    status_ = TStatus::Broke;
    brokeAt_ = chunkStart_;
    return;
  }
  uint64_t size = Le32(part_.data() + 4);
  if (rf64_ && !endKnown_) {
    if (size < kDs64Fields) {
      status_ = TStatus::Broke;
      brokeAt_ = chunkStart_;
      return;
    }
    chunkEnd_ = chunkStart_ + 8 + RoundEven(size);
    phase_ = TPhase::Ds64;
    return;
  }
  const bool data = std::memcmp(id, "data", 4) == 0;
  dataChunk_ = data;
  if (data && rf64_ && size == kAllOnes32) size = ds64DataSize_;
  if (size > kAllOnes64 / 2) {
    status_ = TStatus::NoLength;
    return;
  }
  sawData_ = sawData_ || data;
  chunkEnd_ = chunkStart_ + 8 + RoundEven(size);
  // A chunk reaching past the announced end: the size was written before the recording grew.
  if (chunkEnd_ > end_ || chunkEnd_ < chunkStart_) {
    status_ = TStatus::NoLength;
    return;
  }
  phase_ = wave_ && size >= 2 && std::memcmp(id, "fmt ", 4) == 0 ? TPhase::FormatChunk : TPhase::ChunkBody;
  if (data && samples_ && judgeEvery_ > 0) {
    body_.JudgeEvery(judgeEvery_);
    body_.Begin(*samples_, chunkStart_ + 8, chunkStart_ + 8 + size);
  }
  if (pos_ == chunkEnd_) OnChunkEnd();
}

void TRiffStream::OnFormatChunk() {
  const size_t have = partSize_;
  partSize_ = 0;
  formatTag_ = Le16(part_.data());
  phase_ = TPhase::ChunkBody;
  samples_ = WaveFormat(part_.data(), have);
  if (pos_ == chunkEnd_) OnChunkEnd();
}

bool TRiffStream::ClaimsByLengthAlone() const {
  // PCM, MS ADPCM, IEEE float, A-law, mu-law, IMA ADPCM and the extensible form, whose samples are these.
  constexpr uint16_t kSampleTags[] = {0x0001, 0x0002, 0x0003, 0x0006, 0x0007, 0x0011, 0xFFFE};
  return wave_ && std::find(std::begin(kSampleTags), std::end(kSampleTags), formatTag_) != std::end(kSampleTags);
}

void TRiffStream::OnDs64() {
  partSize_ = 0;
  uint64_t size = Le64(part_.data());
  ds64DataSize_ = Le64(part_.data() + 8);
  if (size == 0 || size == kAllOnes64 || size < 4 || size > kAllOnes64 / 2) {
    status_ = TStatus::NoLength;
    return;
  }
  end_ = RoundEven(8 + size);
  endKnown_ = true;
  if (chunkEnd_ > end_) {
    status_ = TStatus::NoLength;
    return;
  }
  phase_ = TPhase::ChunkBody;
  if (pos_ == chunkEnd_) OnChunkEnd();
}

void TRiffStream::OnChunkEnd() {
  if (pos_ < end_) {
    chunkStart_ = pos_;
    phase_ = TPhase::ChunkHeader;
    return;
  }
  // A WAVE form whose announced size stops before any audio: its header was written early.
  if (wave_ && !sawData_) {
    status_ = TStatus::NoLength;
    return;
  }
  // Samples that end the form may go on after it: the header was written before the recording grew.
  if (dataChunk_ && chunkEnd_ == end_ && body_.GoOnPastEnd()) {
    phase_ = TPhase::PastEnd;
    return;
  }
  status_ = TStatus::Ended;
}

std::optional<uint64_t> TRiffStream::EndIfNoMore() const {
  if (status_ == TStatus::Reading && phase_ == TPhase::PastEnd && body_.PastEnd() == TPastHeader::No) return end_;
  return std::nullopt;
}

TStreamAnswer TRiffStream::Answer() const { return AnswerFor(status_, end_, brokeAt_); }

std::optional<uint64_t> TRiffStream::PieceEnd() const {
  // Where the samples stopped going on, or where the bytes stopped inside them (the next start came first).
  if (status_ == TStatus::Broke && brokeInSamples_) return brokeAt_;
  if (status_ == TStatus::Reading && dataChunk_ && body_.Judging() && phase_ == TPhase::ChunkBody && pos_ < chunkEnd_)
    return pos_;
  return std::nullopt;
}

std::unique_ptr<TStreamUnit> TRiffStream::RestartAtBreak(uint64_t& at) const {
  const auto end = PieceEnd();
  // A recording whose end no piece could be found to go on is not searched for.
  if (!end || !body_.MayBeResumedAt(*end)) return nullptr;
  at = *end;
  auto unit = std::make_unique<TRiffStream>(*this);
  unit->status_ = TStatus::Reading;
  unit->brokeInSamples_ = false;
  unit->phase_ = TPhase::ChunkBody;
  unit->pos_ = at;
  unit->body_ = body_.RestartedAt(at);
  return unit;
}

TStreamVerdict TRiffStream::Close() {
  if (phase_ == TPhase::PastEnd && body_.PastEnd() != TPastHeader::No &&
      (status_ == TStatus::Reading || status_ == TStatus::Ended))
    return {TVerdict::Unproven, TEvidence::Structure, body_.PastEnd()};
  // Nothing after the declared end went on with the samples: the form ended there.
  if (status_ == TStatus::Reading && phase_ == TPhase::PastEnd) return SettledVerdict(TStatus::Ended);
  if (status_ != TStatus::Reading) return SettledVerdict(status_);
  return pos_ > 0 ? TStreamVerdict{TVerdict::CutShort, TEvidence::Structure} : TStreamVerdict{};
}

}  // namespace quillot
