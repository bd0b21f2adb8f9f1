#include "i18n/CodePage.h"

#include "i18n/LanguageFile.h"
#include "util/Text.h"

namespace quillot {

namespace {
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The label part of "Code page", "Codepage" or "code-page", compared without blanks and hyphens.
bool IsCodePageLabel(std::string_view label) {
  std::string squeezed;
  for (char c : label)
    if (c != ' ' && c != '\t' && c != '-') squeezed += c;
  return LowerCaseAscii(squeezed) == "codepage";
}

}  // namespace

std::string DeclaredCodePage(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  for (std::string_view raw : SplitLines(text)) {
    std::string_view line = Trim(raw);
    if (line.empty()) continue;
    if (line.front() != ';') break;  // the opening comments end here
    line.remove_prefix(1);
    const size_t colon = line.find_first_of(":=");
    if (colon == std::string_view::npos || !IsCodePageLabel(line.substr(0, colon))) continue;
    std::string_view name = Trim(line.substr(colon + 1));
    return std::string(name);
  }
  return {};
}

std::string DecodeLanguageText(std::string text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) return text;
  const std::string codePage = DeclaredCodePage(text);
  if (codePage.empty() || IsUtf8(text)) return text;
  ConvertToUtf8(text, codePage);
  return text;
}

}  // namespace quillot
