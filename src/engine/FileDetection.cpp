#include "engine/FileDetection.h"

#include <algorithm>
#include <map>

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

void TFileDetection::Compile(const TFormatsList& catalogue) {
  rules_.clear();
  alternatives_.clear();
  formatCount_ = 0;
  for (const auto& f : catalogue) {
    if (!f->Search) continue;
    ++formatCount_;
    const std::vector<std::vector<std::string>> all = f->GetAllAlternativeRules();
    for (int32_t a = 0; a < f->AlternativeCount; ++a) {
      Alternative alt{static_cast<uint32_t>(rules_.size()), 0, false, f.get()};
      if (static_cast<size_t>(a) >= all.size()) {
        alternatives_.push_back(alt);  // a count larger than the text: an alternative without entries
        continue;
      }
      for (const std::string& entry : all[static_cast<size_t>(a)]) {
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
  indexWork_ = 0;
  auto withinReach = [](int32_t offset) { return offset >= 0 && offset < kReach; };
  // Bytes that fill so much of real media (empty space, padding) that they select poorly.
  auto common = [](uint8_t v) { return v == 0x00 || v == 0xFF || v == 0x20; };

  // The rules each alternative may be keyed by: those within reach with only such rules before them.
  std::vector<uint32_t> eligible(n, 0);
  reach_ = 1;
  std::vector<int> useful(n, 0);  // 1: can change an answer
  std::map<int32_t, size_t> offsetUse;
  for (size_t i = 0; i < n; ++i) {
    const Alternative& alt = alternatives_[i];
    const Rule* rules = rules_.data() + alt.firstRule;
    uint32_t inside = 0;
    while (inside < alt.ruleCount && withinReach(rules[inside].offset)) ++inside;
    // Without rules it reads nothing; with every rule within reach and a last entry that is not a
    // rule it can neither match nor fail where the index is used: either way it changes no answer.
    useful[i] = !(alt.ruleCount == 0 || (!alt.canMatch && inside == alt.ruleCount));
    eligible[i] = inside;
    indexWork_ += 1 + alt.ruleCount;
    // Left out, it may not read outside the buffer either: the index must rely on all its bytes.
    if (!useful[i])
      for (uint32_t r = 0; r < alt.ruleCount; ++r) reach_ = std::max(reach_, rules[r].offset + 1);
    for (uint32_t r = 0; r < inside; ++r)
      if (!common(rules[r].value)) ++offsetUse[rules[r].offset];
  }
  // Key each alternative at the offset that most others can share, so a sector needs few lookups.
  std::map<int32_t, std::vector<std::pair<uint8_t, uint32_t>>> byOffset;
  unkeyed_.clear();
  for (size_t i = 0; i < n; ++i) {
    if (!useful[i]) continue;
    const Rule* rules = rules_.data() + alternatives_[i].firstRule;
    int best = -1;
    size_t bestUse = 0;
    indexWork_ += 1 + eligible[i];
    for (uint32_t r = 0; r < eligible[i]; ++r) {
      size_t use = common(rules[r].value) ? 0 : offsetUse[rules[r].offset];
      if (best < 0 || use > bestUse) {
        best = static_cast<int>(r);
        bestUse = use;
      }
    }
    if (best < 0) {
      unkeyed_.push_back(static_cast<uint32_t>(i));
      continue;
    }
    byOffset[rules[best].offset].push_back({rules[best].value, static_cast<uint32_t>(i)});
    for (int r = 0; r <= best; ++r) reach_ = std::max(reach_, rules[r].offset + 1);
  }
  // Too many distinct offsets: the least used ones give their alternatives to the unkeyed list, the
  // lowest offset first among equally used ones. One sort, not a search per offset given up.
  if (byOffset.size() > kMostLists - 1) {
    std::vector<decltype(byOffset)::iterator> byUse;
    for (auto it = byOffset.begin(); it != byOffset.end(); ++it) byUse.push_back(it);
    indexWork_ += byUse.size();
    std::stable_sort(byUse.begin(), byUse.end(),
                     [](const auto& a, const auto& b) { return a->second.size() < b->second.size(); });
    for (size_t i = 0; i + (kMostLists - 1) < byUse.size(); ++i) {
      for (auto& entry : byUse[i]->second) unkeyed_.push_back(entry.second);
      byOffset.erase(byUse[i]);
    }
  }
  std::sort(unkeyed_.begin(), unkeyed_.end());
  keyOffsets_.clear();
  rows_.assign(byOffset.size() * 256, Row{0, 0});
  keyed_.clear();
  size_t k = 0;
  for (auto& [offset, entries] : byOffset) {
    keyOffsets_.push_back(offset);
    std::stable_sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (size_t e = 0; e < entries.size();) {
      Row& row = rows_[k * 256 + entries[e].first];
      row.begin = static_cast<uint32_t>(keyed_.size());
      for (uint8_t value = entries[e].first; e < entries.size() && entries[e].first == value; ++e)
        keyed_.push_back(entries[e].second);
      row.count = static_cast<uint32_t>(keyed_.size()) - row.begin;
    }
    ++k;
  }
}

TFileDetection::TRuleAnswer TFileDetection::Evaluate(const Alternative& alt, ptrdiff_t base) const {
  const Rule* r = rules_.data() + alt.firstRule;
  const Rule* end = r + alt.ruleCount;
  for (; r != end; ++r) {
    const int64_t pos = static_cast<int64_t>(base) + r->offset;
    if (pos < 0 || static_cast<uint64_t>(pos) >= bufSize_) return TRuleAnswer::OutsideBuffer;
    if (bufBegin_[pos] != r->value) return TRuleAnswer::NoMatch;
  }
  // Every rule held; a match needs the alternative to end with a rule.
  return alt.canMatch && alt.ruleCount > 0 ? TRuleAnswer::Match : TRuleAnswer::NoMatch;
}

const TFormat* TFileDetection::MatchPlain(const uint8_t* sector) const { return MatchFrom(sector, 0); }

const TFormat* TFileDetection::MatchAfter(const uint8_t* sector, const TFormat* format) const {
  size_t first = 0;
  for (size_t i = 0; i < alternatives_.size(); ++i)
    if (alternatives_[i].format == format) first = i + 1;
  return first == 0 ? nullptr : MatchFrom(sector, first);
}

const TFormat* TFileDetection::MatchFrom(const uint8_t* sector, size_t first) const {
  const ptrdiff_t base = sector - bufBegin_;
  for (size_t i = first; i < alternatives_.size(); ++i) {
    const Alternative& alt = alternatives_[i];
    // A read outside the buffer is an error: the whole test of this sector answers no match.
    const TRuleAnswer answer = Evaluate(alt, base);
    if (answer == TRuleAnswer::OutsideBuffer) return nullptr;
    if (answer == TRuleAnswer::Match) return alt.format;
  }
  return nullptr;
}

const TFormat* TFileDetection::Match(const uint8_t* sector) const {
  const ptrdiff_t base = sector - bufBegin_;
  // The index relies on reach_ bytes of buffer from the sector's start; near the buffer's end the
  // sector goes the long way.
  if (base < 0 || static_cast<size_t>(base) + static_cast<size_t>(reach_) > bufSize_) return MatchPlain(sector);
  // The non-empty rows and the unkeyed alternatives: sorted lists, merged into catalogue order.
  struct List {
    const uint32_t* next;
    const uint32_t* end;
  };
  // Most sectors hit no row at all: look them all up first, without a branch per row.
  const size_t keys = keyOffsets_.size();
  Row found[kMostLists];
  uint32_t hits = 0;
  for (size_t k = 0; k < keys; ++k) {
    found[k] = rows_[k * 256 + sector[keyOffsets_[k]]];
    hits |= found[k].count;
  }
  if (hits == 0 && unkeyed_.empty()) return nullptr;
  List lists[kMostLists];
  size_t count = 0;
  for (size_t k = 0; k < keys; ++k)
    if (found[k].count)
      lists[count++] = {keyed_.data() + found[k].begin, keyed_.data() + found[k].begin + found[k].count};
  if (!unkeyed_.empty()) lists[count++] = {unkeyed_.data(), unkeyed_.data() + unkeyed_.size()};
  while (count) {
    size_t pick = 0;
    for (size_t l = 1; l < count; ++l)
      if (*lists[l].next < *lists[pick].next) pick = l;
    const Alternative& alt = alternatives_[*lists[pick].next];
    if (++lists[pick].next == lists[pick].end) lists[pick] = lists[--count];
    const TRuleAnswer answer = Evaluate(alt, base);
    if (answer == TRuleAnswer::OutsideBuffer) return nullptr;
    if (answer == TRuleAnswer::Match) return alt.format;
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

TFileDetection PrepareCatalogue(TFormatsList& catalogue) {
  catalogue.SortByOrder();
  for (const auto& f : catalogue) f->PrepareForPass();
  TFileDetection detection;
  detection.Compile(catalogue);
  return detection;
}

}  // namespace quillot
