#include "wizard/FormTexts.h"

#include "i18n/Language.h"

namespace quillot {

namespace {
constexpr const char* kLineDefault = "fsdef";
}  // namespace

std::string FormTextKey(std::string_view form, std::string_view component, TFormTextKind kind, int index) {
  std::string key(form);
  if (!component.empty()) key.append(".").append(component);
  const std::string i = std::to_string(index);
  switch (kind) {
    case TFormTextKind::Caption: return key + ".Caption";
    case TFormTextKind::Hint: return key + ".Hint";
    case TFormTextKind::Line: return key + ".lines[" + i + "]";
    case TFormTextKind::Item: return key + ".items[" + i + "]";
    case TFormTextKind::Column: return key + ".Columns[" + i + "].Caption";
  }
  return key;
}

std::optional<std::string> TranslatedFormText(const std::string& section, const std::string& key, TFormTextKind kind) {
  if (!LanguageFile) return std::nullopt;
  if (kind == TFormTextKind::Line) {
    std::string value = LanguageFile->ReadString(section, key, kLineDefault);
    if (value == kLineDefault) return std::nullopt;
    return value;
  }
  std::string value = LanguageFile->ReadString(section, key, "");
  if (value.empty()) return std::nullopt;
  return value;
}

std::vector<std::string> WithTranslatedLines(std::vector<std::string> lines,
                                             const std::map<int, std::string>& changes) {
  for (const auto& [line, value] : changes)
    if (line >= 0 && static_cast<size_t>(line) < lines.size()) lines[static_cast<size_t>(line)] = value;
  return lines;
}

}  // namespace quillot
