// The languages a user may choose: the built-in texts first, then the language files beside the program.
// The first start's language dialog lists them with pictures, the Advanced Parameters' language page in
// its drop-down list.
#pragma once

#include <string>
#include <vector>

namespace quillot {

// Numbers of the six pictures of the language list.
enum TLanguagePicture {
  lpAnyLanguage = 0,  // a language file of any other name
  lpBuiltIn = 1,      // the built-in English texts
  lpEnglish = 2,
  lpDutch = 3,
  lpRussian = 4,
  lpGerman = 5,
};

// The picture of a language file's display name: the four flags by their exact English names, the globe
// for every other name.
TLanguagePicture LanguagePictureOf(const std::string& displayName);

struct TLanguageChoice {
  struct TEntry {
    std::string Text;
    TLanguagePicture Picture = lpAnyLanguage;
    std::string SettingValue;  // what GlobalLanguage becomes; empty for the built-in texts
  };
  // "English (Default)", then one entry per language file, in the order the folder lists them.
  std::vector<TEntry> Entries;
  // The entry GlobalLanguage names (its text followed by ".lng", without regard to case), else 0.
  int Preselected = 0;

  // Lists the languages and finds the preselected one.
  static TLanguageChoice Load();
  // Chooses entry index: the built-in texts for 0 or none (-1), with no language file; otherwise the entry's
  // setting value, whose language file is loaded at once.
  void Apply(int index) const;
};

}  // namespace quillot
