#include <gtest/gtest.h>

#include "i18n/LanguageFile.h"

namespace quillot {

namespace {
std::string Value(const TLanguageFile& f, std::string_view section, std::string_view key) {
  const std::string* v = f.Find(section, key);
  return v ? *v : std::string("<missing>");
}
}  // namespace

TEST(LanguageFile, LinesCommentsHeadersAndEntries) {
  TLanguageFile f;
  f.Parse(
      "Orphan=before any header\r\n"
      "  [ Misc ]  \r\n"
      "   strA =  first value  \r\n"
      "; strB=commented out\r\n"
      "strC=a=b=c\r"
      "no equals sign here\n"
      "=no key\n"
      "strEmpty=\n"
      "\n"
      "[MainForm]\n"
      "MainForm.ButtonNext.Caption=&Weiter >\n"
      "[Broken\n"
      "After.Broken=still MainForm\n");
  EXPECT_EQ(Value(f, "Misc", "strA"), "first value");
  EXPECT_EQ(Value(f, "Misc", "strB"), "<missing>");
  EXPECT_EQ(Value(f, "Misc", "strC"), "a=b=c");  // split at the first "="
  EXPECT_EQ(Value(f, "Misc", "strEmpty"), "");   // present but empty is not missing
  EXPECT_EQ(Value(f, "Misc", "Orphan"), "<missing>");
  EXPECT_EQ(Value(f, "Misc", "no equals sign here"), "<missing>");
  EXPECT_EQ(Value(f, "MainForm", "MainForm.ButtonNext.Caption"), "&Weiter >");
  // A line that begins with "[" but does not end with "]" is no header.
  EXPECT_EQ(Value(f, "MainForm", "After.Broken"), "still MainForm");
  EXPECT_EQ(Value(f, "Nowhere", "strA"), "<missing>");
  EXPECT_EQ(f.SectionCount(), 2u);
}

TEST(LanguageFile, NamesIgnoreCaseAndLastRepeatCounts) {
  TLanguageFile f;
  f.Parse(
      "[misc]\n"
      "strX=old\n"
      "strOnlyInFirst=hidden later\n"
      "[Other]\n"
      "k=v\n"
      "[MISC]\n"
      "STRX=one\n"
      "strx=two\n");
  // The second "Misc" header hides the first section altogether.
  EXPECT_EQ(Value(f, "Misc", "strX"), "two");
  EXPECT_EQ(Value(f, "mIsC", "StrX"), "two");
  EXPECT_EQ(Value(f, "Misc", "strOnlyInFirst"), "<missing>");
  EXPECT_EQ(Value(f, "OTHER", "K"), "v");
}

TEST(LanguageFile, BytesOfAnyCodePageAndJunkAreTakenAsTheyAre) {
  std::string text = "[Misc]\nstrUmlaut=\xC4nderung \xFC\xE9\n";
  text += std::string("\x00\x01\xFF\xFE garbage \x7F", 14) + "\n";
  text += std::string(
              "strNul=a\0"
              "b",
              10) +
          "\n";
  text += "[\xC9T\xC9]\n\xC9T\xC9.Caption=\xE9t\xE9\n";
  TLanguageFile f;
  f.Parse(text);
  EXPECT_EQ(Value(f, "Misc", "strUmlaut"), "\xC4nderung \xFC\xE9");
  EXPECT_EQ(Value(f, "Misc", "strNul"), std::string("a\0"
                                                    "b",
                                                    3));
  // Only ASCII letters fold: the other bytes of a code page are compared as they are.
  EXPECT_EQ(Value(f, "\xC9t\xC9", "\xC9t\xC9.caption"), "\xE9t\xE9");
  EXPECT_EQ(Value(f, "\xE9t\xE9", "\xC9T\xC9.Caption"), "<missing>");
}

TEST(LanguageFile, ByteOrderMarkDoesNotHideTheFirstSection) {
  TLanguageFile f;
  f.Parse("\xEF\xBB\xBF[Misc]\nstrReady=Bereit\n");
  EXPECT_EQ(Value(f, "Misc", "strReady"), "Bereit");
}

TEST(LanguageFile, HundredThousandKeysAndVeryLongLines) {
  std::string text = "[Misc]\n";
  for (int i = 0; i < 100000; ++i) text += "key" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
  const std::string longValue(2'000'000, 'x');
  text += "long=" + longValue + "\n";
  text += std::string(1'000'000, 'y') + "\n";  // a long line without "=": ignored
  TLanguageFile f;
  f.Parse(text);
  for (int i : {0, 1, 4711, 99999})
    EXPECT_EQ(Value(f, "misc", "KEY" + std::to_string(i)), "value " + std::to_string(i));
  EXPECT_EQ(Value(f, "Misc", "key100000"), "<missing>");
  EXPECT_EQ(Value(f, "Misc", "long"), longValue);
}

TEST(LanguageFile, UnreadableFileLeavesAnEmptyDocument) {
  TLanguageFile f;
  f.Parse("[Misc]\nstrA=1\n");
  EXPECT_FALSE(f.Load("/nonexistent/folder/Deutsch.lng"));
  EXPECT_EQ(f.SectionCount(), 0u);
}

}  // namespace quillot
