#include "formats/CommaText.h"

namespace quillot {

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

bool NeedsQuotes(std::string_view s) {
  for (char c : s)
    if (IsBlank(c) || c == '"' || c == ',') return true;
  return false;
}
}  // namespace

std::vector<std::string> SplitCommaText(std::string_view s) {
  std::vector<std::string> out;
  size_t p = 0;
  const size_t n = s.size();
  while (p < n && IsBlank(s[p])) ++p;
  while (p < n) {
    std::string entry;
    if (s[p] == '"') {
      ++p;
      while (p < n) {
        if (s[p] == '"') {
          if (p + 1 < n && s[p + 1] == '"') {
            entry += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        entry += s[p++];
      }
    } else {
      size_t start = p;
      while (p < n && !IsBlank(s[p]) && s[p] != ',') ++p;
      entry.assign(s.substr(start, p - start));
    }
    out.push_back(std::move(entry));
    while (p < n && IsBlank(s[p])) ++p;
    if (p < n && s[p] == ',') {
      if (p + 1 == n) out.emplace_back();
      ++p;
      while (p < n && IsBlank(s[p])) ++p;
    }
  }
  return out;
}

std::string JoinCommaText(const std::vector<std::string>& entries) {
  if (entries.size() == 1 && entries[0].empty()) return "\"\"";
  std::string out;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i) out += ',';
    const std::string& e = entries[i];
    if (!NeedsQuotes(e)) {
      out += e;
      continue;
    }
    out += '"';
    for (char c : e) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

}  // namespace quillot
