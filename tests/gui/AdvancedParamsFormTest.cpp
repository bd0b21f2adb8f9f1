// The Advanced Parameters dialog driven through its controls: the fields and their bounds, OK and
// Cancel, trimming and reassembling, the language choice, expert mode on the Types page, and F1 on its pages.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "app/Settings.h"
#include "gui/AdvancedParamsForm.h"
#include "gui/HelpWindow.h"
#include "gui/TypesTreeView.h"
#include "gui/WholeNumberEdit.h"
#include "help/HelpInterface.h"
#include "i18n/Language.h"
#include "i18n/Messages.h"
#include "support/FakeHelpDisplay.h"
#include "support/GuiFixture.h"
#include "support/ModalDriver.h"

namespace quillot::testing {

namespace {

using gui::TAdvancedParamsForm;

class AdvancedParamsFormTest : public TGuiTest {
 protected:
  // Replaces a field's text as the user types it.
  static void Type(gui::TWholeNumberEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
  }
  // Picks a language entry with the keyboard, as the user does in a drop-down list.
  static void ChooseLanguage(TAdvancedParamsForm& d, const QString& name) {
    QComboBox* combo = d.LanguageSelectComboBox;
    const int target = combo->findText(name);
    ASSERT_GE(target, 0) << name.toStdString();
    combo->setFocus();
    while (combo->currentIndex() > target) QTest::keyClick(combo, Qt::Key_Up);
    while (combo->currentIndex() < target) QTest::keyClick(combo, Qt::Key_Down);
  }
  static void ShowPage(TAdvancedParamsForm& d, int page) {
    QTabBar* tabs = d.MainPageControl->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
    ASSERT_EQ(d.MainPageControl->currentIndex(), page);
  }
  // A click on a check box's mark, which toggles it (its far right is empty room).
  static void ClickBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }
  static void Ok(TAdvancedParamsForm& d) { QTest::mouseClick(d.ButtonOk, Qt::LeftButton); }
  static void Cancel(TAdvancedParamsForm& d) { QTest::mouseClick(d.ButtonCancel, Qt::LeftButton); }

  TModalDriver<TAdvancedParamsForm> driver;
};

}  // namespace

TEST_F(AdvancedParamsFormTest, FieldsShowTheSettingsWithinBoundsAndOnlyOkStoresThem) {
  RecoverySectorsToRead = 20000;
  RecoveryRetryCount = 3;
  RecoveryAdvancedMode = false;
  RecoveryTrimFiles = false;
  RecoveryReassemble = false;
  gui::TMainForm form;
  form.show();
  ASSERT_TRUE(form.StartButtonAdvParams->isEnabled());

  driver.Then([](TAdvancedParamsForm& d) {
    EXPECT_EQ(d.windowTitle(), "Advanced Parameters");
    EXPECT_EQ(d.MainPageControl->currentIndex(), TAdvancedParamsForm::kDrivePage);
    EXPECT_EQ(d.DriveEditSectorsToRead->text(), "10000");
    EXPECT_EQ(d.DriveEditRetryCount->text(), "3");
    EXPECT_FALSE(d.AdvancedCheckBoxExpertMode->isChecked());
    EXPECT_FALSE(d.AdvancedCheckBoxTrimFiles->isChecked());
    EXPECT_TRUE(d.isModal());
    ShowPage(d, TAdvancedParamsForm::kAdvancedPage);
    // Reassembling can be ticked only while trimming is, and follows it at once.
    EXPECT_FALSE(d.AdvancedCheckBoxReassemble->isEnabled());
    ClickBox(d.AdvancedCheckBoxTrimFiles);
    EXPECT_TRUE(d.AdvancedCheckBoxReassemble->isEnabled());
    ClickBox(d.AdvancedCheckBoxReassemble);
    EXPECT_TRUE(d.AdvancedCheckBoxReassemble->isChecked());
    Cancel(d);
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);
  EXPECT_EQ(driver.Shown, 1);
  EXPECT_EQ(RecoverySectorsToRead, 20000);

  // The dialog opens on the first page whichever page it was left on, and OK stores the bounded value.
  driver.Then([](TAdvancedParamsForm& d) {
    EXPECT_EQ(d.MainPageControl->currentIndex(), TAdvancedParamsForm::kDrivePage);
    ShowPage(d, TAdvancedParamsForm::kAdvancedPage);
    EXPECT_FALSE(d.AdvancedCheckBoxTrimFiles->isChecked());
    EXPECT_FALSE(d.AdvancedCheckBoxReassemble->isChecked());
    ClickBox(d.AdvancedCheckBoxTrimFiles);
    ClickBox(d.AdvancedCheckBoxReassemble);
    ShowPage(d, TAdvancedParamsForm::kLanguagePage);
    Ok(d);
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);
  EXPECT_TRUE(RecoveryTrimFiles);
  EXPECT_TRUE(RecoveryReassemble);
  // Trimming turned off greys reassembling out and keeps its tick, for when trimming comes back.
  driver.Then([](TAdvancedParamsForm& d) {
    ShowPage(d, TAdvancedParamsForm::kAdvancedPage);
    EXPECT_TRUE(d.AdvancedCheckBoxReassemble->isEnabled());
    EXPECT_TRUE(d.AdvancedCheckBoxReassemble->isChecked());
    ClickBox(d.AdvancedCheckBoxTrimFiles);
    EXPECT_FALSE(d.AdvancedCheckBoxReassemble->isEnabled());
    EXPECT_FALSE(d.AdvancedLabelReassembleNote->isEnabled());
    ClickBox(d.AdvancedCheckBoxReassemble);  // a greyed-out box takes no click
    Ok(d);
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);
  EXPECT_FALSE(RecoveryTrimFiles);
  EXPECT_TRUE(RecoveryReassemble);
  RecoveryReassemble = false;
  EXPECT_EQ(RecoverySectorsToRead, 10000);
  EXPECT_EQ(RecoveryRetryCount, 3);
  driver.Then([](TAdvancedParamsForm& d) {
    EXPECT_EQ(d.MainPageControl->currentIndex(), TAdvancedParamsForm::kDrivePage);
    Cancel(d);
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);

  // A negative retry count is taken as typed; a sectors text that is no whole number reads as 1, and
  // Enter in a field presses OK.
  driver.Then([](TAdvancedParamsForm& d) {
    Type(d.DriveEditRetryCount, "-7");
    Type(d.DriveEditSectorsToRead, "2.5");
    QTest::keyClick(d.DriveEditSectorsToRead, Qt::Key_Return);
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);
  EXPECT_EQ(RecoveryRetryCount, -7);
  EXPECT_EQ(RecoverySectorsToRead, 1);

  // Typed values beyond the bounds come back within them; the up button steps by one and stops at the
  // top; Escape and the title bar's close button apply nothing.
  driver.Then([](TAdvancedParamsForm& d) {
    QApplication::setActiveWindow(&d);
    EXPECT_EQ(d.DriveEditRetryCount->text(), "-7");
    Type(d.DriveEditSectorsToRead, "0");
    d.DriveEditRetryCount->setFocus();
    EXPECT_EQ(d.DriveEditSectorsToRead->text(), "1");
    Type(d.DriveEditSectorsToRead, "99999");
    d.DriveEditRetryCount->setFocus();
    EXPECT_EQ(d.DriveEditSectorsToRead->text(), "10000");
    Type(d.DriveEditSectorsToRead, "9999");
    QTest::keyClick(d.DriveEditSectorsToRead, Qt::Key_Up);
    QTest::keyClick(d.DriveEditSectorsToRead, Qt::Key_Up);
    EXPECT_EQ(d.DriveEditSectorsToRead->text(), "10000");
    Type(d.DriveEditRetryCount, "5");
    QTest::keyClick(d.DriveEditRetryCount, Qt::Key_Escape);
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);
  EXPECT_EQ(RecoveryRetryCount, -7);
  EXPECT_EQ(RecoverySectorsToRead, 1);
  driver.Then([](TAdvancedParamsForm& d) {
    Type(d.DriveEditRetryCount, "5");
    d.close();
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);
  EXPECT_EQ(RecoveryRetryCount, -7);
  EXPECT_EQ(driver.Shown, 7);
  EXPECT_EQ(driver.Pending(), 0u);
  // The drive settings never touch the language.
  EXPECT_EQ(LanguageFile, nullptr);
  EXPECT_TRUE(GlobalLanguage.empty());
}

TEST_F(AdvancedParamsFormTest, TheLanguageChangesOnlyWhenItsChoiceDoes) {
  TTempEnvironment::Write(env.Program() / "test.LNG",
                          "[Misc]\nstrReady=Bereit\n"
                          "[AdvancedParamsForm]\n"
                          "AdvancedParamsForm.Caption=Erweiterte Parameter\n"
                          "AdvancedParamsForm.DriveTabSheet.Caption=&Laufwerk\n"
                          "AdvancedParamsForm.LanguageSelectComboBox.items[0]=Englisch\n"
                          "AdvancedParamsForm.LanguageSelectComboBox.items[1]=Deutsch\n"
                          "AdvancedParamsForm.ButtonOk.Caption=&Gut\n");
  GlobalLanguage = "TEST.lng";
  LanguageFile = LoadLanguageFile(GlobalLanguage);
  const TLanguageFile* loaded = LanguageFile.get();
  ASSERT_NE(loaded, nullptr);

  // Translated at creation, but the list, filled afterwards, keeps its own names; the stored name
  // matches its entry without regard to case. OK without touching the list keeps the loaded file.
  {
    TAdvancedParamsForm d(nullptr);
    EXPECT_EQ(d.windowTitle(), "Erweiterte Parameter");
    EXPECT_EQ(d.MainPageControl->tabText(0), "&Laufwerk");
    EXPECT_EQ(d.MainPageControl->tabText(2), "Interface &Language");
    EXPECT_EQ(d.ButtonOk->text(), "&Gut");
    ASSERT_EQ(d.LanguageSelectComboBox->count(), 2);
    EXPECT_EQ(d.LanguageSelectComboBox->itemText(0), "English (Default)");
    EXPECT_EQ(d.LanguageSelectComboBox->itemText(1), "Test");
    EXPECT_EQ(d.LanguageSelectComboBox->currentIndex(), 1);
    EXPECT_FALSE(d.LanguageSelectComboBox->isEditable());
  }
  // The file on disk changes meanwhile: a reload would bring the new text.
  TTempEnvironment::Write(env.Program() / "test.LNG", "[Misc]\nstrReady=Neu geladen\n");
  driver.Then([](TAdvancedParamsForm& d) { Ok(d); });
  EXPECT_TRUE(gui::ShowAdvancedParameters(0, nullptr));
  EXPECT_EQ(LanguageFile.get(), loaded);
  EXPECT_EQ(Tr(strReady), "Bereit");
  EXPECT_EQ(GlobalLanguage, "TEST.lng");

  // Away and back to the same entry is no change either.
  driver.Then([](TAdvancedParamsForm& d) {
    ShowPage(d, TAdvancedParamsForm::kLanguagePage);
    ChooseLanguage(d, "English (Default)");
    ChooseLanguage(d, "Test");
    Ok(d);
  });
  EXPECT_TRUE(gui::ShowAdvancedParameters(0, nullptr));
  EXPECT_EQ(LanguageFile.get(), loaded);
  EXPECT_EQ(Tr(strReady), "Bereit");

  // Cancel after a new choice applies nothing.
  driver.Then([](TAdvancedParamsForm& d) {
    ChooseLanguage(d, "English (Default)");
    Cancel(d);
  });
  EXPECT_FALSE(gui::ShowAdvancedParameters(0, nullptr));
  EXPECT_EQ(LanguageFile.get(), loaded);
  EXPECT_EQ(Tr(strReady), "Bereit");

  // "English (Default)" empties the setting and discards the file: messages and later windows are
  // English at once.
  driver.Then([](TAdvancedParamsForm& d) {
    ChooseLanguage(d, "English (Default)");
    Ok(d);
  });
  EXPECT_TRUE(gui::ShowAdvancedParameters(0, nullptr));
  EXPECT_TRUE(GlobalLanguage.empty());
  EXPECT_EQ(LanguageFile, nullptr);
  EXPECT_EQ(Tr(strReady), "Ready");
  {
    TAdvancedParamsForm d(nullptr);
    EXPECT_EQ(d.MainPageControl->tabText(0), "&Drive Access");
    EXPECT_EQ(d.LanguageSelectComboBox->currentIndex(), 0);
  }

  // Choosing the file again stores its display name and loads it as it is now.
  driver.Then([](TAdvancedParamsForm& d) {
    ChooseLanguage(d, "Test");
    Ok(d);
  });
  EXPECT_TRUE(gui::ShowAdvancedParameters(0, nullptr));
  EXPECT_EQ(GlobalLanguage, "Test.lng");
  ASSERT_NE(LanguageFile, nullptr);
  EXPECT_EQ(Tr(strReady), "Neu geladen");

  // A chosen file that vanished before OK: the name is kept, nothing is loaded.
  driver.Then([&](TAdvancedParamsForm& d) {
    ChooseLanguage(d, "English (Default)");
    Ok(d);
  });
  EXPECT_TRUE(gui::ShowAdvancedParameters(0, nullptr));
  driver.Then([&](TAdvancedParamsForm& d) {
    ChooseLanguage(d, "Test");
    std::filesystem::remove(env.Program() / "test.LNG");
    Ok(d);
  });
  EXPECT_TRUE(gui::ShowAdvancedParameters(0, nullptr));
  EXPECT_EQ(GlobalLanguage, "Test.lng");
  EXPECT_EQ(LanguageFile, nullptr);
  EXPECT_EQ(Tr(strReady), "Ready");
  // Its name now matches no file: English is preselected.
  TAdvancedParamsForm d(nullptr);
  EXPECT_EQ(d.LanguageSelectComboBox->count(), 1);
  EXPECT_EQ(d.LanguageSelectComboBox->currentIndex(), 0);
}

TEST_F(AdvancedParamsFormTest, ExpertModeOnlyShowsOrHidesTheTypesPagesCheckBox) {
  AddFormat("Audio", "WAV", "Wave", true);
  RecoveryAdvancedMode = true;
  gui::TMainForm form;
  form.show();
  form.ButtonNextClick();
  ASSERT_EQ(form.ActivePage(), gui::TMainForm::kTypesPage);
  ASSERT_TRUE(form.TypesCheckBoxShowAdvanced->isVisible());
  ClickBox(form.TypesCheckBoxShowAdvanced);
  ASSERT_TRUE(form.TypesCheckBoxShowAdvanced->isChecked());
  const int narrowTree = form.TypesTreeView->width();
  ASSERT_TRUE(form.TypesAdvButtonAdd->isEnabled());
  form.ButtonBackClick();

  // Cancel after switching it off changes nothing.
  driver.Then([](TAdvancedParamsForm& d) {
    ShowPage(d, TAdvancedParamsForm::kAdvancedPage);
    EXPECT_TRUE(d.AdvancedCheckBoxExpertMode->isChecked());
    ClickBox(d.AdvancedCheckBoxExpertMode);
    Cancel(d);
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);
  EXPECT_TRUE(RecoveryAdvancedMode);
  EXPECT_FALSE(form.TypesCheckBoxShowAdvanced->isHidden());

  // Off: the check box goes, the advanced controls stay as they were.
  driver.Then([](TAdvancedParamsForm& d) {
    ShowPage(d, TAdvancedParamsForm::kAdvancedPage);
    QTest::keyClick(d.AdvancedCheckBoxExpertMode, Qt::Key_Space);
    EXPECT_FALSE(d.AdvancedCheckBoxExpertMode->isChecked());
    Ok(d);
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);
  EXPECT_FALSE(RecoveryAdvancedMode);
  form.ButtonNextClick();
  EXPECT_FALSE(form.TypesCheckBoxShowAdvanced->isVisible());
  EXPECT_TRUE(form.TypesCheckBoxShowAdvanced->isChecked());
  EXPECT_EQ(form.TypesTreeView->width(), narrowTree);
  EXPECT_TRUE(form.TypesAdvButtonAdd->isEnabled());
  form.ButtonBackClick();

  // On again: the check box comes back, still checked.
  driver.Then([](TAdvancedParamsForm& d) {
    QApplication::setActiveWindow(&d);
    QTest::keyClick(&d, Qt::Key_A, Qt::AltModifier);  // "&Advanced"
    EXPECT_EQ(d.MainPageControl->currentIndex(), TAdvancedParamsForm::kAdvancedPage);
    ClickBox(d.AdvancedCheckBoxExpertMode);
    Ok(d);
  });
  QTest::mouseClick(form.StartButtonAdvParams, Qt::LeftButton);
  EXPECT_TRUE(RecoveryAdvancedMode);
  form.ButtonNextClick();
  EXPECT_TRUE(form.TypesCheckBoxShowAdvanced->isVisible());
  EXPECT_TRUE(form.TypesCheckBoxShowAdvanced->isChecked());
  EXPECT_EQ(driver.Shown, 3);
}

TEST_F(AdvancedParamsFormTest, F1ShowsTheFocusedPagesTopicAndTheHelpButtonTheDialogs) {
  std::filesystem::copy_file(std::string(QUILLOT_BINARY_DIR) + "/Quillot.chm", env.Program() / "Quillot.chm");
  TFakeHelpDisplay display;
  RegisterHelpViewer();
  gui::THelpKeyFilter filter;
  qApp->installEventFilter(&filter);
  auto shownTopic = [&] { return display.Shown.empty() ? std::string() : display.Shown.back().Topic; };

  TAdvancedParamsForm d(nullptr);
  d.show();
  QApplication::setActiveWindow(&d);
  QTest::keyClick(d.DriveEditRetryCount->findChild<QLineEdit*>(), Qt::Key_F1);
  EXPECT_EQ(shownTopic(), "/files/params.driveaccess.html");
  ShowPage(d, TAdvancedParamsForm::kAdvancedPage);
  QTest::keyClick(d.AdvancedCheckBoxExpertMode, Qt::Key_F1);
  EXPECT_EQ(shownTopic(), "/files/params.advanced.html");
  ShowPage(d, TAdvancedParamsForm::kLanguagePage);
  QTest::keyClick(d.LanguageSelectComboBox, Qt::Key_F1);
  EXPECT_EQ(shownTopic(), "/files/params.language.html");
  // The buttons lie outside the pages; a click gives the Help button the focus first.
  QTest::mouseClick(d.ButtonHelp, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(shownTopic(), "/files/params.html");
  EXPECT_EQ(display.Shown.size(), 4u);

  qApp->removeEventFilter(&filter);
  ReleaseHelpViewer();
}

}  // namespace quillot::testing
