#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>

#include "help/ChmEngine.h"
#include "help/HelpBook.h"
#include "help/HelpKeywords.h"
#include "support/FakeHelpDisplay.h"

namespace quillot {

using testing::BuiltHelpBook;

namespace {

std::shared_ptr<THelpBook> OpenBuiltBook() {
  const TChmEngine* engine = LoadChmEngine();
  if (engine == nullptr) return nullptr;
  return THelpBook::Open(*engine, BuiltHelpBook());
}

void CollectLocals(const std::vector<THelpContentsItem>& items, std::vector<std::string>& out) {
  for (const auto& i : items) {
    out.push_back(i.Local);
    CollectLocals(i.Children, out);
  }
}

}  // namespace

TEST(HelpBook, TheBuiltBookHoldsEveryTopicTheWindowsName) {
  auto book = OpenBuiltBook();
  ASSERT_TRUE(book) << BuiltHelpBook();
  for (const char* window : {"MainForm", "AboutForm", "AdvancedParamsForm", "DriveTabSheet", "AdvancedTabSheet",
                             "LanguageTabSheet", "FormatPropForm", "LanguageSelectForm", "ReviewWindow"}) {
    EXPECT_TRUE(book->HasTopic(HelpKeywordOf(window))) << window;
  }
  EXPECT_TRUE(book->HasTopic("/files/quickstart.html"));
  EXPECT_FALSE(book->HasTopic("/files/no-such-page.html"));
  EXPECT_FALSE(book->HasTopic(""));
  EXPECT_EQ(book->DefaultTopic(), "/files/contents.html");
  const auto files = book->Files();
  EXPECT_NE(std::find(files.begin(), files.end(), "/files/images/carving.png"), files.end());
  EXPECT_TRUE(std::none_of(files.begin(), files.end(), [](const std::string& f) { return f.rfind("/#", 0) == 0; }));
}

TEST(HelpBook, EveryContentsEntryAndLinkLeadsToAPageOfTheBook) {
  auto book = OpenBuiltBook();
  ASSERT_TRUE(book);
  std::vector<std::string> locals;
  CollectLocals(book->Contents(), locals);
  ASSERT_GE(locals.size(), 10u);
  const size_t contentsEntries = locals.size();
  CollectLocals(book->Index(), locals);
  EXPECT_GE(locals.size(), contentsEntries + 20);
  for (const auto& l : locals) EXPECT_TRUE(book->HasTopic(l)) << l;
  // Every link, picture and style sheet of every page resolves to a file of the book.
  const std::regex ref(R"re((?:href|src)="([^"]*)")re");
  int pages = 0;
  for (const auto& f : book->Files()) {
    if (f.size() < 5 || f.substr(f.size() - 5) != ".html") continue;
    ++pages;
    const auto html = book->Read(f);
    ASSERT_TRUE(html) << f;
    for (std::sregex_iterator it(html->begin(), html->end(), ref), end; it != end; ++it) {
      const std::string link = (*it)[1];
      if (link.find("://") != std::string::npos) continue;
      EXPECT_TRUE(book->Read(BookPath(link, f))) << f << " -> " << link;
    }
  }
  EXPECT_GE(pages, 10);
}

TEST(HelpBook, APageComesWithItsPictureAndStyleSheet) {
  auto book = OpenBuiltBook();
  ASSERT_TRUE(book);
  const auto page = book->Read("/files/carving.html");
  ASSERT_TRUE(page);
  EXPECT_NE(page->find("<title>How Quillot finds files</title>"), std::string::npos);
  const size_t src = page->find("src=\"");
  ASSERT_NE(src, std::string::npos);
  const std::string image = page->substr(src + 5, page->find('"', src + 5) - src - 5);
  const auto png = book->Read(BookPath(image, "/files/carving.html"));
  ASSERT_TRUE(png) << image;
  EXPECT_EQ(png->substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_GT(png->size(), 1000u);
  const auto css = book->Read(BookPath("style.css", "/files/carving.html"));
  ASSERT_TRUE(css);
  EXPECT_NE(css->find("h1"), std::string::npos);
  EXPECT_FALSE(book->Read("/files/none.png"));
  EXPECT_FALSE(book->Read(std::string(600, 'a')));
}

TEST(HelpBook, AFileThatIsNoBookDoesNotOpen) {
  const TChmEngine* engine = LoadChmEngine();
  ASSERT_NE(engine, nullptr);
  EXPECT_FALSE(THelpBook::Open(*engine, std::string(QUILLOT_BINARY_DIR) + "/Quillot.ini"));
  EXPECT_FALSE(THelpBook::Open(*engine, "/nonexistent/Quillot.chm"));
}

}  // namespace quillot
