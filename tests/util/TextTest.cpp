#include <gtest/gtest.h>

#include "util/Text.h"

namespace quillot {

TEST(ParseInt32, RuntimeIntegerSyntax) {
  EXPECT_EQ(ParseInt32("73"), 73);
  EXPECT_EQ(ParseInt32("  -12"), -12);
  EXPECT_EQ(ParseInt32("+7"), 7);
  EXPECT_EQ(ParseInt32("$49"), 0x49);
  EXPECT_EQ(ParseInt32("x49"), 0x49);
  EXPECT_EQ(ParseInt32("X49"), 0x49);
  EXPECT_EQ(ParseInt32("0x49"), 0x49);
  EXPECT_EQ(ParseInt32("0X10"), 16);
  EXPECT_EQ(ParseInt32("-$10"), -16);
  EXPECT_EQ(ParseInt32("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
  EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
  // Not numbers, or too big for 32 bits.
  for (const char* bad :
       {"", " ", "ten", "12a", "0x", "$", "-", "2147483648", "-2147483649", "$100000000", "1 ", "99999999999999999999"})
    EXPECT_FALSE(ParseInt32(bad).has_value()) << bad;
  EXPECT_EQ(StrToIntDef("ten", 5), 5);
}

TEST(SplitLines, AnyLineEndAndNoEmptyLastLine) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n"), (V{"a"}));
  EXPECT_EQ(SplitLines("a\n\nb"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitLines(""), V{});
  EXPECT_EQ(SplitLines("\r\n"), (V{""}));
}

TEST(FormatText, FillsPlaceholdersInOrder) {
  EXPECT_EQ(FormatText("File %s exists in %s.", {"a", "b"}), "File a exists in b.");
  EXPECT_EQ(FormatText("no placeholder", {"x"}), "no placeholder");
  EXPECT_EQ(FormatText("%s and %s", {"%s"}), "%s and %s");
}

}  // namespace quillot
