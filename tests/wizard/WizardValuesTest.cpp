// The dialogs' values and the small rules the wizard's windows share: the Advanced Parameters, the
// language list, the format dialog's fields, the number fields' bounds, translation by component names and
// the pass's options from the settings.
#include <map>

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "i18n/Language.h"
#include "support/TempEnvironment.h"
#include "wizard/AdvancedParams.h"
#include "wizard/FieldBounds.h"
#include "wizard/FormTexts.h"
#include "wizard/FormatFields.h"
#include "wizard/LanguageChoice.h"
#include "wizard/PassOptions.h"

namespace quillot::testing {

class WizardValuesTest : public ::testing::Test {
 protected:
  void Language(const std::string& file, const std::string& text = "[Misc]\n") {
    TTempEnvironment::Write(env.Program() / file, text);
  }
  TTempEnvironment env;
};

TEST_F(WizardValuesTest, AdvancedParametersComeWithinBoundsAndOkStoresThemChangingTheLanguageOnlyWhenChosen) {
  Language("German.lng");
  Language("russian.lng");
  RecoveryRetryCount = -3;
  RecoverySectorsToRead = 20000;
  GlobalLanguage = "GERMAN.LNG";
  TAdvancedParams p = TAdvancedParams::FromSettings();
  EXPECT_EQ(p.RetryCount, -3);  // both bounds 0: anything goes
  EXPECT_EQ(p.SectorsToRead, 10000);
  ASSERT_EQ(p.Languages.Entries.size(), 3u);
  EXPECT_EQ(p.Languages.Entries[p.InitialLanguage].Text, "German");
  // The same choice keeps the language file as it is, even none loaded.
  LanguageFile.reset();
  p.Apply();
  EXPECT_EQ(RecoverySectorsToRead, 10000);
  EXPECT_EQ(GlobalLanguage, "GERMAN.LNG");
  EXPECT_EQ(LanguageFile, nullptr);
  // Another entry is stored by its name and loaded; the first entry empties the setting.
  for (int index = 0; index < 3; ++index) {
    if (index == p.InitialLanguage) continue;
    TAdvancedParams chosen = p;
    chosen.Language = index;
    chosen.Apply();
    EXPECT_EQ(GlobalLanguage, chosen.Languages.Entries[static_cast<size_t>(index)].SettingValue);
    EXPECT_EQ(LanguageFile != nullptr, index != 0);
  }
  EXPECT_TRUE(p.ReassembleOffered() == p.TrimFiles);
  EXPECT_EQ(TAdvancedParams::kSectorsToReadBounds.Read(false, 5), 1);
}

TEST_F(WizardValuesTest, TheLanguageListTakesPicturesByNameAndPreselectsTheSetting) {
  for (const char* file : {"german.lng", "RUSSIAN.lng", "Klingon.lng", "English.lng", "Dutch.lng"}) Language(file);
  struct TRow {
    std::string setting, preselected;
  };
  for (const TRow& row :
       {TRow{"", "English (Default)"}, TRow{"klingon.LNG", "Klingon"}, TRow{"Gone.lng", "English (Default)"}}) {
    GlobalLanguage = row.setting;
    const TLanguageChoice choice = TLanguageChoice::Load();
    EXPECT_EQ(choice.Entries[static_cast<size_t>(choice.Preselected)].Text, row.preselected);
  }
  const TLanguageChoice choice = TLanguageChoice::Load();
  ASSERT_EQ(choice.Entries.size(), 6u);
  EXPECT_EQ(choice.Entries[0].Picture, lpBuiltIn);
  std::map<std::string, TLanguagePicture> pictures;
  for (const auto& e : choice.Entries) pictures[e.Text] = e.Picture;
  EXPECT_EQ(pictures["German"], lpGerman);
  EXPECT_EQ(pictures["Russian"], lpRussian);
  EXPECT_EQ(pictures["English"], lpEnglish);
  EXPECT_EQ(pictures["Dutch"], lpDutch);
  EXPECT_EQ(pictures["Klingon"], lpAnyLanguage);
  EXPECT_EQ(LanguagePictureOf("german"), lpAnyLanguage);  // the exact English names only
  choice.Apply(-1);
  EXPECT_TRUE(GlobalLanguage.empty());
}

TEST(FormatFields, TheScriptIsOneLinePerAlternativeAndTitlesKeepTheirLimit) {
  EXPECT_EQ(ScriptLines("0=#$52\r\n8=#$57\r\n"), "0=#$52\n8=#$57");
  EXPECT_EQ(ScanBytesFromScript("0=#$52\n8=#$57"), "0=#$52\r\n8=#$57\r\n");
  EXPECT_EQ(ScanBytesFromScript(ScriptLines("a\r\nb\r\nc\r\n")), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(ScanBytesFromScript(""), "");
  EXPECT_EQ(TitleLengthLimit("WAV"), 50);
  EXPECT_EQ(TitleLengthLimit(std::string(60, 'x')), 60);
  // Counted as the field counts: a Cyrillic letter is one unit, a character past the basic plane two.
  EXPECT_EQ(TitleLengthLimit(std::string(26, 'x') + std::string(25, 'x') + "\xD0\x96"), 52);
  std::string astral;
  for (int i = 0; i < 30; ++i) astral += "\xF0\x9F\x8E\xB5";
  EXPECT_EQ(TitleLengthLimit(astral), 60);
}

TEST(FieldBounds, EqualBoundsRestrictNothingAndNoNumberReadsAsTheLowerBound) {
  const TFieldBounds<uint64_t> sectors{0, 2048};
  EXPECT_EQ(sectors.Held(5000), 2048u);
  EXPECT_EQ(sectors.Read(false, 77), 0u);
  const TFieldBounds<int64_t> free{0, 0};
  EXPECT_FALSE(free.Restricts());
  EXPECT_EQ(free.Held(-9), -9);
}

TEST_F(WizardValuesTest, AFormTranslatesByItsComponentNamesKeepingWhatTheFileLeavesOut) {
  EXPECT_EQ(FormTextKey("MainForm", "ButtonNext", TFormTextKind::Caption), "MainForm.ButtonNext.Caption");
  EXPECT_EQ(FormTextKey("MainForm", "", TFormTextKind::Caption), "MainForm.Caption");
  EXPECT_EQ(FormTextKey("F", "Memo", TFormTextKind::Line, 2), "F.Memo.lines[2]");
  EXPECT_EQ(FormTextKey("F", "Combo", TFormTextKind::Item, 1), "F.Combo.items[1]");
  EXPECT_EQ(FormTextKey("F", "List", TFormTextKind::Column, 0), "F.List.Columns[0].Caption");
  EXPECT_EQ(TranslatedFormText("F", "F.B.Caption", TFormTextKind::Caption), std::nullopt);  // no file loaded
  Language("Test.lng",
           "[F]\nF.B.Caption=Weiter\nF.E.Caption=\nF.M.lines[0]=\nF.M.lines[1]=fsdef\nF.M.lines[2]=Zeile\n");
  LanguageFile = LoadLanguageFile("Test.lng");
  struct TRow {
    std::string key;
    TFormTextKind kind;
    std::optional<std::string> value;
  };
  for (const TRow& row :
       {TRow{"F.B.Caption", TFormTextKind::Caption, "Weiter"},
        TRow{"F.E.Caption", TFormTextKind::Caption, std::nullopt}, TRow{"F.X.Hint", TFormTextKind::Hint, std::nullopt},
        TRow{"F.M.lines[0]", TFormTextKind::Line, ""},  // an empty value blanks a line
        TRow{"F.M.lines[1]", TFormTextKind::Line, std::nullopt}, TRow{"F.M.lines[2]", TFormTextKind::Line, "Zeile"},
        TRow{"F.M.lines[3]", TFormTextKind::Line, std::nullopt}})
    EXPECT_EQ(TranslatedFormText("F", row.key, row.kind), row.value) << row.key;
  EXPECT_EQ(WithTranslatedLines({"a", "b"}, {{1, "B"}, {5, "gone"}}), (std::vector<std::string>{"a", "B"}));
}

TEST_F(WizardValuesTest, ThePassTakesItsOptionsFromTheSettingsAndReassemblesOnlyWhileTrimming) {
  RecoveryRetryCount = 7;
  RecoverySectorsToRead = 300;
  for (const bool trim : {false, true}) {
    RecoveryTrimFiles = trim;
    RecoveryReassemble = true;
    const TRecoveryOptions o = PassOptionsFromSettings('E', "out/", 12);
    EXPECT_EQ(o.DriveLetter, 'E');
    EXPECT_EQ(o.DriveNumber, 5);
    EXPECT_EQ(o.TargetFolder, "out/");
    EXPECT_EQ(o.StartSector, 12u);
    EXPECT_EQ(o.RetryCount, 7);
    EXPECT_EQ(o.SectorsToRead, 300);
    EXPECT_EQ(o.Trim, trim);
    EXPECT_EQ(o.Reassemble, trim);
    EXPECT_FALSE(o.StopEndsRetries);
  }
}

}  // namespace quillot::testing
