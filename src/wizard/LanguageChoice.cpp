#include "wizard/LanguageChoice.h"

#include "app/Settings.h"
#include "i18n/Language.h"

namespace quillot {

TLanguagePicture LanguagePictureOf(const std::string& displayName) {
  if (displayName == "English") return lpEnglish;
  if (displayName == "Dutch") return lpDutch;
  if (displayName == "Russian") return lpRussian;
  if (displayName == "German") return lpGerman;
  return lpAnyLanguage;
}

TLanguageChoice TLanguageChoice::Load() {
  TLanguageChoice choice;
  choice.Entries.push_back({kBuiltInLanguageEntry, lpBuiltIn, {}});
  int selected = -1;
  for (const TLanguageEntry& entry : AvailableLanguages()) {
    choice.Entries.push_back({entry.DisplayName, LanguagePictureOf(entry.DisplayName), entry.SettingValue()});
    if (selected < 0 && entry.Matches(GlobalLanguage)) selected = static_cast<int>(choice.Entries.size()) - 1;
  }
  choice.Preselected = selected < 0 ? 0 : selected;
  return choice;
}

void TLanguageChoice::Apply(int index) const {
  if (index <= 0 || static_cast<size_t>(index) >= Entries.size()) {
    GlobalLanguage.clear();
    LanguageFile.reset();
    return;
  }
  GlobalLanguage = Entries[static_cast<size_t>(index)].SettingValue;
  LanguageFile = LoadLanguageFile(GlobalLanguage);
}

}  // namespace quillot
