#include "i18n/Language.h"

#include <filesystem>

#include "platform/ProgramFolder.h"
#include "util/Text.h"

namespace quillot {

std::unique_ptr<TLanguageFile> LanguageFile;

namespace {
constexpr std::string_view kMisc = "Misc";
constexpr std::string_view kLineBreakMarker = "*|*";
constexpr std::string_view kExtension = ".lng";

bool HasLanguageExtension(std::string_view name) {
  return name.size() >= kExtension.size() && EqualsNoCase(name.substr(name.size() - kExtension.size()), kExtension);
}
// The stored name is the display form ("Deutsch.lng") while the file may be written otherwise
// ("DEUTSCH.LNG"); file names here are case-sensitive, so look for it as the user meant it.
std::filesystem::path FindNameIgnoringCase(std::string_view fileName) {
  std::error_code ec;
  std::filesystem::directory_iterator it(DataFolder(), ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (EqualsNoCase(it->path().filename().string(), fileName) && it->is_regular_file(typeError)) return it->path();
  }
  return {};
}
}  // namespace

std::string TranslateString(std::string_view defaultText, std::string_view key) {
  if (!LanguageFile) return std::string(defaultText);
  const std::string* value = LanguageFile->Find(kMisc, key);
  if (!value) return std::string(defaultText);
  return ReplaceAll(*value, kLineBreakMarker, "\r\n");
}

std::unique_ptr<TLanguageFile> LoadLanguageFile(std::string_view fileName) {
  LanguageFile.reset();
  // The setting holds a bare name; one that climbs out of the program folder is not a language file.
  if (fileName.empty() || fileName.find(PathDelim) != std::string_view::npos || fileName == "." || fileName == "..")
    return nullptr;
  std::error_code ec;
  std::filesystem::path path = DataFolder() + std::string(fileName);
  if (!std::filesystem::is_regular_file(path, ec)) {
    path = FindNameIgnoringCase(fileName);
    if (path.empty()) return nullptr;
  }
  auto file = std::make_unique<TLanguageFile>();
  if (!file->Load(path.string())) return nullptr;
  return file;
}

std::string CapitaliseName(std::string_view name) {
  std::string out = LowerCaseAscii(name);
  if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
  return out;
}

bool TLanguageEntry::Matches(std::string_view globalLanguage) const {
  return EqualsNoCase(SettingValue(), globalLanguage);
}

std::vector<TLanguageEntry> AvailableLanguages() {
  std::vector<TLanguageEntry> found;
  std::error_code ec;
  std::filesystem::directory_iterator it(DataFolder(), ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    // Hidden files start with a dot on this platform; ".lng" alone is one of them.
    if (name.empty() || name[0] == '.' || !HasLanguageExtension(name)) continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    found.push_back({name, CapitaliseName(name.substr(0, name.size() - kExtension.size()))});
  }
  return found;
}

}  // namespace quillot
