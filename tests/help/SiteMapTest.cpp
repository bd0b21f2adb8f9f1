#include <gtest/gtest.h>

#include "help/HelpBook.h"
#include "help/SiteMap.h"

namespace quillot {

TEST(SiteMap, NestedListsBecomeChildrenOfTheEntryBeforeThem) {
  const auto items = ParseSiteMap(R"(<HTML><BODY>
<OBJECT type="text/site properties"><param name="Window Styles" value="0x800025"></OBJECT>
<UL>
  <LI> <OBJECT type="text/sitemap"><param name="Name" value="Start &amp; finish"><param name="Local" value="files/a.html"></OBJECT>
  <UL>
    <LI><object TYPE='text/sitemap'><PARAM NAME=Name VALUE="Inner &quot;one&quot;"><param name="Local" value="files/a.html#x"></object>
    <LI><OBJECT type="text/sitemap"><param name="Name" value="Inner two"></OBJECT>
  </UL>
  <LI> <OBJECT type="text/sitemap"><param name="Name" value="Second"><param name="Local" value="files/b.html"></OBJECT>
</UL></BODY></HTML>)");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].Name, "Start & finish");
  EXPECT_EQ(items[0].Local, "files/a.html");
  ASSERT_EQ(items[0].Children.size(), 2u);
  EXPECT_EQ(items[0].Children[0].Name, "Inner \"one\"");
  EXPECT_EQ(items[0].Children[0].Local, "files/a.html#x");
  EXPECT_EQ(items[0].Children[1].Local, "");
  EXPECT_EQ(items[1].Name, "Second");
  EXPECT_TRUE(items[1].Children.empty());
}

TEST(SiteMap, DamagedTextGivesWhatCouldBeRead) {
  // A list opened before any entry, closing tags without openers, an object cut off at the end.
  const auto items = ParseSiteMap(
      "</UL></UL><UL><UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A\"></OBJECT>"
      "<OBJECT type=\"other\"><param name=\"Name\" value=\"not an entry\"></OBJECT>"
      "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"B");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].Name, "A");
  EXPECT_TRUE(ParseSiteMap("").empty());
  EXPECT_TRUE(ParseSiteMap("<<<>>>\"'").empty());
}

TEST(SiteMap, LinksBecomePathsInTheBook) {
  EXPECT_EQ(BookPath("files/contents.html"), "/files/contents.html");
  EXPECT_EQ(BookPath("/files/contents.html#top"), "/files/contents.html");
  EXPECT_EQ(BookPath("images/logo.png", "/files/contents.html"), "/files/images/logo.png");
  EXPECT_EQ(BookPath("../style.css", "/files/images/page.html"), "/files/style.css");
  EXPECT_EQ(BookPath("../../../../etc/passwd", "/files/a.html"), "/etc/passwd");
  EXPECT_EQ(BookPath("./b.html?x=1", "/files/a.html"), "/files/b.html");
  EXPECT_EQ(BookPath("#finish", "/files/wizard.html#start"), "/files/wizard.html");
}

}  // namespace quillot
