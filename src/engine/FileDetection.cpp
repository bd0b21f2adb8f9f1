#include "engine/FileDetection.h"

#include <algorithm>

#include "util/Text.h"

namespace quillot {

bool ParseRule(std::string_view entry, int32_t& offset, uint8_t& value) {
  size_t eq = entry.find('=');
  if (eq == std::string_view::npos) return false;
  size_t hash = entry.find('#', eq + 1);
  if (hash == std::string_view::npos) return false;
  offset = StrToIntDef(Trim(entry.substr(0, eq)), 0);
  value = static_cast<uint8_t>(StrToIntDef(Trim(entry.substr(hash + 1)), 0) & 0xFF);
  return true;
}

void TFileDetection::Compile(const TFormatsList& catalogue, uint32_t sectorBytes) {
  rules_.clear();
  alternatives_.clear();
  formatCount_ = 0;
  sectorBytes_ = sectorBytes;
  for (const auto& f : catalogue) {
    if (!f->Search) continue;
    ++formatCount_;
    for (int32_t a = 0; a < f->AlternativeCount; ++a) {
      Alternative alt{static_cast<uint32_t>(rules_.size()), 0, false, f.get()};
      for (const std::string& entry : f->GetAlternativeRules(a)) {
        Rule rule{};
        alt.canMatch = ParseRule(entry, rule.offset, rule.value);
        if (alt.canMatch) {
          rules_.push_back(rule);
          ++alt.ruleCount;
        }
      }
      alternatives_.push_back(alt);
    }
  }
  BuildIndex();
}

void TFileDetection::BuildIndex() {
  const size_t n = alternatives_.size();
  words_ = (n + 63) / 64;
  keyOffsets_.clear();
  unkeyed_.assign(words_, 0);
  std::vector<std::pair<int32_t, uint8_t>> keys(n);
  std::vector<bool> keyed(n, false);
  auto inSector = [&](int32_t offset) { return offset >= 0 && static_cast<uint32_t>(offset) < sectorBytes_; };
  // Bytes that fill so much of real media (empty space, padding) that they select poorly.
  auto common = [](uint8_t v) { return v == 0x00 || v == 0xFF || v == 0x20; };

  for (size_t i = 0; i < n; ++i) {
    const Alternative& alt = alternatives_[i];
    const Rule* rules = rules_.data() + alt.firstRule;
    uint32_t inside = 0;  // the leading rules that read inside the sector
    while (inside < alt.ruleCount && inSector(rules[inside].offset)) ++inside;
    // Without rules it reads nothing; with every rule inside the sector and a last entry that is not
    // a rule it can neither match nor fail: either way it never changes an answer.
    if (alt.ruleCount == 0 || (!alt.canMatch && inside == alt.ruleCount)) continue;
    if (inside == 0) {
      unkeyed_[i / 64] |= Word{1} << (i % 64);
      continue;
    }
    uint32_t pick = 0;
    for (uint32_t r = 0; r < inside; ++r)
      if (!common(rules[r].value)) {
        pick = r;
        break;
      }
    keys[i] = {rules[pick].offset, rules[pick].value};
    keyed[i] = true;
    if (std::find(keyOffsets_.begin(), keyOffsets_.end(), rules[pick].offset) == keyOffsets_.end())
      keyOffsets_.push_back(rules[pick].offset);
  }
  keyTables_.assign(keyOffsets_.size() * 256 * words_, 0);
  for (size_t i = 0; i < n; ++i) {
    if (!keyed[i]) continue;
    size_t k = static_cast<size_t>(std::find(keyOffsets_.begin(), keyOffsets_.end(), keys[i].first) - keyOffsets_.begin());
    keyTables_[(k * 256 + keys[i].second) * words_ + i / 64] |= Word{1} << (i % 64);
  }
}

int TFileDetection::Evaluate(const Alternative& alt, ptrdiff_t base) const {
  const Rule* r = rules_.data() + alt.firstRule;
  const Rule* end = r + alt.ruleCount;
  for (; r != end; ++r) {
    const int64_t pos = static_cast<int64_t>(base) + r->offset;
    if (pos < 0 || static_cast<uint64_t>(pos) >= bufSize_) return -1;
    if (bufBegin_[pos] != r->value) return 0;
  }
  // Every rule held; a match needs the alternative to end with a rule.
  return alt.canMatch && alt.ruleCount > 0 ? 1 : 0;
}

const TFormat* TFileDetection::MatchPlain(const uint8_t* sector) const {
  const ptrdiff_t base = sector - bufBegin_;
  for (const Alternative& alt : alternatives_) {
    // A read outside the buffer is an error: the whole test of this sector answers no match.
    int outcome = Evaluate(alt, base);
    if (outcome < 0) return nullptr;
    if (outcome > 0) return alt.format;
  }
  return nullptr;
}

const TFormat* TFileDetection::Match(const uint8_t* sector) const {
  const ptrdiff_t base = sector - bufBegin_;
  // The index reads the key bytes inside the sector; a sector not wholly in the buffer goes the long way.
  if (base < 0 || static_cast<size_t>(base) + sectorBytes_ > bufSize_) return MatchPlain(sector);
  const size_t keys = keyOffsets_.size();
  for (size_t w = 0; w < words_; ++w) {
    Word candidates = unkeyed_[w];
    for (size_t k = 0; k < keys; ++k) candidates |= keyTables_[(k * 256 + sector[keyOffsets_[k]]) * words_ + w];
    while (candidates) {
      const size_t i = w * 64 + static_cast<size_t>(__builtin_ctzll(candidates));
      candidates &= candidates - 1;
      int outcome = Evaluate(alternatives_[i], base);
      if (outcome < 0) return nullptr;
      if (outcome > 0) return alternatives_[i].format;
    }
  }
  return nullptr;
}

bool TFileDetection::DetectFileStart(const uint8_t* sector, uint32_t, std::string& prefix,
                                     std::string& extension) const {
  const TFormat* f = Match(sector);
  if (!f) return false;
  prefix = f->FilePrefix;
  extension = f->FileExtension;
  return true;
}

TFileDetection PrepareCatalogue(TFormatsList& catalogue, uint32_t sectorBytes) {
  catalogue.SortByOrder();
  for (const auto& f : catalogue) f->PrepareForPass();
  TFileDetection detection;
  detection.Compile(catalogue, sectorBytes);
  return detection;
}

}  // namespace quillot
