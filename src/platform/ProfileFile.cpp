#include "platform/ProfileFile.h"

#include "platform/AtomicFile.h"
#include "util/Text.h"

namespace quillot {

void TProfileFile::Parse(std::string_view text) {
  lines_.clear();
  indexed_ = false;
  for (auto line : SplitLines(text)) lines_.emplace_back(line);
  size_t brk = text.find_first_of("\r\n");
  lineBreak_ = (brk != std::string_view::npos && text.substr(brk, 2) == "\r\n") ? "\r\n" : "\n";
}

bool TProfileFile::Load(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, text)) {
    Parse({});
    return false;
  }
  Parse(text);
  return true;
}

std::string TProfileFile::Text() const {
  std::string out;
  for (const auto& line : lines_) {
    out += line;
    out += lineBreak_;
  }
  return out;
}

bool TProfileFile::Save(const std::string& path, std::string* error) const {
  return WriteFileAtomically(path, Text(), error);
}

std::optional<std::string_view> TProfileFile::HeaderName(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  std::string_view name = close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1);
  return Trim(name);
}

std::optional<std::string_view> TProfileFile::KeyOf(std::string_view line) {
  std::string_view t = TrimLeft(line);
  if (t.empty() || t.front() == ';') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(t.substr(0, eq));
}

size_t TProfileFile::FindSection(std::string_view section) const {
  if (!indexed_) {
    sections_.clear();
    for (size_t i = 0; i < lines_.size(); ++i)
      if (auto name = HeaderName(lines_[i])) sections_.emplace(UpperCase(*name), i);
    indexed_ = true;
  }
  const auto it = sections_.find(UpperCase(Trim(section)));
  return it == sections_.end() ? std::string::npos : it->second;
}

size_t TProfileFile::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && !HeaderName(lines_[i])) ++i;
  return i;
}

std::optional<std::string> TProfileFile::Read(std::string_view section, std::string_view key) const {
  size_t header = FindSection(section);
  if (header == std::string::npos) return std::nullopt;
  std::string_view wanted = Trim(key);
  size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    auto k = KeyOf(lines_[i]);
    if (k && EqualsNoCase(*k, wanted)) {
      std::string_view line = lines_[i];
      return std::string(Trim(line.substr(line.find('=') + 1)));
    }
  }
  return std::nullopt;
}

void TProfileFile::Write(std::string_view section, std::string_view key, std::string_view rawValue) {
  // A line break inside a value would end the line and could start a new key or section.
  std::string value(rawValue);
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  std::string_view wantedKey = Trim(key);
  size_t header = FindSection(section);
  if (header == std::string::npos) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    indexed_ = false;
    lines_.push_back("[" + std::string(Trim(section)) + "]");
    lines_.push_back(std::string(wantedKey) + "=" + std::string(value));
    return;
  }
  size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    auto k = KeyOf(lines_[i]);
    if (k && EqualsNoCase(*k, wantedKey)) {
      lines_[i] = std::string(*k) + "=" + std::string(value);
      return;
    }
  }
  // New keys go after the section's last non-blank line, so blank separators stay between sections.
  size_t at = end;
  while (at > header + 1 && Trim(lines_[at - 1]).empty()) --at;
  indexed_ = false;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::string(wantedKey) + "=" + std::string(value));
}

}  // namespace quillot
