// Language files in 8-bit Windows code pages come out as UTF-8.
#include <gtest/gtest.h>

#include "i18n/CodePage.h"
#include "i18n/Language.h"
#include "i18n/Messages.h"
#include "support/TempEnvironment.h"

namespace quillot {

using testing::TTempEnvironment;

namespace {
// "Готово" ("Ready") in windows-1251 and in UTF-8.
const std::string kReadyCp1251 = "\xC3\xEE\xF2\xEE\xE2\xEE";
const std::string kReadyUtf8 = "\xD0\x93\xD0\xBE\xD1\x82\xD0\xBE\xD0\xB2\xD0\xBE";

std::string LoadedReady(TTempEnvironment& env, const std::string& fileText) {
  TTempEnvironment::Write(env.Program() / "Test.lng", fileText);
  LanguageFile = LoadLanguageFile("Test.lng");
  EXPECT_TRUE(LanguageFile);
  return Tr(strReady);
}
}  // namespace

TEST(CodePage, NamedCodePagesAreConvertedWhenTheFileIsLoaded) {
  TTempEnvironment env;
  EXPECT_EQ(LoadedReady(env, "; Russian texts\n; Code page: windows-1251\n\n[Misc]\nstrReady=" + kReadyCp1251 + "\n"),
            kReadyUtf8);
  // Section names and keys still match without regard to case, and window texts convert too.
  TTempEnvironment::Write(
      env.Program() / "Cyr.lng",
      "; Code page: windows-1251\r\n[MAINFORM]\r\nMainForm.ButtonNext.Caption=&\xC4\xE0\xEB\xE5\xE5 >\r\n");
  LanguageFile = LoadLanguageFile("Cyr.lng");
  ASSERT_TRUE(LanguageFile);
  EXPECT_EQ(LanguageFile->ReadString("mainform", "mainform.buttonnext.caption", ""),
            "&\xD0\x94\xD0\xB0\xD0\xBB\xD0\xB5\xD0\xB5 >");  // "&Далее >"

  // windows-1252 is not Latin-1: its quotation marks at 0x84 and 0x93 exist only there.
  EXPECT_EQ(LoadedReady(env,
                        ";Code-Page = Windows-1252\n[Misc]\nstrReady=\x84Zur\xFC"
                        "ck\x93 schlie\xDF"
                        "en\n"),
            "\xE2\x80\x9EZur\xC3\xBC"
            "ck\xE2\x80\x9C schlie\xC3\x9F"
            "en");
  // Other spellings of the label and the name.
  EXPECT_EQ(LoadedReady(env, "; codepage: CP1251\n[Misc]\nstrReady=" + kReadyCp1251 + "\n"), kReadyUtf8);
}

TEST(CodePage, FilesNamingNoneOrAnUnknownOneAreTakenAsTheyAre) {
  TTempEnvironment env;
  const std::string bytes = "[Misc]\nstrReady=" + kReadyCp1251 + "\n";
  EXPECT_EQ(LoadedReady(env, bytes), kReadyCp1251);
  EXPECT_EQ(LoadedReady(env, "; Code page: klingon-42\n" + bytes), kReadyCp1251);
  EXPECT_EQ(LoadedReady(env, "; Code page:\n" + bytes), kReadyCp1251);
  // Only plain names reach the converter.
  EXPECT_EQ(LoadedReady(env, "; Code page: ../../windows-1251\n" + bytes), kReadyCp1251);
  EXPECT_EQ(LoadedReady(env, "; Code page: windows-1251//IGNORE\n" + bytes), kReadyCp1251);
  // The name counts only among the comments that open the file.
  EXPECT_EQ(LoadedReady(env, "[Misc]\n; Code page: windows-1251\nstrReady=" + kReadyCp1251 + "\n"), kReadyCp1251);
  EXPECT_EQ(DeclaredCodePage("strX=1\n; Code page: windows-1251\n"), "");
  EXPECT_EQ(DeclaredCodePage("\xEF\xBB\xBF; one\n\n; Code page:  koi8-r  \n[Misc]\n"), "koi8-r");
  EXPECT_EQ(DeclaredCodePage("; page: windows-1251\n; Code: x\n"), "");
}

TEST(CodePage, TextAlreadyInUtf8IsNotConvertedTwice) {
  TTempEnvironment env;
  // Re-saved as UTF-8 by an editor with the old comment left in place.
  EXPECT_EQ(LoadedReady(env, "; Code page: windows-1251\n[Misc]\nstrReady=" + kReadyUtf8 + "\n"), kReadyUtf8);
  // A byte order mark says UTF-8 whatever the comment says.
  EXPECT_EQ(LoadedReady(env, "\xEF\xBB\xBF; Code page: windows-1252\n[Misc]\nstrReady=Bereit \xC3\xBC\n"),
            "Bereit \xC3\xBC");
  EXPECT_TRUE(IsUtf8(""));
  EXPECT_TRUE(IsUtf8("plain ASCII"));
  EXPECT_TRUE(IsUtf8(kReadyUtf8));
  EXPECT_FALSE(IsUtf8(kReadyCp1251));
  EXPECT_FALSE(IsUtf8("\xC0\xAF"));           // an overlong "/"
  EXPECT_FALSE(IsUtf8("\xED\xA0\x80"));       // a surrogate
  EXPECT_FALSE(IsUtf8(kReadyUtf8 + "\xD0"));  // cut short at the end
}

TEST(CodePage, UndefinedBytesBecomeReplacementCharactersAndTheRestIsKept) {
  TTempEnvironment env;
  // 0x81 has no character in windows-1252.
  TTempEnvironment::Write(env.Program() / "Holes.lng",
                          "; Code page: windows-1252\n[Misc]\nstrReady=a\x81"
                          "b\xE4\nstrBusy=Besch\xE4"
                          "ftigt\n");
  LanguageFile = LoadLanguageFile("Holes.lng");
  ASSERT_TRUE(LanguageFile);
  EXPECT_EQ(Tr(strReady),
            "a\xEF\xBF\xBD"
            "b\xC3\xA4");
  EXPECT_EQ(Tr(strBusy),
            "Besch\xC3\xA4"
            "ftigt");

  std::string text = std::string("x\0y\x98", 4);  // NUL kept; 0x98 is undefined in windows-1251
  ASSERT_TRUE(ConvertToUtf8(text, "windows-1251"));
  EXPECT_EQ(text, std::string("x\0y\xEF\xBF\xBD", 6));
  text = "unchanged \xFF";
  EXPECT_FALSE(ConvertToUtf8(text, "no-such-page"));
  EXPECT_EQ(text, "unchanged \xFF");
  // Long texts cross the converter's buffer many times over.
  std::string longText;
  for (int i = 0; i < 5000; ++i) longText += kReadyCp1251;
  ASSERT_TRUE(ConvertToUtf8(longText, "windows-1251"));
  std::string expected;
  for (int i = 0; i < 5000; ++i) expected += kReadyUtf8;
  EXPECT_EQ(longText, expected);
}

}  // namespace quillot
