#include "engine/FileDetection.h"

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
  formats_.clear();
  for (const auto& f : catalogue) {
    if (!f->Search) continue;
    Format compiled{f.get(), static_cast<uint32_t>(alternatives_.size()), 0};
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
      ++compiled.alternativeCount;
    }
    formats_.push_back(compiled);
  }
  for (auto& list : candidates_) list.clear();
  for (uint32_t i = 0; i < alternatives_.size(); ++i) {
    const Alternative& alt = alternatives_[i];
    if (alt.ruleCount == 0) continue;  // reads nothing and never matches
    const Rule& first = rules_[alt.firstRule];
    for (int b = 0; b < 256; ++b)
      if (first.offset != 0 || first.value == b) candidates_[b].push_back(i);
  }
}

const TFormat* TFileDetection::Match(const uint8_t* sector) const {
  const ptrdiff_t base = sector - bufBegin_;
  if (base < 0 || static_cast<size_t>(base) >= bufSize_) return nullptr;
  const Rule* rules = rules_.data();
  for (uint32_t index : candidates_[*sector]) {
    const Alternative& alt = alternatives_[index];
    const Rule* r = rules + alt.firstRule;
    const Rule* end = r + alt.ruleCount;
    bool held = true;
    for (; r != end; ++r) {
      const int64_t pos = static_cast<int64_t>(base) + r->offset;
      // A read outside the buffer is an error: the whole test of this sector answers no match.
      if (pos < 0 || static_cast<uint64_t>(pos) >= bufSize_) return nullptr;
      if (bufBegin_[pos] != r->value) {
        held = false;
        break;
      }
    }
    // Every rule held; a match needs the alternative to end with a rule.
    if (held && alt.canMatch) return alt.format;
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
