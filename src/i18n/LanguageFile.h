// A language file held in memory: sections of Key=Value texts, looked up without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillot {

class TLanguageFile {
 public:
  // Starts from the bytes of a file, taken as they are (any 8-bit code page, any line ends).
  void Parse(std::string_view text);
  // Loads path, converted to UTF-8 from the code page its opening comments name, if any; answers false
  // (and leaves an empty document) when it cannot be read.
  bool Load(const std::string& path);

  // The value of key in section, or nullptr when the section or the key is missing.
  const std::string* Find(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    const std::string* v = Find(section, key);
    return v ? *v : std::string(def);
  }
  size_t SectionCount() const { return sections_.size(); }
  // The names of the sections, and the keys of one section, in lower case (checks over whole files).
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeysOf(std::string_view section) const;

 private:
  using TSection = std::unordered_map<std::string, std::string>;
  // Keyed by the lower-cased section name; each section keyed by the lower-cased key.
  std::unordered_map<std::string, TSection> sections_;
};

// Lower-cases the ASCII letters only: other bytes belong to whatever code page the file uses.
std::string LowerCaseAscii(std::string_view s);

}  // namespace quillot
