// An INI document with the profile-service rules: section and key names compared without regard to
// case, values trimmed, and on write every other section, key and comment line kept as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillot {

class TProfileFile {
 public:
  // Starts from the text of a file (any line ends: CR LF, LF or lone CR).
  void Parse(std::string_view text);
  // Loads path; a missing or unreadable file gives an empty document and answers false.
  bool Load(const std::string& path);
  // Writes the whole document to path atomically.
  bool Save(const std::string& path, std::string* error = nullptr) const;
  std::string Text() const;

  // The trimmed value of key in section; the first matching section and key count.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    auto v = Read(section, key);
    return v ? *v : std::string(def);
  }
  // Replaces the value of key, adds the key at the end of its section, or adds the section at the end.
  void Write(std::string_view section, std::string_view key, std::string_view value);

 private:
  // Index of the header line of the first section named so, or npos.
  size_t FindSection(std::string_view section) const;
  // The line range [first, last) of the body of the section whose header is at line header.
  size_t SectionEnd(size_t header) const;
  static std::optional<std::string_view> HeaderName(std::string_view line);
  static std::optional<std::string_view> KeyOf(std::string_view line);

  std::vector<std::string> lines_;
  std::string lineBreak_ = "\n";
  // Each section's first header line by its name in capitals, so a catalogue of thousands of formats reads in
  // linear time; built when first asked, dropped by a write that adds lines.
  mutable std::unordered_map<std::string, size_t> sections_;
  mutable bool indexed_ = false;
};

}  // namespace quillot
