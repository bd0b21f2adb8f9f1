// The first start's language dialog driven through its list and buttons, and the first start itself:
// the question before the main window's texts, the quick start after it, neither on the next start.
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "app/Settings.h"
#include "gui/HelpWindow.h"
#include "gui/LanguagePictures.h"
#include "gui/LanguageSelectForm.h"
#include "help/HelpInterface.h"
#include "help/QuickStart.h"
#include "i18n/Language.h"
#include "i18n/Messages.h"
#include "startup/Lifecycle.h"
#include "support/FakeHelpDisplay.h"
#include "support/GuiFixture.h"
#include "support/ModalDriver.h"

namespace quillot::testing {

namespace {

using gui::TLanguageSelectForm;

class LanguageSelectFormTest : public TGuiTest {
 protected:
  static QTreeWidgetItem* Entry(TLanguageSelectForm& d, const QString& text) {
    for (int i = 0; i < d.LanguageListView->topLevelItemCount(); ++i)
      if (d.LanguageListView->topLevelItem(i)->text(0) == text) return d.LanguageListView->topLevelItem(i);
    return nullptr;
  }
  static QPoint Centre(TLanguageSelectForm& d, QTreeWidgetItem* item) {
    return d.LanguageListView->visualItemRect(item).center();
  }
  static void Click(TLanguageSelectForm& d, const QString& text) {
    QTreeWidgetItem* item = Entry(d, text);
    ASSERT_NE(item, nullptr) << text.toStdString();
    QTest::mouseClick(d.LanguageListView->viewport(), Qt::LeftButton, {}, Centre(d, item));
  }
  static void DoubleClick(TLanguageSelectForm& d, const QString& text) {
    QTreeWidgetItem* item = Entry(d, text);
    ASSERT_NE(item, nullptr) << text.toStdString();
    // A double click as the platform delivers it: the first click, then the double click itself.
    QTest::mouseClick(d.LanguageListView->viewport(), Qt::LeftButton, {}, Centre(d, item));
    QTest::mouseDClick(d.LanguageListView->viewport(), Qt::LeftButton, {}, Centre(d, item));
  }
  static QString Selected(TLanguageSelectForm& d) {
    const auto items = d.LanguageListView->selectedItems();
    return items.size() == 1 ? items[0]->text(0) : QStringLiteral("<%1 selected>").arg(items.size());
  }
  // Which of the six pictures an entry shows.
  static int PictureOf(QTreeWidgetItem* item) {
    const QImage shown = item->icon(0).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    const QList<QPixmap>& pictures = gui::LanguagePictures();
    for (int i = 0; i < pictures.size(); ++i)
      if (pictures[i].toImage().convertToFormat(QImage::Format_ARGB32) == shown) return i;
    return -1;
  }
  void WriteLanguage(const std::string& fileName, const std::string& ready) {
    TTempEnvironment::Write(env.Program() / fileName, "[Misc]\nstrReady=" + ready + "\n");
  }

  TModalDriver<TLanguageSelectForm> driver;
};

}  // namespace

TEST_F(LanguageSelectFormTest, EntriesTakeTheirNamesAndPicturesFromTheFileNames) {
  WriteLanguage("german.lng", "Bereit");
  WriteLanguage("RUSSIAN.lng", "Gotovo");
  WriteLanguage("english.lng", "Ready, too");
  WriteLanguage("Dutch.lng", "Klaar");
  WriteLanguage("klingon.LNG", "Qapla'");
  WriteLanguage("new zealand.lng", "Kia ora");
  // Any language file loaded does not translate this dialog.
  TTempEnvironment::Write(env.Program() / "Other.txt",
                          "[LanguageSelectForm]\nLanguageSelectForm.Caption=Sprache\n"
                          "LanguageSelectForm.OkButton.Caption=Gut\n");
  LanguageFile = std::make_unique<TLanguageFile>();
  ASSERT_TRUE(LanguageFile->Load((env.Program() / "Other.txt").string()));

  TLanguageSelectForm d;
  EXPECT_EQ(d.windowTitle(), "Please select preferred language");
  EXPECT_EQ(d.OkButton->text(), "&OK");
  EXPECT_EQ(d.size(), QSize(358, 302));
  EXPECT_FALSE(d.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(d.LanguageListView->isHeaderHidden());
  EXPECT_EQ(d.LanguageListView->columnCount(), 1);
  EXPECT_EQ(d.LanguageListView->columnWidth(0), 300);
  EXPECT_EQ(d.LabelProgramName->text(), "Quillot");
  EXPECT_EQ(d.LabelProgramVersion->text(), QString::fromStdString(ProductVersion + " (Build: " + BuildNumber + ")"));

  ASSERT_EQ(d.LanguageListView->topLevelItemCount(), 7);
  EXPECT_EQ(d.LanguageListView->topLevelItem(0)->text(0), "English (Default)");
  EXPECT_EQ(PictureOf(d.LanguageListView->topLevelItem(0)), lpBuiltIn);
  const std::pair<const char*, int> expected[] = {{"German", lpGerman},       {"Russian", lpRussian},
                                                  {"English", lpEnglish},     {"Dutch", lpDutch},
                                                  {"Klingon", lpAnyLanguage}, {"New zealand", lpAnyLanguage}};
  for (const auto& [name, picture] : expected) {
    QTreeWidgetItem* item = Entry(d, QString::fromLatin1(name));
    ASSERT_NE(item, nullptr) << name;
    EXPECT_EQ(PictureOf(item), picture) << name;
    EXPECT_FALSE(item->flags() & Qt::ItemIsEditable) << name;
  }
  // The six pictures are told apart.
  const QList<QPixmap>& pictures = gui::LanguagePictures();
  ASSERT_EQ(pictures.size(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(pictures[i].size(), QSize(16, 16));
    for (int j = i + 1; j < 6; ++j) EXPECT_NE(pictures[i].toImage(), pictures[j].toImage()) << i << " " << j;
  }

  // Nothing stored: the built-in entry is preselected. Choosing Russian stores its display name and loads
  // the file whatever its letter case.
  GlobalLanguage.clear();
  driver.Then([](TLanguageSelectForm& form) {
    EXPECT_EQ(Selected(form), "English (Default)");
    Click(form, "Russian");
    EXPECT_EQ(Selected(form), "Russian");
    // The choice stays marked while the focus is on the buttons.
    form.OkButton->setFocus();
    const QPalette pal = form.LanguageListView->palette();
    EXPECT_EQ(pal.color(QPalette::Inactive, QPalette::Highlight), pal.color(QPalette::Active, QPalette::Highlight));
    QTest::mouseClick(form.OkButton, Qt::LeftButton);
  });
  gui::ShowLanguageSelection();
  EXPECT_EQ(driver.Shown, 1);
  EXPECT_EQ(GlobalLanguage, "Russian.lng");
  ASSERT_NE(LanguageFile, nullptr);
  EXPECT_EQ(Tr(strReady), "Gotovo");
}

TEST_F(LanguageSelectFormTest, ThePreselectionFollowsTheSettingAndOnlyOkApplies) {
  WriteLanguage("german.lng", "Bereit");
  WriteLanguage("Dutch.lng", "Klaar");

  // The stored name matches without regard to case; Enter presses OK.
  GlobalLanguage = "GERMAN.LNG";
  driver.Then([](TLanguageSelectForm& d) {
    EXPECT_EQ(Selected(d), "German");
    QTest::keyClick(d.LanguageListView, Qt::Key_Return);
  });
  gui::ShowLanguageSelection();
  EXPECT_EQ(GlobalLanguage, "German.lng");
  EXPECT_EQ(Tr(strReady), "Bereit");

  // A stored name that matches no file preselects the built-in entry; Escape and the window
  // manager's close apply nothing.
  GlobalLanguage = "French.lng";
  LanguageFile = LoadLanguageFile("Dutch.lng");
  driver
      .Then([](TLanguageSelectForm& d) {
        EXPECT_EQ(Selected(d), "English (Default)");
        Click(d, "German");
        QTest::keyClick(d.LanguageListView, Qt::Key_Escape);
      })
      .Then([](TLanguageSelectForm& d) {
        Click(d, "German");
        d.close();
      });
  gui::ShowLanguageSelection();
  gui::ShowLanguageSelection();
  EXPECT_EQ(driver.Shown, 3);
  EXPECT_EQ(GlobalLanguage, "French.lng");
  EXPECT_EQ(Tr(strReady), "Klaar");

  // A double click on the built-in entry closes the dialog with the built-in texts chosen; one on a
  // language chooses that language.
  driver.Then([](TLanguageSelectForm& d) { DoubleClick(d, "English (Default)"); }).Then([](TLanguageSelectForm& d) {
    DoubleClick(d, "Dutch");
  });
  gui::ShowLanguageSelection();
  EXPECT_TRUE(GlobalLanguage.empty());
  EXPECT_EQ(LanguageFile, nullptr);
  EXPECT_EQ(Tr(strReady), "Ready");
  gui::ShowLanguageSelection();
  EXPECT_EQ(GlobalLanguage, "Dutch.lng");
  EXPECT_EQ(Tr(strReady), "Klaar");

  // No language files at all: only the built-in entry, chosen by OK.
  std::filesystem::remove(env.Program() / "german.lng");
  std::filesystem::remove(env.Program() / "Dutch.lng");
  driver.Then([](TLanguageSelectForm& d) {
    EXPECT_EQ(d.LanguageListView->topLevelItemCount(), 1);
    EXPECT_EQ(Selected(d), "English (Default)");
    QTest::mouseClick(d.OkButton, Qt::LeftButton);
  });
  gui::ShowLanguageSelection();
  EXPECT_TRUE(GlobalLanguage.empty());
  EXPECT_EQ(LanguageFile, nullptr);
  EXPECT_EQ(driver.Pending(), 0u);
}

TEST_F(LanguageSelectFormTest, ItsHelpIsTheContentsTopic) {
  std::filesystem::copy_file(std::string(QUILLOT_BINARY_DIR) + "/Quillot.chm", env.Program() / "Quillot.chm");
  TFakeHelpDisplay display;
  RegisterHelpViewer();
  gui::THelpKeyFilter filter;
  qApp->installEventFilter(&filter);
  TLanguageSelectForm d;
  d.show();
  QTest::keyClick(d.LanguageListView, Qt::Key_F1);
  QTest::mouseClick(d.HelpButton, Qt::LeftButton);
  QCoreApplication::processEvents();
  ASSERT_EQ(display.Shown.size(), 2u);
  EXPECT_EQ(display.Shown[0].Topic, "/files/contents.html");
  EXPECT_EQ(display.Shown[1].Topic, "/files/contents.html");
  // Help leaves the choice open.
  EXPECT_TRUE(d.isVisible());
  qApp->removeEventFilter(&filter);
  ReleaseHelpViewer();
}

TEST_F(LanguageSelectFormTest, TheFirstStartAsksForTheLanguageBeforeTheWindowsTextsAndOnlyOnce) {
  TTempEnvironment::Write(env.Program() / "German.lng",
                          "[Misc]\nstrReady=Bereit\nstrVer=V.\n"
                          "[MainForm]\nMainForm.ButtonNext.Caption=&Weiter >\n"
                          "MainForm.StartButtonAdvParams.Caption=Erweiterte Parameter...\n");
  std::filesystem::copy_file(std::string(QUILLOT_BINARY_DIR) + "/Quillot.chm", env.Program() / "Quillot.chm");
  TFakeHelpDisplay display;
  ASSERT_FALSE(std::filesystem::exists(env.StorePath()));
  {
    TLifecycle lifecycle;
    lifecycle.Start();
    ASSERT_TRUE(GlobalFirstStart);
    driver.Then([](TLanguageSelectForm& d) {
      // No language file yet: the version line has the built-in word.
      EXPECT_TRUE(d.LabelProgramVersion->text().contains("(Build: "));
      Click(d, "German");
      QTest::mouseClick(d.OkButton, Qt::LeftButton);
    });
    gui::TMainForm form;
    ShowQuickStartOnFirstStart();
    EXPECT_EQ(driver.Shown, 1);
    EXPECT_EQ(form.ButtonNext->text(), "&Weiter >");
    EXPECT_EQ(form.StartButtonAdvParams->text(), "Erweiterte Parameter...");
    ASSERT_EQ(display.Shown.size(), 1u);
    EXPECT_EQ(display.Shown[0].Topic, "/files/quickstart.html");
    EXPECT_FALSE(GlobalFirstStart);
    lifecycle.Stop();
  }
  // The next start reads the store the orderly exit wrote.
  GlobalFirstStart = true;
  GlobalLanguage.clear();
  LanguageFile.reset();
  {
    TLifecycle lifecycle;
    lifecycle.Start();
    EXPECT_FALSE(GlobalFirstStart);
    EXPECT_EQ(GlobalLanguage, "German.lng");
    gui::TMainForm form;
    ShowQuickStartOnFirstStart();
    EXPECT_EQ(driver.Shown, 1);
    EXPECT_EQ(display.Shown.size(), 1u);
    EXPECT_EQ(form.ButtonNext->text(), "&Weiter >");
  }
  EXPECT_TRUE(dialogs.Shown.empty());
}

}  // namespace quillot::testing
