#include <gtest/gtest.h>

#include <filesystem>

#include "app/Settings.h"
#include "help/ChmEngine.h"
#include "help/HelpInterface.h"
#include "help/HtmlHelp.h"
#include "help/QuickStart.h"
#include "startup/Lifecycle.h"
#include "support/FakeHelpDisplay.h"
#include "support/ScriptedDialogs.h"
#include "support/TempEnvironment.h"

namespace quillot {

using testing::BuiltHelpBook;
using testing::TFakeHelpDisplay;
using testing::TMissingEngine;
using testing::TRecordingDialogs;
using testing::TTempEnvironment;

TEST(HelpLifecycle, StartRegistersTheViewerAndStopClosesTheHelpWindows) {
  TTempEnvironment env;
  TRecordingDialogs dialogs;
  TFakeHelpDisplay display;
  std::filesystem::copy_file(BuiltHelpBook(), env.Program() / "Quillot.chm");
  TLifecycle lifecycle;
  lifecycle.Start();
  EXPECT_EQ(ApplicationHelpFile, (env.Program() / "Quillot.chm").string());
  EXPECT_TRUE(HelpManager().KeywordHelp("/files/params.language.html", 9));
  ASSERT_EQ(display.Shown.size(), 1u);
  EXPECT_EQ(display.Shown[0].Book, ApplicationHelpFile);
  lifecycle.Stop();
  EXPECT_EQ(display.Closed, 1);
  // The viewer has left: later requests find no one to show them.
  EXPECT_FALSE(HelpManager().KeywordHelp("/files/contents.html", 9));
  EXPECT_EQ(display.Shown.size(), 1u);
}

TEST(HelpLifecycle, ARunWithoutHelpNeitherLoadsTheEngineNorOffersItAtExit) {
  TTempEnvironment env;
  TRecordingDialogs dialogs;
  TFakeHelpDisplay display;
  TMissingEngine missing;
  {
    TLifecycle lifecycle;
    lifecycle.Start();
    EXPECT_EQ(LoadedChmEngine(), nullptr);
  }
  EXPECT_EQ(display.Beeps, 0);
  EXPECT_TRUE(display.Offers.empty());
  EXPECT_EQ(display.Closed, 0);
}

TEST(QuickStart, OpensOnTheFirstStartOnlyAndSaysWhenTheBookIsMissing) {
  TFakeHelpDisplay display;
  testing::TScriptedDialogs dialogs;
  const std::string saved = ApplicationHelpFile;
  ApplicationHelpFile = BuiltHelpBook();
  GlobalFirstStart = true;
  ShowQuickStartOnFirstStart();
  ASSERT_EQ(display.Shown.size(), 1u);
  EXPECT_EQ(display.Shown[0].Topic, "/files/quickstart.html");
  EXPECT_FALSE(GlobalFirstStart);
  ShowQuickStartOnFirstStart();
  EXPECT_EQ(display.Shown.size(), 1u);

  ApplicationHelpFile = "/nonexistent/Quillot.chm";
  GlobalFirstStart = true;
  ShowQuickStartOnFirstStart();
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Can't open help file (/nonexistent/Quillot.chm).");
  EXPECT_FALSE(GlobalFirstStart);
  ApplicationHelpFile = saved;
}

}  // namespace quillot
