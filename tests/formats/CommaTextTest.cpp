#include <gtest/gtest.h>

#include "formats/CommaText.h"

namespace quillot {

using V = std::vector<std::string>;

TEST(CommaText, ReadingRules) {
  EXPECT_EQ(SplitCommaText("MP3,WAV"), (V{"MP3", "WAV"}));
  EXPECT_EQ(SplitCommaText("  MP3 , WAV  "), (V{"MP3", "WAV"}));
  // Blanks between bare words separate entries; quotes keep them together.
  EXPECT_EQ(SplitCommaText("My Format,\"My Format\""), (V{"My", "Format", "My Format"}));
  EXPECT_EQ(SplitCommaText("a,,b"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText("a,"), (V{"a", ""}));
  EXPECT_EQ(SplitCommaText(",a"), (V{"", "a"}));
  EXPECT_EQ(SplitCommaText("\"say \"\"hi\"\"\",x"), (V{"say \"hi\"", "x"}));
  EXPECT_EQ(SplitCommaText("\"unterminated"), (V{"unterminated"}));
  EXPECT_EQ(SplitCommaText("\"\""), (V{""}));
  EXPECT_EQ(SplitCommaText(""), V{});
}

TEST(CommaText, WritingQuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(JoinCommaText({"MP3", "WAV"}), "MP3,WAV");
  EXPECT_EQ(JoinCommaText({"My Format", "a,b", "q\"t", "tab\there", ""}),
            "\"My Format\",\"a,b\",\"q\"\"t\",\"tab\there\",");
  EXPECT_EQ(JoinCommaText({""}), "\"\"");
  EXPECT_EQ(JoinCommaText({}), "");
}

TEST(CommaText, EveryTitleSurvivesARoundTrip) {
  V titles{"\"First Quoted\"", "plain", "with blank", "a,comma", "", "x\"y", " lead", "last one"};
  EXPECT_EQ(SplitCommaText(JoinCommaText(titles)), titles);
}

}  // namespace quillot
