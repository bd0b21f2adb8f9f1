// Translated messages: every message is written once as a key plus its built-in English text, and the
// loaded language file (if any) may replace it.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "i18n/LanguageFile.h"

namespace quillot {

// The language file in use, or none (the built-in English texts, offered as "English (Default)").
extern std::unique_ptr<TLanguageFile> LanguageFile;

// Answers the loaded language file's text for key in section "Misc", or defaultText. Every "*|*" in a
// text from the file becomes CR LF. Never fails.
std::string TranslateString(std::string_view defaultText, std::string_view key);

// Language files are looked for in the program folder, then in the folder the source set below
// answers (the user's settings folder, so a user can add a language without writing beside the
// program). The program folder's file wins when both hold a language of the same name.
//
// The layer that knows the user's folders sets the source; without one, only the program folder counts.
void SetUserLanguageFolderSource(std::string (*folder)());

// Discards the current LanguageFile, then reads the file of that bare name from the language folders
// in turn (in each the exact name first, else one that differs only in letter case). Answers none when
// there is no such file (or the name reaches outside the folders); the caller stores the result as the
// new LanguageFile at once.
std::unique_ptr<TLanguageFile> LoadLanguageFile(std::string_view fileName);

// The display form of a language name: all lower case, then the first character upper case.
std::string CapitaliseName(std::string_view name);

// How the built-in texts are offered beside the language files.
inline constexpr const char* kBuiltInLanguageEntry = "English (Default)";

struct TLanguageEntry {
  std::string FileName;     // as found in its folder, e.g. "deutsch.LNG"
  std::string DisplayName;  // e.g. "Deutsch"
  // The value GlobalLanguage takes when this entry is chosen.
  std::string SettingValue() const { return DisplayName + ".lng"; }
  // Whether this entry is the one the setting names.
  bool Matches(std::string_view globalLanguage) const;
};

// The "*.lng" files of the language folders (ordinary files only, not hidden ones nor folders), the
// program folder's first, each folder in the order the file system lists it; a language of the user's
// folder that the program folder also offers is left out.
std::vector<TLanguageEntry> AvailableLanguages();

}  // namespace quillot
