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

std::string (*userLanguageFolder)() = nullptr;

bool HasLanguageExtension(std::string_view name) {
  return name.size() >= kExtension.size() && EqualsNoCase(name.substr(name.size() - kExtension.size()), kExtension);
}

// The folder the shipped language files lie in, ending in the delimiter.
std::string ShippedLanguageFolder() { return DataFolder(); }

// The folders searched, the shipped one first: a shipped language is the one checked to fit the
// windows, so it wins a name clash; the user's folder adds languages.
std::vector<std::filesystem::path> LanguageFolders() {
  std::vector<std::filesystem::path> folders{ShippedLanguageFolder()};
  if (userLanguageFolder) {
    std::string user = userLanguageFolder();
    if (!user.empty()) folders.emplace_back(user);
  }
  return folders;
}

// The stored name is the display form ("Deutsch.lng") while the file may be written otherwise
// ("DEUTSCH.LNG"); file names here are case-sensitive, so look for it as the user meant it.
std::filesystem::path FindNameIgnoringCase(const std::filesystem::path& folder, std::string_view fileName) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (EqualsNoCase(it->path().filename().string(), fileName) && it->is_regular_file(typeError)) return it->path();
  }
  return {};
}

std::filesystem::path FindLanguageFile(std::string_view fileName) {
  for (const std::filesystem::path& folder : LanguageFolders()) {
    std::error_code ec;
    std::filesystem::path path = folder / std::string(fileName);
    if (std::filesystem::is_regular_file(path, ec)) return path;
    path = FindNameIgnoringCase(folder, fileName);
    if (!path.empty()) return path;
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
  // The setting holds a bare name; one that climbs out of the language folders is not a language file.
  // Windows takes either slash, and a drive letter, as a way out.
  if (fileName.empty() || fileName.find_first_of("/\\:") != std::string_view::npos || fileName == "." ||
      fileName == "..")
    return nullptr;
  std::filesystem::path path = FindLanguageFile(fileName);
  if (path.empty()) return nullptr;
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

void SetUserLanguageFolderSource(std::string (*folder)()) { userLanguageFolder = folder; }

std::vector<TLanguageEntry> AvailableLanguages() {
  std::vector<TLanguageEntry> found;
  for (const std::filesystem::path& folder : LanguageFolders()) {
    const size_t fromEarlierFolders = found.size();
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
      std::string name = it->path().filename().string();
      // Hidden files start with a dot on this platform; ".lng" alone is one of them.
      if (name.empty() || name[0] == '.' || !HasLanguageExtension(name)) continue;
      std::error_code typeError;
      if (!it->is_regular_file(typeError)) continue;
      TLanguageEntry entry{name, CapitaliseName(name.substr(0, name.size() - kExtension.size()))};
      // A language an earlier folder offers is that folder's: the setting names it the same way.
      bool shadowed = false;
      for (size_t i = 0; i < fromEarlierFolders; ++i) shadowed = shadowed || found[i].Matches(entry.SettingValue());
      if (!shadowed) found.push_back(std::move(entry));
    }
  }
  return found;
}

}  // namespace quillot
