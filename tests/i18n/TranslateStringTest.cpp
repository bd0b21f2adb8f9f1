#include <algorithm>
#include <gtest/gtest.h>

#include "app/UserFolders.h"
#include "drive/FileUtils.h"
#include "i18n/Language.h"
#include "i18n/Messages.h"
#include "support/TempEnvironment.h"

namespace quillot {

using testing::TTempEnvironment;

namespace {
size_t CountPlaceholders(std::string_view s) {
  size_t n = 0;
  for (size_t pos = s.find("%s"); pos != std::string_view::npos; pos = s.find("%s", pos + 2)) ++n;
  return n;
}
}  // namespace

TEST(TranslateString, WithoutLanguageFileAnswersTheDefaultUnchanged) {
  TTempEnvironment env;
  LanguageFile.reset();
  EXPECT_EQ(TranslateString("two*|*lines", "strAnything"), "two*|*lines");
  EXPECT_EQ(Tr(strRecoveryFinished), "Recovery finished.");
  EXPECT_EQ(Tr(strRecoveringFile, {"snd00001.wav"}), "Recovering file: snd00001.wav...");
  EXPECT_EQ(Tr(strRecoveryStarted, {"E"}), "Recovery started. Current disk E:\\");
}

TEST(TranslateString, LooksUpMiscAndTurnsMarkersIntoLineBreaks) {
  TTempEnvironment env;
  TTempEnvironment::Write(env.Program() / "Test.lng",
                          "[MainForm]\nstrOnlyHere=window text\n"
                          "[misc]\n"
                          "strTwo=one*|*two\n"
                          "STRLEAD=*|*lead\n"
                          "strTrail=trail*|*\n"
                          "strAdjacent=a*|**|*b\n"
                          "strOdd=a*|*|*b\n"
                          "strEmpty=\n"
                          "strRecoveringFile=Datei %s...\n");
  LanguageFile = LoadLanguageFile("Test.lng");
  ASSERT_TRUE(LanguageFile);
  EXPECT_EQ(TranslateString("d", "strTwo"), "one\r\ntwo");
  EXPECT_EQ(TranslateString("d", "strLead"), "\r\nlead");
  EXPECT_EQ(TranslateString("d", "STRTRAIL"), "trail\r\n");
  EXPECT_EQ(TranslateString("d", "strAdjacent"), "a\r\n\r\nb");
  EXPECT_EQ(TranslateString("d", "strOdd"), "a\r\n|*b");  // left to right
  EXPECT_EQ(TranslateString("default", "strEmpty"), "");
  EXPECT_EQ(TranslateString("default", "strMissing"), "default");
  EXPECT_EQ(TranslateString("default", "strOnlyHere"), "default");  // only "Misc" holds messages
  EXPECT_EQ(Tr(strRecoveringFile, {"a%sb"}), "Datei a%sb...");      // filled after the lookup
}

TEST(LoadLanguageFile, ReadsOnlyBareNamesFromTheProgramFolder) {
  TTempEnvironment env;
  TTempEnvironment::Write(env.Program() / "Here.lng", "[Misc]\nstrReady=here\n");
  TTempEnvironment::Write(env.Home() / "Elsewhere.lng", "[Misc]\nstrReady=elsewhere\n");
  std::filesystem::create_directory(env.Program() / "Folder.lng");

  LanguageFile = LoadLanguageFile("Here.lng");
  ASSERT_TRUE(LanguageFile);
  EXPECT_EQ(Tr(strReady), "here");

  // Loading discards the current file first, whatever the outcome.
  for (const char* name : {"Missing.lng", "Folder.lng", "", "../home/Elsewhere.lng", "..\\home\\Elsewhere.lng"}) {
    LanguageFile = LoadLanguageFile("Here.lng");
    auto loaded = LoadLanguageFile(name);
    EXPECT_FALSE(LanguageFile) << name;
    EXPECT_FALSE(loaded) << name;
    LanguageFile = std::move(loaded);
    EXPECT_EQ(Tr(strReady), "Ready") << name;
  }
  auto absolute = (env.Home() / "Elsewhere.lng").string();
  EXPECT_FALSE(LoadLanguageFile(absolute));
}

TEST(Languages, OrdinaryLngFilesOnlyWithTheirDisplayNames) {
  TTempEnvironment env;
  for (const char* name : {"deutsch.lng", "FRANCAIS.LNG", "portuguese BRAZIL.lng", ".hidden.lng", ".lng", "notes.txt",
                           "Deutsch.lng.bak", "x.lngx"})
    TTempEnvironment::Write(env.Program() / name, "[Misc]\n");
  std::filesystem::create_directory(env.Program() / "Folder.lng");

  auto found = AvailableLanguages();
  std::vector<std::string> names;
  for (const auto& e : found) names.push_back(e.FileName + " -> " + e.DisplayName);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"FRANCAIS.LNG -> Francais", "deutsch.lng -> Deutsch",
                                             "portuguese BRAZIL.lng -> Portuguese brazil"}));
  TTempEnvironment::Write(env.Program() / "FRANCAIS.LNG", "[Misc]\nstrReady=Pr\xEAt\n");
  for (const auto& e : found) {
    if (e.DisplayName != "Francais") continue;
    EXPECT_EQ(e.SettingValue(), "Francais.lng");
    EXPECT_TRUE(e.Matches("FRANCAIS.lng"));
    EXPECT_FALSE(e.Matches("Francais"));
    // The stored display form finds the file however its name is written.
    LanguageFile = LoadLanguageFile(e.SettingValue());
    EXPECT_EQ(Tr(strReady), "Pr\xEAt");
  }
}

// The user's settings folder adds languages; a name both folders hold is the program folder's.
TEST(Languages, UsersFolderAddsLanguagesAndTheProgramFolderWinsAClash) {
  TTempEnvironment env;
  const auto userFolder = env.Config() / "Brantwick";
  TTempEnvironment::Write(env.Program() / "Shipped.lng", "[Misc]\nstrReady=shipped\n");
  TTempEnvironment::Write(env.Program() / "Both.lng", "[Misc]\nstrReady=both, shipped\n");
  TTempEnvironment::Write(userFolder / "BOTH.lng", "[Misc]\nstrReady=both, user's\n");
  TTempEnvironment::Write(userFolder / "mine.LNG", "[Misc]\nstrReady=mine\n");
  SetUserLanguageFolderSource(UserSettingsFolder);
  struct TRow {
    const char* setting;
    const char* text;
  };
  for (const TRow& row :
       {TRow{"Shipped.lng", "shipped"}, TRow{"Both.lng", "both, shipped"}, TRow{"BOTH.LNG", "both, shipped"},
        TRow{"Mine.lng", "mine"}, TRow{"mine.LNG", "mine"}, TRow{"Nowhere.lng", "Ready"}}) {
    LanguageFile = LoadLanguageFile(row.setting);
    EXPECT_EQ(Tr(strReady), row.text) << row.setting;
  }
  std::vector<std::string> names;
  for (const auto& e : AvailableLanguages()) names.push_back(e.FileName + " -> " + e.DisplayName);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Both.lng -> Both", "Shipped.lng -> Shipped", "mine.LNG -> Mine"}));
  SetUserLanguageFolderSource(nullptr);
  LanguageFile = LoadLanguageFile("Mine.lng");
  EXPECT_FALSE(LanguageFile);
}

TEST(CapitaliseName, FirstLetterUpperRestLower) {
  EXPECT_EQ(CapitaliseName("ENGLISH"), "English");
  EXPECT_EQ(CapitaliseName("deutsch"), "Deutsch");
  EXPECT_EQ(CapitaliseName("CHINESE Simplified"), "Chinese simplified");
  EXPECT_EQ(CapitaliseName(""), "");
  EXPECT_EQ(CapitaliseName("\xC3\x89TAT"), "\xC3\x89tat");  // bytes beyond ASCII are left alone
}

TEST(Messages, TableKeysAreUniqueAndTheSampleFileTranslatesEveryOne) {
  TTempEnvironment env;
  std::vector<std::string> keys;
  for (const TMessage& m : AllMessages()) keys.emplace_back(m.Key);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
  EXPECT_EQ(std::string(strFileExistsConfirm.Default),
            "File %s already exists. Are you shure you want to overwrite it?");

  std::filesystem::copy_file(std::filesystem::path(QUILLOT_SOURCE_DIR) / "data" / "lang" / "German.lng",
                             env.Program() / "German.lng");
  LanguageFile = LoadLanguageFile("German.lng");
  ASSERT_TRUE(LanguageFile);
  for (const TMessage& m : AllMessages()) {
    ASSERT_NE(LanguageFile->Find("Misc", m.Key), nullptr) << m.Key;
    std::string text = Tr(m);
    EXPECT_FALSE(text.empty()) << m.Key;
    // A translation must keep the placeholders the code fills in.
    EXPECT_EQ(CountPlaceholders(text), CountPlaceholders(m.Default)) << m.Key;
  }
  EXPECT_EQ(Tr(strRecoveryFinished), "Wiederherstellung beendet.");
  // Texts the program puts together speak the language too.
  EXPECT_EQ(DriveTypeName(2), "Wechselmedium");
  EXPECT_EQ(Tr(strMegabytesPerSecond, {"1.5"}), "1.5 MB/s");
  LanguageFile.reset();
  EXPECT_EQ(DriveTypeName(3), "Fixed");
}

}  // namespace quillot
