#include "streams/FlacStream.h"

#include <algorithm>
#include <cstring>
#ifdef __SSE2__
#include <immintrin.h>
#endif

#include "streams/Crc.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

constexpr uint32_t kRates[12] = {0, 88200, 176400, 192000, 8000, 16000, 22050, 24000, 32000, 44100, 48000, 96000};
constexpr uint32_t kSampleSizes[8] = {0, 8, 12, 0, 16, 20, 24, 32};
constexpr uint8_t kStreamInfo = 0;
constexpr uint8_t kPadding = 1;
constexpr uint8_t kInvalidBlock = 127;

#if defined(__x86_64__) && defined(__GNUC__)
// Thirty-two bytes at a time: the first i at which FF F8/F9 may start (checked by the caller's loop).
__attribute__((target("avx2"))) size_t SkipWithoutSyncWide(const uint8_t* p, size_t size) {
  const __m256i ff = _mm256_set1_epi8(char(0xFF)), f8 = _mm256_set1_epi8(char(0xF8)), fe = _mm256_set1_epi8(char(0xFE));
  size_t i = 0;
  for (; i + 33 <= size; i += 32) {
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 1));
    const __m256i hits =
        _mm256_and_si256(_mm256_cmpeq_epi8(here, ff), _mm256_cmpeq_epi8(_mm256_and_si256(next, fe), f8));
    if (!_mm256_testz_si256(hits, hits)) break;
  }
  return i;
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

// Where the first FF F8 or FF F9 starts, or a 0xFF as the last byte, else size: the bytes before it hold
// no sync code. Sixteen or thirty-two bytes are looked at in one step where the processor allows.
size_t FindSyncCode(const uint8_t* p, size_t size) {
  size_t i = 0;
#if defined(__x86_64__) && defined(__GNUC__)
  if (HasAvx2()) i = SkipWithoutSyncWide(p, size);
#endif
#ifdef __SSE2__
  const __m128i ff = _mm_set1_epi8(char(0xFF)), f8 = _mm_set1_epi8(char(0xF8)), fe = _mm_set1_epi8(char(0xFE));
  for (; i + 17 <= size; i += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
    const int hits =
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, ff), _mm_cmpeq_epi8(_mm_and_si128(next, fe), f8)));
    if (hits != 0) return i + size_t(__builtin_ctz(unsigned(hits)));
  }
#endif
  for (; i < size; ++i)
    if (p[i] == 0xFF && (i + 1 == size || (p[i + 1] & 0xFE) == 0xF8)) return i;
  return size;
}

// Reads bits from the front of a frame; past the bytes given it reads zeros and remembers it ran short.
class TBitReader {
 public:
  TBitReader(const uint8_t* data, size_t size) : data_(data), bits_(uint64_t(size) * 8) {}
  uint32_t Read(unsigned n) {
    uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i) v = v << 1 | Bit();
    return v;
  }
  void Skip(uint64_t n) {
    if (n > bits_ - pos_) {
      pos_ = bits_;
      short_ = true;
    } else {
      pos_ += n;
    }
  }
  // The zeros before the next one bit.
  uint64_t Unary() {
    uint64_t zeros = 0;
    while (!short_ && Bit() == 0) ++zeros;
    return zeros;
  }
  void AlignToByte() { Skip((8 - pos_ % 8) % 8); }
  bool Short() const { return short_; }
  uint64_t BytePos() const { return pos_ / 8; }

 private:
  uint32_t Bit() {
    if (pos_ >= bits_) {
      short_ = true;
      return 0;
    }
    uint32_t b = (data_[pos_ / 8] >> (7 - pos_ % 8)) & 1;
    ++pos_;
    return b;
  }
  const uint8_t* data_;
  uint64_t bits_;
  uint64_t pos_ = 0;
  bool short_ = false;
};

bool SkipResidual(TBitReader& in, uint32_t blockSize, uint32_t order) {
  uint32_t method = in.Read(2);
  if (method > 1) return false;
  unsigned paramBits = method == 0 ? 4 : 5;
  uint32_t escape = method == 0 ? 15 : 31;
  uint32_t partitionOrder = in.Read(4);
  uint32_t partitions = 1u << partitionOrder;
  if (blockSize % partitions != 0 || (blockSize >> partitionOrder) < order) return false;
  for (uint32_t p = 0; p < partitions && !in.Short(); ++p) {
    uint32_t samples = (blockSize >> partitionOrder) - (p == 0 ? order : 0);
    uint32_t param = in.Read(paramBits);
    if (param == escape) {
      in.Skip(uint64_t(samples) * in.Read(5));
      continue;
    }
    for (uint32_t i = 0; i < samples && !in.Short(); ++i) {
      in.Unary();
      in.Skip(param);
    }
  }
  return true;
}

}  // namespace

TFlacFrameEnd FindFlacFrameEnd(const uint8_t* frame, size_t size, const TFlacFrameHeader& header, size_t& end) {
  TBitReader in(frame, size);
  in.Skip(uint64_t(header.Length) * 8);
  uint32_t channels = header.ChannelCode < 8 ? header.ChannelCode + 1u : 2u;
  for (uint32_t ch = 0; ch < channels && !in.Short(); ++ch) {
    uint32_t bits = header.BitsPerSample;
    // The side channel carries one bit more.
    if ((header.ChannelCode == 8 && ch == 1) || (header.ChannelCode == 9 && ch == 0) ||
        (header.ChannelCode == 10 && ch == 1))
      ++bits;
    if (in.Read(1) != 0) return in.Short() ? TFlacFrameEnd::NeedMore : TFlacFrameEnd::Invalid;
    uint32_t type = in.Read(6);
    if (in.Read(1) != 0) {
      uint64_t wasted = in.Unary() + 1;
      if (wasted > bits) return in.Short() ? TFlacFrameEnd::NeedMore : TFlacFrameEnd::Invalid;
      bits -= uint32_t(wasted);
    }
    if (in.Short()) break;
    if (type == 0) {
      in.Skip(bits);
    } else if (type == 1) {
      in.Skip(uint64_t(bits) * header.BlockSize);
    } else if (type >= 8 && type <= 12) {
      uint32_t order = type - 8;
      if (order > header.BlockSize) return TFlacFrameEnd::Invalid;
      in.Skip(uint64_t(order) * bits);
      if (!SkipResidual(in, header.BlockSize, order))
        return in.Short() ? TFlacFrameEnd::NeedMore : TFlacFrameEnd::Invalid;
    } else if (type >= 32) {
      uint32_t order = type - 31;
      if (order > header.BlockSize) return TFlacFrameEnd::Invalid;
      in.Skip(uint64_t(order) * bits);
      uint32_t precision = in.Read(4);
      if (precision == 15) return in.Short() ? TFlacFrameEnd::NeedMore : TFlacFrameEnd::Invalid;
      in.Skip(5 + uint64_t(order) * (precision + 1));
      if (!SkipResidual(in, header.BlockSize, order))
        return in.Short() ? TFlacFrameEnd::NeedMore : TFlacFrameEnd::Invalid;
    } else {
      return TFlacFrameEnd::Invalid;
    }
  }
  in.AlignToByte();
  in.Skip(16);
  if (in.Short()) return TFlacFrameEnd::NeedMore;
  end = size_t(in.BytePos());
  return TFlacFrameEnd::Found;
}

bool TFlacStream::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

TStreamAnswer TFlacStream::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    switch (phase_) {
      case TPhase::Magic: {
        bool full = Gather(data, size, 4);
        if (std::memcmp(part_.data(), "fLaC", partSize_) != 0) {
          status_ = TStatus::NotMine;
        } else if (full) {
          partSize_ = 0;
          blockStart_ = pos_;
          phase_ = TPhase::BlockHeader;
        }
        break;
      }
      case TPhase::BlockHeader:
        if (Gather(data, size, 4)) OnBlockHeader();
        break;
      case TPhase::StreamInfo:
        if (Gather(data, size, 34)) OnStreamInfo();
        break;
      case TPhase::BlockBody: {
        uint64_t skip = std::min<uint64_t>(size, blockEnd_ - pos_);
        data += skip;
        size -= skip;
        pos_ += skip;
        if (pos_ == blockEnd_) {
          blockStart_ = pos_;
          phase_ = lastBlock_ ? TPhase::Frames : TPhase::BlockHeader;
          frameStart_ = pos_;
        }
        break;
      }
      case TPhase::Frames:
        FrameBytes(data, size);
        size = 0;
        break;
    }
  }
  return Answer();
}

void TFlacStream::OnBlockHeader() {
  partSize_ = 0;
  uint8_t type = part_[0] & 0x7F;
  blockType_ = type;
  lastBlock_ = (part_[0] & 0x80) != 0;
  uint32_t length = uint32_t(part_[1]) << 16 | part_[2] << 8 | part_[3];
  // STREAMINFO comes first, once, at its fixed size.
  if (type == kInvalidBlock || (type == kStreamInfo) == sawStreamInfo_ || (type == kStreamInfo && length != 34)) {
    Break(blockStart_, TEvidence::Structure);
    return;
  }
  blockEnd_ = pos_ + length;
  phase_ = type == kStreamInfo ? TPhase::StreamInfo : TPhase::BlockBody;
}

void TFlacStream::OnStreamInfo() {
  partSize_ = 0;
  sawStreamInfo_ = true;
  const uint8_t* p = part_.data();
  uint32_t minBlock = p[0] << 8 | p[1];
  maxBlockSize_ = p[2] << 8 | p[3];
  uint32_t maxFrame = uint32_t(p[7]) << 16 | p[8] << 8 | p[9];
  sampleRate_ = uint32_t(p[10]) << 12 | p[11] << 4 | p[12] >> 4;
  channels_ = ((p[12] >> 1) & 7) + 1;
  bitsPerSample_ = ((p[12] & 1) << 4 | p[13] >> 4) + 1;
  totalSamples_ = uint64_t(p[13] & 0x0F) << 32 | uint32_t(p[14]) << 24 | p[15] << 16 | p[16] << 8 | p[17];
  contentSum_ = std::any_of(p + 18, p + 34, [](uint8_t b) { return b != 0; });
  if (maxBlockSize_ == 0 || minBlock > maxBlockSize_ || sampleRate_ == 0 || bitsPerSample_ < 4) {
    Break(blockStart_, TEvidence::Structure);
    return;
  }
  // The largest frame possible: a 16-byte header, every channel verbatim with a side bit and a wasted-bits
  // header, the footer.
  uint64_t largest = 16 + channels_ * ((uint64_t(maxBlockSize_) * (bitsPerSample_ + 1) + 7) / 8 + 8) + 2;
  maxFrameSize_ = maxFrame != 0 ? std::min<uint64_t>(maxFrame, largest) : largest;
  phase_ = TPhase::BlockBody;
}

TFlacStream::TParse TFlacStream::ParseHeaderAt(uint64_t at, TFlacFrameHeader& h) const {
  return ParseHeaderBytes([&](size_t i) { return window_[(at + i) % kWindow]; }, size_t(pos_ - at), h);
}

template <class TByte>
TFlacStream::TParse TFlacStream::ParseHeaderBytes(TByte byte, size_t have, TFlacFrameHeader& h) const {
  if (have < 4) return TParse::NeedMore;
  uint8_t b2 = byte(2), b3 = byte(3);
  uint32_t sizeCode = b2 >> 4, rateCode = b2 & 15, sampleSizeCode = (b3 >> 1) & 7;
  h.ChannelCode = b3 >> 4;
  h.Variable = (byte(1) & 1) != 0;
  if (sizeCode == 0 || rateCode == 15 || h.ChannelCode > 10 || sampleSizeCode == 3 || (b3 & 1) != 0)
    return TParse::Invalid;
  if (have < 5) return TParse::NeedMore;
  // The frame or sample number, coded as UTF-8 extended to 36 bits.
  uint8_t lead = byte(4);
  size_t extra = 0;
  uint64_t number = lead;
  if (lead >= 0x80) {
    if (lead < 0xC0 || lead == 0xFF) return TParse::Invalid;
    while (extra < 6 && (lead & (0x40 >> extra))) ++extra;
    number = lead & (0x3F >> extra);
  }
  if (extra > (h.Variable ? 6u : 5u)) return TParse::Invalid;
  size_t i = 5;
  for (size_t k = 0; k < extra; ++k, ++i) {
    if (have <= i) return TParse::NeedMore;
    if ((byte(i) & 0xC0) != 0x80) return TParse::Invalid;
    number = number << 6 | (byte(i) & 0x3F);
  }
  h.Number = number;
  size_t tail = (sizeCode == 6 ? 1 : sizeCode == 7 ? 2 : 0) + (rateCode == 12 ? 1 : rateCode >= 13 ? 2 : 0);
  if (have < i + tail + 1) return TParse::NeedMore;
  if (sizeCode == 1) {
    h.BlockSize = 192;
  } else if (sizeCode <= 5) {
    h.BlockSize = 576u << (sizeCode - 2);
  } else if (sizeCode <= 7) {
    h.BlockSize = (sizeCode == 6 ? byte(i) : (byte(i) << 8 | byte(i + 1))) + 1u;
    i += sizeCode - 5;
  } else {
    h.BlockSize = 256u << (sizeCode - 8);
  }
  uint32_t rate = rateCode == 0 ? sampleRate_ : rateCode < 12 ? kRates[rateCode] : 0;
  if (rateCode == 12) rate = byte(i) * 1000u;
  if (rateCode >= 13) rate = (byte(i) << 8 | byte(i + 1)) * (rateCode == 14 ? 10u : 1u);
  i += rateCode == 12 ? 1 : rateCode >= 13 ? 2 : 0;
  uint8_t crc = 0;
  for (size_t k = 0; k < i; ++k) crc = Crc8Byte(crc, byte(k));
  if (crc != byte(i)) return TParse::Invalid;
  h.Length = i + 1;
  h.BitsPerSample = sampleSizeCode == 0 ? bitsPerSample_ : kSampleSizes[sampleSizeCode];
  uint32_t channels = h.ChannelCode < 8 ? h.ChannelCode + 1u : 2u;
  if (channels != channels_ || h.BitsPerSample != bitsPerSample_ || rate != sampleRate_ || h.BlockSize > maxBlockSize_)
    return TParse::Invalid;
  return TParse::Valid;
}

void TFlacStream::FrameBytes(const uint8_t* data, size_t size) {
  while (size > 0 && status_ == TStatus::Reading) {
    // Inside an open frame with no header pending, only a sync code can matter: the bytes before the next
    // FF F8 or FF F9 go into the CRC-16 (eight at a time) and the header window together.
    if (frameOpen_ && !inLastFrame_ && candidateCount_ == 0 && lastFF_ + 1 != pos_) {
      const size_t n = FindSyncCode(data, size);
      if (n > 0) {
        if (checksums_) crc_ = Crc16(crc_, data, n);
        for (size_t k = n > kWindow ? n - kWindow : 0; k < n; ++k) window_[(pos_ + k) % kWindow] = data[k];
        pos_ += n;
        data += n;
        size -= n;
        CheckFrameLength();
        continue;
      }
    }
    FrameByte(*data++);
    --size;
  }
  // Without the CRC-16 to say where the last frame may end, its subframes are read after each feed.
  if (!checksums_ && inLastFrame_ && status_ == TStatus::Reading) TryEndLastFrame();
}

void TFlacStream::CheckFrameLength() {
  // Past the largest frame, and the longest header after it, no next header came.
  if (status_ == TStatus::Reading && frameOpen_ && !inLastFrame_ && pos_ - frameStart_ > maxFrameSize_ + 16) {
    // Without a total the open frame may simply have been the last.
    if (totalSamples_ == 0)
      status_ = TStatus::NoLength;
    else
      Break(frameStart_, TEvidence::Checksums);
  }
}

void TFlacStream::FrameByte(uint8_t b) {
  uint64_t p = pos_++;
  window_[p % kWindow] = b;
  uint16_t crcBefore = crc_;
  if (checksums_) crc_ = Crc16Byte(crc_, b);
  if (inLastFrame_) {
    lastFrame_.push_back(b);
    // Without the CRC-16, the subframes are read at the latest when the frame has grown past any size.
    if (checksums_ ? crc_ == 0 : lastFrame_.size() > maxFrameSize_) TryEndLastFrame();
    if (status_ == TStatus::Reading && lastFrame_.size() > maxFrameSize_) Break(frameStart_, TEvidence::Checksums);
    return;
  }
  if (p == lastFF_ + 1 && (b & 0xFE) == 0xF8 && candidateCount_ < candidates_.size())
    candidates_[candidateCount_++] = {lastFF_, crcBeforeFF_};
  if (b == 0xFF) {
    lastFF_ = p;
    crcBeforeFF_ = crcBefore;
  }
  // The first frame starts right after the metadata.
  if (!frameOpen_ && p == frameStart_ + 1 && (candidateCount_ == 0 || candidates_[0].At != frameStart_)) {
    Break(frameStart_, TEvidence::Structure);
    return;
  }
  size_t done = 0;
  while (done < candidateCount_ && status_ == TStatus::Reading) {
    TCandidate c = candidates_[done];
    TFlacFrameHeader header;
    TParse parse = ParseHeaderAt(c.At, header);
    if (parse == TParse::NeedMore) break;
    ++done;
    if (parse == TParse::Valid) {
      OnHeader(c, header);
      if (frameOpen_ && frameStart_ == c.At) done = candidateCount_;  // the rest lie inside the new header
    } else if (!frameOpen_) {
      Break(frameStart_, TEvidence::Structure);
    }
  }
  std::copy(candidates_.begin() + done, candidates_.begin() + candidateCount_, candidates_.begin());
  candidateCount_ -= done;
  CheckFrameLength();
}

void TFlacStream::OnHeader(const TCandidate& c, const TFlacFrameHeader& header) {
  if (!frameOpen_) {
    if (c.At != frameStart_) return;
    if (header.Number != firstNumber_) {
      Break(frameStart_, TEvidence::Structure);
      return;
    }
    variable_ = header.Variable;
    OpenFrame(c.At, header);
    return;
  }
  uint64_t expected = variable_ ? samplesOpened_ : framesOpened_;
  // A header of another strategy or number is a chance match inside the frame's data.
  if (header.Variable != variable_ || header.Number != expected || c.At < frameStart_ + lastHeader_.Length + 2) return;
  if (c.CrcBefore != 0) {
    Break(frameStart_, TEvidence::Checksums);
    return;
  }
  ++framesHeld_;
  OpenFrame(c.At, header);
}

void TFlacStream::OpenFrame(uint64_t at, const TFlacFrameHeader& header) {
  frameOpen_ = true;
  frameStart_ = at;
  lastHeader_ = header;
  ++framesOpened_;
  samplesOpened_ += header.BlockSize;
  // Replays the bytes since the header's start: the running CRC and the sync search restart there.
  crc_ = 0;
  lastFF_ = ~uint64_t(0);
  for (uint64_t q = at; q < pos_; ++q) {
    uint8_t b = window_[q % kWindow];
    if (b == 0xFF) {
      lastFF_ = q;
      crcBeforeFF_ = crc_;
    }
    if (checksums_) crc_ = Crc16Byte(crc_, b);
  }
  candidateCount_ = 0;
  if (totalSamples_ != 0 && samplesOpened_ >= totalSamples_) {
    inLastFrame_ = true;
    for (uint64_t q = at; q < pos_; ++q) lastFrame_.push_back(window_[q % kWindow]);
    if (checksums_ && crc_ == 0) TryEndLastFrame();
  }
}

void TFlacStream::TryEndLastFrame() {
  size_t end = 0;
  TFlacFrameEnd found = FindFlacFrameEnd(lastFrame_.data(), lastFrame_.size(), lastHeader_, end);
  if (found == TFlacFrameEnd::NeedMore) return;
  // Without the CRC-16 the subframes alone say where the frame ends, maybe some bytes back.
  if (found == TFlacFrameEnd::Found && (end == lastFrame_.size() || (!checksums_ && end < lastFrame_.size()))) {
    status_ = TStatus::Ended;
    end_ = frameStart_ + end;
    ++framesHeld_;
    lastFrame_ = {};
    return;
  }
  // The subframes end elsewhere than where the CRC-16 holds (or make no sense).
  Break(frameStart_, found == TFlacFrameEnd::Found ? TEvidence::Checksums : TEvidence::Structure);
}

std::unique_ptr<TStreamUnit> TFlacStream::RestartAtBreak(uint64_t& at) const {
  // The bytes stopped inside the last metadata block, padding: the first frame follows it in the other piece.
  if (phase_ == TPhase::BlockBody && lastBlock_ && blockType_ == kPadding && status_ == TStatus::Reading) {
    at = blockStart_;
    auto unit = std::make_unique<TFlacStream>(*this);
    unit->phase_ = TPhase::BlockHeader;
    unit->pos_ = at;
    unit->partSize_ = 0;
    unit->searched_ = nullptr;
    return unit;
  }
  if (phase_ != TPhase::Frames || (status_ != TStatus::Broke && status_ != TStatus::Reading) ||
      (status_ == TStatus::Broke && brokeAt_ != frameStart_))
    return nullptr;
  at = frameStart_;
  auto unit = std::make_unique<TFlacStream>(*this);
  unit->status_ = TStatus::Reading;
  unit->pos_ = at;
  unit->frameOpen_ = false;
  unit->firstNumber_ = frameOpen_ ? lastHeader_.Number : firstNumber_;
  if (frameOpen_) {
    --unit->framesOpened_;
    unit->samplesOpened_ -= lastHeader_.BlockSize;
  }
  unit->crc_ = 0;
  unit->candidateCount_ = 0;
  unit->lastFF_ = ~uint64_t(0);
  unit->inLastFrame_ = false;
  unit->lastFrame_ = {};
  unit->brokeAt_ = 0;
  unit->brokeBy_ = TEvidence::None;
  unit->searched_ = nullptr;
  return unit;
}

bool TFlacStream::MayResumeWith(const uint8_t*, size_t headSize, const uint8_t* next, size_t nextSize) const {
  if (phase_ == TPhase::BlockBody) {
    // The first frame's header where the rest of the block ends.
    const uint64_t block = blockEnd_ - blockStart_;
    if (headSize >= block || block - headSize + 2 > nextSize) return false;
    // Padding is zeros: nothing else checks the bytes of the block that come from the other piece.
    const size_t rest = size_t(block - headSize);
    if (std::any_of(next, next + rest, [](uint8_t b) { return b != 0; })) return false;
    const uint8_t* at = next + rest;
    TFlacFrameHeader h;
    return at[0] == 0xFF && (at[1] & 0xFE) == 0xF8 &&
           ParseHeaderBytes([&](size_t i) { return at[i]; }, nextSize - size_t(block - headSize), h) == TParse::Valid &&
           h.Number == 0;
  }
  // The broken frame was the last: no header follows it, and only the checks of the whole can tell.
  if (frameOpen_ && totalSamples_ != 0 && samplesOpened_ >= totalSamples_) return true;
  if (!frameOpen_ && variable_) return false;
  const uint64_t number = !frameOpen_ ? firstNumber_ + 1
                          : variable_ ? lastHeader_.Number + lastHeader_.BlockSize
                                      : lastHeader_.Number + 1;
  const uint64_t most = maxFrameSize_ + 16;
  // One search for the other piece's bytes, whatever the first piece's end: the same buffer may hold other
  // bytes later, so its first bytes are part of the key.
  std::array<uint8_t, 8> key{};
  std::copy_n(next, std::min(nextSize, key.size()), key.begin());
  if (searched_ != next || searchedSize_ != nextSize || searchedHead_ != key) {
    searched_ = next;
    searchedSize_ = nextSize;
    searchedHead_ = key;
    nextHeaderAt_ = SIZE_MAX;
    const size_t limit = size_t(std::min<uint64_t>(nextSize, most));
    for (size_t q = 0; q + 1 < limit; ++q) {
      q += FindSyncCode(next + q, limit - q);
      if (q + 1 >= limit) break;
      if (next[q] != 0xFF || (next[q + 1] & 0xFE) != 0xF8) continue;
      TFlacFrameHeader h;
      const uint8_t* at = next + q;
      if (ParseHeaderBytes([&](size_t i) { return at[i]; }, nextSize - q, h) == TParse::Valid && h.Number == number &&
          h.Variable == variable_) {
        nextHeaderAt_ = q;
        break;
      }
    }
  }
  return nextHeaderAt_ != SIZE_MAX && headSize + nextHeaderAt_ <= most;
}

void TFlacStream::Break(uint64_t at, TEvidence evidence) {
  status_ = TStatus::Broke;
  brokeAt_ = at;
  brokeBy_ = checksums_ ? evidence : TEvidence::Structure;
  lastFrame_ = {};
}

TStreamAnswer TFlacStream::Answer() const {
  switch (status_) {
    case TStatus::Ended: return {TStreamState::Ended, end_};
    case TStatus::Broke: return {TStreamState::Broke, brokeAt_};
    case TStatus::NotMine:
    case TStatus::NoLength: return {TStreamState::Unknown, 0};
    case TStatus::Reading: break;
  }
  // Without a total the stream carries no length.
  if (sawStreamInfo_ && totalSamples_ == 0) return {TStreamState::Unknown, 0};
  return {TStreamState::Continues, 0};
}

TStreamVerdict TFlacStream::Close() {
  switch (status_) {
    case TStatus::Ended:
      // An encoder's last frame holds exactly the samples left: one that runs past the total is another
      // recording's.
      if (samplesOpened_ != totalSamples_) return {TVerdict::Damaged, TEvidence::Structure};
      return {TVerdict::Whole, checksums_ ? TEvidence::Checksums : TEvidence::Structure};
    case TStatus::Broke: return {TVerdict::Damaged, brokeBy_};
    case TStatus::NotMine:
    case TStatus::NoLength: return {TVerdict::Unknown, TEvidence::None};
    case TStatus::Reading: break;
  }
  if (pos_ == 0 || (sawStreamInfo_ && totalSamples_ == 0)) return {TVerdict::Unknown, TEvidence::None};
  if (inLastFrame_) {
    // The last frame's subframes end within the bytes, but its CRC-16 never held there.
    size_t end = 0;
    TFlacFrameEnd found = FindFlacFrameEnd(lastFrame_.data(), lastFrame_.size(), lastHeader_, end);
    if (found != TFlacFrameEnd::NeedMore) return {TVerdict::Damaged, TEvidence::Checksums};
  }
  return {TVerdict::CutShort, checksums_ && framesHeld_ > 0 ? TEvidence::Checksums : TEvidence::Structure};
}

}  // namespace quillot
