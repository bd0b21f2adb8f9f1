#include <gtest/gtest.h>

#include "app/RegistryStore.h"

namespace quillot {

namespace {
constexpr const char* kGlobal = "Software\\Brantwick\\Quillot\\Global";
}

TEST(RegistryStore, WritesTheExportLayoutAndReadsItBack) {
  TRegistryStore store;
  store.WriteDWord(kGlobal, "GlobalLastTip", 10);
  store.WriteDWord(kGlobal, "Minus", 0xFFFFFFFFu);
  store.WriteString(kGlobal, "GlobalLanguage", "C:\\Sprachen\\\"Deutsch\".lng");
  store.WriteString("\\Software\\Other\\", "Lines", "one\ntwo\r\n\xE9");
  const std::string text = store.Text();
  EXPECT_EQ(text,
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Global]\n"
            "\"GlobalLastTip\"=dword:0000000a\n"
            "\"Minus\"=dword:ffffffff\n"
            "\"GlobalLanguage\"=\"C:\\\\Sprachen\\\\\\\"Deutsch\\\".lng\"\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\Other]\n"
            "\"Lines\"=\"one\\ntwo\\r\\n\xE9\"\n"
            "\n");

  TRegistryStore back;
  back.Parse(text);
  EXPECT_EQ(back.Text(), text);
  const TRegValue* v = back.Find("software\\brantwick\\quillot\\GLOBAL", "globallanguage");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->Type, TRegValue::TType::String);
  EXPECT_EQ(v->Text, "C:\\Sprachen\\\"Deutsch\".lng");
  ASSERT_NE(back.Find(kGlobal, "Minus"), nullptr);
  EXPECT_EQ(back.Find(kGlobal, "Minus")->Number, 0xFFFFFFFFu);
  EXPECT_EQ(back.Find("Software\\Other", "Lines")->Text, "one\ntwo\r\n\xE9");
  EXPECT_EQ(back.Find(kGlobal, "Nothing"), nullptr);
  EXPECT_EQ(back.Find("Software\\Nothing", "Minus"), nullptr);
}

TEST(RegistryStore, DamagedInputKeepsWhatCanBeReadAndWritesCleanly) {
  std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\"Orphan\"=dword:00000001\r\n"  // before any key
      "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Global]\r\n"
      "\"GlobalLastTip\"=dword:00000003\r\n"
      "\"GlobalLastTip\"=dword:00000004\r\n"  // the last repeat counts
      "\"Wrong\"=dword:xyz\r\n"
      "\"TooLong\"=dword:123456789\r\n"
      "\"Truncated\"=\"no closing quote\r\n"
      "\"Trailing\"=\"text\" junk\r\n"
      "\"Deleted\"=-\r\n"
      "\"Qword\"=hex(b):07,00,00,00,\\\r\n"
      "  00,00,00,00\r\n"
      "\"BadHex\"=hex:zz\r\n"
      "@=\"default value\"\r\n"
      "this line means nothing\r\n"
      "; a comment\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\r\n"
      "\"Foreign\"=\"not ours\"\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Removed]\r\n"
      "\"AlsoForeign\"=dword:00000001\r\n"
      "[hkey_current_user\\software\\brantwick\\quillot\\global]\r\n"  // the same key again: merged
      "\"globallanguage\"=\"Deutsch.lng\"\r\n";
  text += std::string("\x00\x01\x02\xFF\xFE\x80", 6) + "\r\n";
  text += "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Recovery]\r\n";
  text += std::string("\"Nul\"=\"a\0b\"", 11) + "\r\n";
  text += "\"RecoveryFilenamePrefix\"=\"sn";  // the file ends mid-line

  TRegistryStore store;
  store.Parse(text);
  const std::string clean = store.Text();
  EXPECT_EQ(clean,
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Global]\n"
            "\"GlobalLastTip\"=dword:00000004\n"
            "\"Qword\"=hex(b):07,00,00,00,00,00,00,00\n"
            "@=\"default value\"\n"
            "\"globallanguage\"=\"Deutsch.lng\"\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\Brantwick\\Quillot\\Recovery]\n"
            "\n");
  EXPECT_EQ(store.Find(kGlobal, "Qword")->Type, TRegValue::TType::Other);
  TRegistryStore again;
  again.Parse(clean);
  EXPECT_EQ(again.Text(), clean);
}

TEST(RegistryStore, MissingFileIsEmptyAndUnreadableFileIsAnError) {
  TRegistryStore store;
  store.WriteDWord(kGlobal, "x", 1);
  EXPECT_TRUE(store.Load("/nonexistent-quillot-folder/Quillot.reg"));
  EXPECT_FALSE(store.HasKey(kGlobal));
  EXPECT_FALSE(store.Load("/"));  // a folder, not a file
}

}  // namespace quillot
