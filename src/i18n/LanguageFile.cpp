#include "i18n/LanguageFile.h"

#include "i18n/CodePage.h"
#include "platform/AtomicFile.h"
#include "util/Text.h"

namespace quillot {

std::string LowerCaseAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

void TLanguageFile::Parse(std::string_view text) {
  sections_.clear();
  // Editors often put a UTF-8 byte order mark first; it would hide the first section header.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  TSection* current = nullptr;  // lines before the first header belong to no section
  for (std::string_view raw : SplitLines(text)) {
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      // A repeated header starts the section afresh, hiding what the earlier one held.
      current = &sections_[LowerCaseAscii(Trim(line.substr(1, line.size() - 2)))];
      current->clear();
      continue;
    }
    if (!current) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, eq));
    if (key.empty()) continue;
    // The last of repeated keys counts.
    (*current)[LowerCaseAscii(key)] = std::string(Trim(line.substr(eq + 1)));
  }
}

bool TLanguageFile::Load(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text)) {
    sections_.clear();
    return false;
  }
  Parse(DecodeLanguageText(std::move(text)));
  return true;
}

const std::string* TLanguageFile::Find(std::string_view section, std::string_view key) const {
  auto s = sections_.find(LowerCaseAscii(Trim(section)));
  if (s == sections_.end()) return nullptr;
  auto k = s->second.find(LowerCaseAscii(Trim(key)));
  return k == s->second.end() ? nullptr : &k->second;
}

std::vector<std::string> TLanguageFile::SectionNames() const {
  std::vector<std::string> names;
  for (const auto& [name, section] : sections_) names.push_back(name);
  return names;
}

std::vector<std::string> TLanguageFile::KeysOf(std::string_view section) const {
  std::vector<std::string> keys;
  auto s = sections_.find(LowerCaseAscii(Trim(section)));
  if (s != sections_.end())
    for (const auto& [key, value] : s->second) keys.push_back(key);
  return keys;
}

}  // namespace quillot
