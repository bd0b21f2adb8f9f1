#include <gtest/gtest.h>

#include "help/ChmEngine.h"
#include "help/HelpInterface.h"
#include "help/HtmlHelp.h"
#include "platform/ProgramFolder.h"
#include "support/FakeHelpDisplay.h"
#include "support/ScriptedDialogs.h"

namespace quillot {

using testing::BuiltHelpBook;
using testing::TFakeHelpDisplay;
using testing::TMissingEngine;
using testing::TScriptedDialogs;

TEST(HtmlHelpCall, ShowsATopicOfTheBookAndTheContents) {
  TFakeHelpDisplay display;
  const THelpHandle h = HtmlHelpCall(77, BuiltHelpBook() + "::/files/params.html", HH_DISPLAY_TOPIC, 0);
  EXPECT_GT(h, 0);
  ASSERT_EQ(display.Shown.size(), 1u);
  EXPECT_EQ(display.Shown[0].Owner, 77);
  EXPECT_EQ(display.Shown[0].Book, BuiltHelpBook());
  EXPECT_EQ(display.Shown[0].Topic, "/files/params.html");
  // The contents: the file alone; a topic given along with it is not the contents' business.
  EXPECT_GT(HtmlHelpCall(0, BuiltHelpBook() + "::/files/about.html", HH_DISPLAY_TOC, 0), 0);
  ASSERT_EQ(display.Shown.size(), 2u);
  EXPECT_EQ(display.Shown[1].Topic, "");
  EXPECT_EQ(HtmlHelpCall(0, BuiltHelpBook(), HH_CLOSE_ALL, 0), 0);
  EXPECT_EQ(display.Closed, 1);
  EXPECT_EQ(display.Beeps, 0);
  EXPECT_TRUE(display.Offers.empty());
}

TEST(HtmlHelpCall, WhatCannotBeShownAnswersZero) {
  TFakeHelpDisplay display;
  EXPECT_EQ(HtmlHelpCall(0, BuiltHelpBook() + "::/files/missing.html", HH_DISPLAY_TOPIC, 0), 0);
  EXPECT_EQ(HtmlHelpCall(0, "/nonexistent/Quillot.chm::/files/contents.html", HH_DISPLAY_TOPIC, 0), 0);
  EXPECT_EQ(HtmlHelpCall(0, BuiltHelpBook() + "::/files/contents.html", 0x0F, 0), 0);
  EXPECT_TRUE(display.Shown.empty());
  EXPECT_EQ(display.Beeps, 0);
}

TEST(HtmlHelpCall, AMissingEngineBeepsAndOffersItUntilTheOfferIsTaken) {
  TFakeHelpDisplay display;
  TMissingEngine missing;
  const std::string text = BuiltHelpBook() + "::/files/contents.html";
  display.OfferAnswers = {false, true};
  // Cancel: the next request offers again.
  EXPECT_EQ(HtmlHelpCall(0, text, HH_DISPLAY_TOPIC, 0), kHelpEngineMissing);
  EXPECT_EQ(display.Beeps, 1);
  ASSERT_EQ(display.Offers.size(), 1u);
  EXPECT_EQ(display.Offers[0],
            "Unable to load \"libquillot-no-such-engine.so.1\" library !!!\nPress OK Button to download and install "
            "the latest version\nof the HTML Help Workshop from the Microsoft Web Site.");
  EXPECT_TRUE(display.Opened.empty());
  // OK: the engine's page opens, and from then on a request only beeps.
  EXPECT_EQ(HtmlHelpCall(0, text, HH_DISPLAY_TOPIC, 0), kHelpEngineMissing);
  EXPECT_EQ(display.Offers.size(), 2u);
  ASSERT_EQ(display.Opened.size(), 1u);
  EXPECT_EQ(display.Opened[0], kChmEngineHomePage);
  EXPECT_EQ(HtmlHelpCall(0, text, HH_DISPLAY_TOC, 0), kHelpEngineMissing);
  EXPECT_EQ(display.Beeps, 3);
  EXPECT_EQ(display.Offers.size(), 2u);
  EXPECT_EQ(display.Opened.size(), 1u);
  EXPECT_TRUE(display.Shown.empty());
}

TEST(HtmlHelpCall, AFailedLoadIsTriedAgainAndClosingLoadsNothing) {
  TFakeHelpDisplay display;
  {
    TMissingEngine missing;
    // Nothing can be open without the engine: closing neither loads it nor offers it (at exit).
    EXPECT_EQ(HtmlHelpCall(0, BuiltHelpBook(), HH_CLOSE_ALL, 0), 0);
    EXPECT_EQ(display.Beeps, 0);
    EXPECT_TRUE(display.Offers.empty());
    EXPECT_EQ(LoadChmEngine(), nullptr);
  }
  // The library is back (installed meanwhile): the next request loads it.
  EXPECT_GT(HtmlHelpCall(0, BuiltHelpBook() + "::/files/quickstart.html", HH_DISPLAY_TOPIC, 0), 0);
  EXPECT_NE(LoadedChmEngine(), nullptr);
}

TEST(ShowHelpTopic, TheQuickStartOpensOrSaysWhichFileIsMissing) {
  TFakeHelpDisplay display;
  TScriptedDialogs dialogs;
  const std::string saved = ApplicationHelpFile;
  ApplicationHelpFile = BuiltHelpBook();
  ShowHelpTopic("/files/quickstart.html");
  ASSERT_EQ(display.Shown.size(), 1u);
  EXPECT_EQ(display.Shown[0].Owner, 0);
  EXPECT_EQ(display.Shown[0].Topic, "/files/quickstart.html");
  EXPECT_TRUE(dialogs.Shown.empty());

  ApplicationHelpFile = "/nonexistent/folder/Quillot.chm";
  ShowHelpTopic("/files/quickstart.html");
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Can't open help file (/nonexistent/folder/Quillot.chm).");
  EXPECT_EQ(dialogs.Shown[0].Caption, "Error");
  EXPECT_EQ(dialogs.Shown[0].Icon, TDialogIcon::Error);
  {
    // The engine's own offer says enough: no second box.
    TMissingEngine missing;
    ShowHelpTopic("/files/quickstart.html");
    EXPECT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(display.Offers.size(), 1u);
  }
  ApplicationHelpFile = saved;
}

}  // namespace quillot
