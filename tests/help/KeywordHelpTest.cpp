#include <gtest/gtest.h>

#include <filesystem>

#include "help/HelpInterface.h"
#include "help/HelpKeywords.h"
#include "help/HtmlHelp.h"
#include "platform/ProgramFolder.h"
#include "support/FakeHelpDisplay.h"

namespace quillot {

using testing::BuiltHelpBook;
using testing::TFakeHelpDisplay;
using testing::TMissingEngine;

namespace {

// The viewer registered as at start-up, with the program folder where the build put the book.
class TRegisteredHelp {
 public:
  explicit TRegisteredHelp(const std::string& folder = QUILLOT_BINARY_DIR "/") {
    SetProgramFolderForTesting(folder);
    RegisterHelpViewer();
  }
  ~TRegisteredHelp() {
    ReleaseHelpViewer();
    SetProgramFolderForTesting("");
  }
};

}  // namespace

TEST(HelpKeywords, AControlTakesTheTopicOfItsNearestPageOrWindow) {
  // A field on the Drive Access page of the advanced parameters.
  EXPECT_EQ(NearestHelpKeyword({"DriveEditRetryCount", "DriveTabSheet", "MainPageControl", "AdvancedParamsForm"}),
            "/files/params.driveaccess.html");
  EXPECT_EQ(
      NearestHelpKeyword({"AdvancedCheckBoxExpertMode", "AdvancedTabSheet", "MainPageControl", "AdvancedParamsForm"}),
      "/files/params.advanced.html");
  EXPECT_EQ(NearestHelpKeyword({"LanguageSelectComboBox", "LanguageTabSheet", "MainPageControl", "AdvancedParamsForm"}),
            "/files/params.language.html");
  // The dialog's buttons lie outside its pages; its Help button takes the focus when clicked.
  for (const char* button : {"ButtonOk", "ButtonCancel", "ButtonHelp"}) {
    EXPECT_EQ(NearestHelpKeyword({button, "PanelBottom", "AdvancedParamsForm"}), "/files/params.html") << button;
  }
  // Anywhere on the main window, whichever wizard page is in front.
  for (const char* page :
       {"StartTabSheet", "TypesTabSheet", "DestinationTabSheet", "TabSheetProgress", "TabSheetFinish"}) {
    EXPECT_EQ(NearestHelpKeyword({"SomeControl", page, "PageControlMain", "MainForm"}), "/files/contents.html") << page;
  }
  EXPECT_EQ(NearestHelpKeyword({"ButtonHelp", "PanelBottom", "MainForm"}), "/files/contents.html");
  EXPECT_EQ(NearestHelpKeyword({"FormatPropForm"}), "/files/params.advanced.html");
  EXPECT_EQ(NearestHelpKeyword({"LanguageSelectForm"}), "/files/contents.html");
  EXPECT_EQ(NearestHelpKeyword({"OkButton", "AboutForm"}), "/files/about.html");
  EXPECT_EQ(NearestHelpKeyword({"ALooseWidget", ""}), "");
  EXPECT_EQ(NearestHelpKeyword({}), "");
}

TEST(KeywordHelp, F1ShowsTheTopicFromTheProgramsHelpFile) {
  TFakeHelpDisplay display;
  TRegisteredHelp help;
  EXPECT_EQ(ApplicationHelpFile, BuiltHelpBook());
  EXPECT_TRUE(HelpManager().KeywordHelp("/files/params.driveaccess.html", 42));
  ASSERT_EQ(display.Shown.size(), 1u);
  EXPECT_EQ(display.Shown[0].Owner, 42);
  EXPECT_EQ(display.Shown[0].Book, BuiltHelpBook());
  EXPECT_EQ(display.Shown[0].Topic, "/files/params.driveaccess.html");
  // A file of the request's own wins over the application's.
  EXPECT_TRUE(HelpManager().KeywordHelp("/files/about.html", 0, "/nonexistent/Other.chm"));
  EXPECT_EQ(display.Shown.size(), 1u);
  EXPECT_TRUE(HelpManager().ShowTableOfContents(5));
  ASSERT_EQ(display.Shown.size(), 2u);
  EXPECT_EQ(display.Shown[1].Topic, "");
}

TEST(KeywordHelp, WithoutTheHelpFileNothingIsShownNorLoaded) {
  TFakeHelpDisplay display;
  TMissingEngine missing;  // were the engine asked for, it would beep
  TRegisteredHelp help("/nonexistent/program/");
  EXPECT_EQ(ApplicationHelpFile, "/nonexistent/program/Quillot.chm");
  EXPECT_TRUE(HelpManager().KeywordHelp("/files/contents.html", 1));
  EXPECT_TRUE(display.Shown.empty());
  EXPECT_EQ(display.Beeps, 0);
  EXPECT_TRUE(display.Offers.empty());
}

TEST(KeywordHelp, TheViewerAnswersTheManagerAndLeavesItAtExit) {
  TFakeHelpDisplay display;
  THelpManager manager;
  TSPHelpViewer first(manager), second(manager);
  TSPHelpSelector selector(second);
  manager.RegisterViewer(first);
  manager.RegisterViewer(second);
  manager.RegisterViewer(second);
  manager.SetSelector(&selector);
  EXPECT_EQ(first.ViewerID, 1);
  EXPECT_EQ(second.ViewerID, 2);
  EXPECT_EQ(second.GetViewerName(), "HtmlHelp");
  EXPECT_EQ(second.UnderstandsKeyword("/any/path.html"), 1);
  EXPECT_EQ(second.GetHelpStrings("/files/params.html"), std::vector<std::string>{"HtmlHelp: /files/params.html"});
  EXPECT_EQ(selector.SelectKeyword({"a", "b"}), 1);
  EXPECT_EQ(selector.TableOfContents({"a", "b"}), 1);
  TSPHelpTester tester;
  EXPECT_EQ(tester.GetDefaultHelpPath(), "");
  EXPECT_EQ(tester.GetDefaultHelpFile(), "");
  manager.SetTester(&tester);

  // The selector picks among the willing viewers; both resolve the same book.
  EXPECT_TRUE(manager.KeywordHelp("/files/contents.html", 3, BuiltHelpBook()));
  EXPECT_EQ(display.Shown.size(), 1u);
  // Shutting the engine loaded, the viewer closes the help windows and leaves the manager.
  second.ShutDown();
  EXPECT_EQ(display.Closed, 1);
  EXPECT_FALSE(manager.Knows(second));
  EXPECT_TRUE(manager.Knows(first));
  EXPECT_EQ(first.ViewerID, 1);
  EXPECT_EQ(manager.Tester(), nullptr);
}

}  // namespace quillot
