// Window texts replaced from a language file.
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "GuiFixture.h"
#include "app/Settings.h"
#include "gui/AboutForm.h"
#include "gui/TranslateForms.h"
#include "i18n/Language.h"

namespace quillot::testing {

class TranslateFormsTest : public TGuiTest {};

TEST_F(TranslateFormsTest, TheMainWindowTakesItsTextsFromTheLanguageFileAtCreation) {
  TTempEnvironment::Write(env.Program() / "Test.lng",
                          "[Misc]\nstrVer=Version\nstrReady=Bereit\n"
                          "[mainform]\n"
                          "MainForm.Caption=Ignored caption\n"
                          "MAINFORM.BUTTONNEXT.CAPTION=&Weiter >\n"
                          "MainForm.ButtonBack.Caption=\n"
                          "MainForm.ButtonHelp.Hint=Hilfe zum Fenster\n"
                          "MainForm.TypesTabSheet.Caption=Typen\n"
                          "MainForm.StartListViewDrives.Columns[0].Caption=Laufwerk\n"
                          "MainForm.StartListViewDrives.Columns[4].Caption=Zustand\n"
                          "MainForm.StartListViewDrives.Columns[5].Caption=nie gelesen\n"
                          "MainForm.FinishLabel1.Caption=Wiederhergestellte Dateien: \xC3\xBC\n"
                          "MainForm.DestinationFolderDialog.Caption=Ordner w\xC3\xA4hlen\n");
  GlobalLanguage = "Test.lng";
  AttachZeroImage("a.img", 64);
  gui::TMainForm form;
  EXPECT_EQ(form.ButtonNext->text(), "&Weiter >");
  EXPECT_EQ(form.ButtonBack->text(), "< &Back");  // an empty value leaves the text alone
  EXPECT_EQ(form.ButtonHelp->toolTip(), "Hilfe zum Fenster");
  EXPECT_EQ(form.PageControlMain->tabText(1), "Typen");
  EXPECT_EQ(form.StartListViewDrives->headerItem()->text(0), "Laufwerk");
  EXPECT_EQ(form.StartListViewDrives->headerItem()->text(1), "Type");
  EXPECT_EQ(form.StartListViewDrives->headerItem()->text(4), "Zustand");
  EXPECT_EQ(form.FinishLabel1->text(), QString::fromUtf8("Wiederhergestellte Dateien: \xC3\xBC"));
  // The caption is set after the translation, from the messages.
  EXPECT_TRUE(form.windowTitle().startsWith("Quillot Version "));
  // Run-time texts come through the messages.
  EXPECT_EQ(form.StartListViewDrives->topLevelItem(0)->text(4), "Bereit");
  // About translates itself when it is made.
  gui::TAboutForm about(&form);
  EXPECT_EQ(about.windowTitle(), "About");
}

TEST_F(TranslateFormsTest, MemoLinesFollowTheFsdefRuleAndCombosTakeItems) {
  TTempEnvironment::Write(env.Program() / "Lines.lng",
                          "[TestForm]\n"
                          "TestForm.Caption=Testfenster\n"
                          "TestForm.Memo.lines[0]=erste\n"
                          "TestForm.Memo.lines[1]=\n"
                          "TestForm.Memo.lines[2]=fsdef\n"
                          "TestForm.Memo.lines[9]=never\n"
                          "TestForm.Combo.items[1]=zwei\n"
                          "TestForm.Combo.items[0]=\n"
                          "TestForm.Label.Caption=8-bit \xE4\n");
  LanguageFile = LoadLanguageFile("Lines.lng");
  ASSERT_TRUE(LanguageFile);
  QWidget window;
  window.setObjectName("TestForm");
  auto* memo = new QPlainTextEdit(&window);
  memo->setObjectName("Memo");
  memo->setPlainText("one\ntwo\nthree\nfour");
  auto* combo = new QComboBox(&window);
  combo->setObjectName("Combo");
  combo->addItems({"A", "B"});
  auto* label = new QLabel("x", &window);
  label->setObjectName("Label");
  gui::TranslateForms({nullptr, &window});
  EXPECT_EQ(window.windowTitle(), "Testfenster");
  EXPECT_EQ(memo->toPlainText(), "erste\n\nthree\nfour");
  EXPECT_EQ(combo->itemText(0), "A");
  EXPECT_EQ(combo->itemText(1), "zwei");
  // A file in an 8-bit code page still shows its letters.
  EXPECT_EQ(label->text(), QString::fromUtf8("8-bit \xC3\xA4"));

  // With no language file nothing changes.
  LanguageFile.reset();
  window.setWindowTitle("kept");
  gui::TranslateForms({&window});
  EXPECT_EQ(window.windowTitle(), "kept");
}

TEST_F(TranslateFormsTest, TheShippedGermanFileTranslatesTheWizard) {
  std::filesystem::copy_file(std::filesystem::path(QUILLOT_SOURCE_DIR) / "data" / "Deutsch.lng",
                             env.Program() / "Deutsch.lng");
  GlobalLanguage = "Deutsch.lng";
  gui::TMainForm form;
  EXPECT_EQ(form.ButtonNext->text(), "&Weiter >");
  EXPECT_EQ(form.ButtonClose->text(), QString::fromUtf8("&Schlie\xC3\x9F" "en"));
  EXPECT_EQ(form.FinishButtonExplore->text(), "Dateien anzeigen");
  EXPECT_EQ(form.StartListViewDrives->headerItem()->text(2), QString::fromUtf8("Gesamtgr\xC3\xB6\xC3\x9F" "e"));
  EXPECT_EQ(form.ProgressButtonStart->text(), "Starten");
  gui::TAboutForm about(&form);
  EXPECT_EQ(about.windowTitle(), "Info");
}

}  // namespace quillot::testing
