#include "streams/TrailingTags.h"

#include <algorithm>
#include <cstring>

#include "streams/Bytes.h"
#include "streams/GatherField.h"

namespace quillot {

namespace {

constexpr uint32_t kMaxApeValue = 16 * 1024 * 1024;  // an APE item's value (cover art included)
constexpr uint32_t kMaxApeTag = 64 * 1024 * 1024;
constexpr uint64_t kMaxLyrics = 999999;  // its size field has six digits

// Whether p[0, n) starts like the text; full when it holds all of it.
bool StartsLike(const uint8_t* p, size_t n, const char* text, bool& full) {
  const size_t textSize = std::strlen(text);
  full = n >= textSize;
  return std::memcmp(p, text, std::min(n, textSize)) == 0;
}

enum class TApeItem { NeedMore, Invalid, Valid };

// An APEv2 item's head: value size, flags (only the read-only and type bits), a printable key of 2 to 255
// characters and its NUL; Valid once the NUL came.
TApeItem CheckApeItem(const uint8_t* p, size_t n) {
  if (n >= 8 && (Le32(p) > kMaxApeValue || (Le32(p + 4) & ~7u) != 0)) return TApeItem::Invalid;
  for (size_t i = 8; i < n; ++i) {
    if (p[i] == 0) return i - 8 >= 2 ? TApeItem::Valid : TApeItem::Invalid;
    if (p[i] < 0x20 || p[i] > 0x7E || i - 8 >= 255) return TApeItem::Invalid;
  }
  return TApeItem::NeedMore;
}

bool Digits(const uint8_t* p, size_t n, uint64_t& value) {
  value = 0;
  for (size_t i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    value = value * 10 + (p[i] - '0');
  }
  return true;
}

}  // namespace

void TTrailingTags::Start(uint64_t at) {
  *this = TTrailingTags{};
  pos_ = at;
  end_ = at;
}

bool TTrailingTags::Gather(const uint8_t*& data, size_t& size, size_t want) {
  return GatherField(part_, partSize_, data, size, pos_, want);
}

bool TTrailingTags::Feed(const uint8_t* data, size_t size) {
  while (size > 0 && phase_ != TPhase::Ended) {
    switch (phase_) {
      case TPhase::Boundary: {
        Gather(data, size, partSize_ + 1);
        TPart part = Classify();
        if (part != TPart::NeedMore) OnPart(part);
        break;
      }
      case TPhase::Skip: {
        uint64_t skip = std::min<uint64_t>(size, skipEnd_ - pos_);
        data += skip;
        size -= size_t(skip);
        pos_ += skip;
        if (pos_ == skipEnd_) AfterSkip();
        break;
      }
      case TPhase::Lyrics: {
        // A field (three capitals, five digits of size) or the end (six digits of size, "LYRICS200").
        size_t want = partSize_ == 0 ? 1 : part_[0] >= '0' && part_[0] <= '9' ? 15 : 8;
        if (Gather(data, size, want) && want > 1) OnLyricsField();
        break;
      }
      case TPhase::ApeItem: {
        Gather(data, size, partSize_ < 8 ? 8 : partSize_ + 1);
        if (partSize_ < 8) break;
        bool full = false;
        if (StartsLike(part_.data(), partSize_, "APETAGEX", full)) {
          if (partSize_ < 32) break;
          // The footer's size counts the items and itself; its item count, the items walked.
          if (Le32(&part_[12]) == pos_ - tagStart_ && Le32(&part_[16]) == apeItems_) {
            sawTag_ = true;
            partSize_ = 0;
            phase_ = TPhase::Boundary;
          } else {
            EndAt(tagStart_);
          }
          break;
        }
        OnApeItemHead();
        break;
      }
      case TPhase::Ended: break;
    }
  }
  return phase_ == TPhase::Ended;
}

TTrailingTags::TPart TTrailingTags::Classify() const {
  const uint8_t* p = part_.data();
  const size_t n = partSize_;
  bool maybe = false, full = false;
  if (StartsLike(p, n, "TAG", full)) {
    if (full) return TPart::Id3v1;
    maybe = true;
  }
  if (StartsLike(p, n, "APETAGEX", full)) {
    if (!full || n < 32) return TPart::NeedMore;
    // A header (flag bit 29) opens a tag whose size counts what follows it.
    uint32_t size = Le32(p + 12), flags = Le32(p + 20);
    if ((flags & (1u << 29)) != 0 && size >= 32 && size <= kMaxApeTag) return TPart::ApeHeader;
  }
  if (StartsLike(p, n, "LYRICSBEGIN", full)) {
    if (full) return TPart::Lyrics3;
    maybe = true;
  }
  switch (CheckApeItem(p, n)) {
    case TApeItem::NeedMore: maybe = true; break;
    case TApeItem::Valid: return TPart::ApeItem;
    case TApeItem::Invalid: break;
  }
  return maybe ? TPart::NeedMore : TPart::None;
}

void TTrailingTags::OnPart(TPart part) {
  const uint64_t at = pos_ - partSize_;
  tagStart_ = at;
  switch (part) {
    case TPart::NeedMore: break;
    case TPart::None: EndAt(at); break;
    case TPart::Id3v1: SkipTo(at + 128, TPhase::Ended); break;
    case TPart::ApeHeader: SkipTo(at + 32 + Le32(&part_[12]), TPhase::Boundary); break;
    case TPart::Lyrics3: SkipTo(pos_, TPhase::Lyrics); break;
    case TPart::ApeItem:
      apeItems_ = 0;
      OnApeItemHead();
      break;
  }
}

void TTrailingTags::SkipTo(uint64_t end, TPhase next) {
  partSize_ = 0;
  skipEnd_ = end;
  afterSkip_ = next;
  phase_ = TPhase::Skip;
  if (pos_ == end) AfterSkip();
}

void TTrailingTags::AfterSkip() {
  partSize_ = 0;
  if (afterSkip_ != TPhase::Lyrics && afterSkip_ != TPhase::ApeItem) sawTag_ = true;
  // ID3v1 is the file's last part.
  if (afterSkip_ == TPhase::Ended)
    EndAt(pos_);
  else
    phase_ = afterSkip_;
}

void TTrailingTags::OnLyricsField() {
  const uint8_t* p = part_.data();
  uint64_t value = 0;
  if (partSize_ == 15) {
    // The size counts the tag from "LYRICSBEGIN" up to these digits.
    if (Digits(p, 6, value) && std::memcmp(p + 6, "LYRICS200", 9) == 0 && value == pos_ - 15 - tagStart_) {
      sawTag_ = true;
      partSize_ = 0;
      phase_ = TPhase::Boundary;
    } else {
      EndAt(tagStart_);
    }
    return;
  }
  const bool named = std::all_of(p, p + 3, [](uint8_t c) { return c >= 'A' && c <= 'Z'; });
  if (!named || !Digits(p + 3, 5, value) || pos_ + value - tagStart_ > kMaxLyrics) {
    EndAt(tagStart_);
    return;
  }
  SkipTo(pos_ + value, TPhase::Lyrics);
}

void TTrailingTags::OnApeItemHead() {
  switch (CheckApeItem(part_.data(), partSize_)) {
    case TApeItem::NeedMore: return;
    case TApeItem::Invalid: EndAt(tagStart_); return;
    case TApeItem::Valid: break;
  }
  ++apeItems_;
  SkipTo(pos_ + Le32(part_.data()), TPhase::ApeItem);
}

void TTrailingTags::EndAt(uint64_t at) {
  phase_ = TPhase::Ended;
  partSize_ = 0;
  end_ = at;
}

}  // namespace quillot
