#include <gtest/gtest.h>

#include "platform/ProfileFile.h"

namespace quillot {

TEST(ProfileFile, ReadsWithProfileRules) {
  TProfileFile ini;
  ini.Parse("; comment\r\n[Options]\r\n  Formats_List =  a,b  \r\nx=1\r\n[other]\r\nX=2\r\n[OPTIONS]\r\nx=3\r\n");
  EXPECT_EQ(ini.Read("options", "FORMATS_LIST"), "a,b");
  EXPECT_EQ(ini.Read("options", "x"), "1");  // the first section of a name counts
  EXPECT_EQ(ini.Read("Other", "x"), "2");
  EXPECT_FALSE(ini.Read("missing", "x"));
  EXPECT_FALSE(ini.Read("other", "y"));
  // A value in one pair of quotes keeps its quotes.
  ini.Parse("[s]\nk=\"a\",\"b\"\n");
  EXPECT_EQ(ini.Read("s", "k"), "\"a\",\"b\"");
  // Lone CR line ends.
  ini.Parse("[s]\rk=v\rj=w");
  EXPECT_EQ(ini.Read("s", "j"), "w");
}

TEST(ProfileFile, WritingKeepsEverythingElse) {
  TProfileFile ini;
  ini.Parse("; keep me\r\n[a]\r\nk=1\r\nother=z\r\n\r\n[b]\r\nq=2\r\n");
  ini.Write("A", "K", "9");
  ini.Write("a", "new", "n");
  ini.Write("c", "x", "y");
  ini.Write("b", "q", "line\nbreak");
  EXPECT_EQ(ini.Text(), "; keep me\r\n[a]\r\nk=9\r\nother=z\r\nnew=n\r\n\r\n[b]\r\nq=line break\r\n\r\n[c]\r\nx=y\r\n");
  // Sections found after lines were added before them.
  EXPECT_EQ(ini.Read("B", "q"), "line break");
  EXPECT_EQ(ini.Read("c", "x"), "y");
  ini.Write("a", "more", "m");
  EXPECT_EQ(ini.Read("b", "q"), "line break");
}

}  // namespace quillot
