// Window texts replaced from a language file.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/Settings.h"
#include "gui/AboutForm.h"
#include "gui/FolderPicker.h"
#include "gui/TranslateForms.h"
#include "i18n/Language.h"
#include "support/GuiFixture.h"

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

TEST_F(TranslateFormsTest, TheWalkListsTheTextsOfOwnedControlsOnlyAndTranslationReadsExactlyThose) {
  QWidget window;
  window.setObjectName("TestForm");
  window.setWindowTitle("Title");
  auto* tabs = new QTabWidget(&window);
  tabs->setObjectName("Pages");
  auto* page = new QWidget;
  page->setObjectName("Page");
  tabs->addTab(page, "&Tab");
  auto* button = new QPushButton("&Go", page);
  button->setObjectName("Button");
  button->setToolTip("Tip");
  auto* counter = new QLabel("42", page);
  counter->setObjectName("Counter");
  gui::MarkAsFixedText(counter);
  auto* unnamed = new QLabel("no name", page);
  (void)unnamed;
  auto* picker = new gui::TFolderPicker(&window);
  picker->setObjectName("Picker");
  auto* memo = new QPlainTextEdit("a\nb", &window);
  memo->setObjectName("Memo");
  // A dialog made with the window as parent is a window of its own.
  auto* dialog = new QDialog(&window);
  dialog->setObjectName("Dialog");
  auto* inner = new QLabel("inner", dialog);
  inner->setObjectName("Inner");

  QStringList keys, texts;
  for (const gui::TWindowText& t : gui::TranslatableTexts(&window)) {
    keys << t.Key;
    texts << t.Text;
  }
  EXPECT_EQ(keys, QStringList({"TestForm.Caption", "TestForm.Pages.Hint", "TestForm.Page.Caption", "TestForm.Page.Hint",
                               "TestForm.Button.Caption", "TestForm.Button.Hint", "TestForm.Counter.Caption",
                               "TestForm.Counter.Hint", "TestForm.Picker.Caption", "TestForm.Memo.Hint",
                               "TestForm.Memo.lines[0]", "TestForm.Memo.lines[1]"}));
  EXPECT_EQ(texts, QStringList({"Title", "", "&Tab", "", "&Go", "Tip", "", "", "Select Folder", "", "a", "b"}));

  TTempEnvironment::Write(env.Program() / "Walk.lng",
                          "[TestForm]\n"
                          "TestForm.Page.Caption=&Seite\n"
                          "TestForm.Button.Hint=Hinweis\n"
                          "TestForm.Counter.Caption=43\n"
                          "TestForm.Picker.Caption=Ordner\n"
                          "TestForm.Memo.lines[1]=B\n"
                          "TestForm.Inner.Caption=never\n"
                          "TestForm.Dialog.Caption=never\n");
  LanguageFile = LoadLanguageFile("Walk.lng");
  ASSERT_TRUE(LanguageFile);
  QStringList watched;
  gui::TranslateFormsWatcher = [&](QWidget* w, const QList<gui::TWindowText>& seen) {
    for (const gui::TWindowText& t : seen) watched << w->objectName() + ":" + t.Key;
  };
  gui::TranslateForms({&window});
  gui::TranslateFormsWatcher = nullptr;
  EXPECT_EQ(watched.size(), keys.size());
  EXPECT_EQ(tabs->tabText(0), "&Seite");
  EXPECT_EQ(button->toolTip(), "Hinweis");
  EXPECT_EQ(counter->text(), "43");  // a fixed text asks for no translation but takes one
  EXPECT_EQ(picker->Caption, "Ordner");
  EXPECT_EQ(memo->toPlainText(), "a\nB");
  EXPECT_EQ(inner->text(), "inner");
  EXPECT_EQ(dialog->windowTitle(), "");
}

TEST_F(TranslateFormsTest, TheShippedGermanFileTranslatesTheWizard) {
  std::filesystem::copy_file(std::filesystem::path(QUILLOT_SOURCE_DIR) / "data" / "lang" / "German.lng",
                             env.Program() / "German.lng");
  GlobalLanguage = "German.lng";
  gui::TMainForm form;
  EXPECT_EQ(form.ButtonNext->text(), "&Weiter >");
  EXPECT_EQ(form.ButtonClose->text(), QString::fromUtf8("&Schlie\xC3\x9F"
                                                        "en"));
  EXPECT_EQ(form.FinishButtonExplore->text(), "Dateien anzeigen");
  EXPECT_EQ(form.StartListViewDrives->headerItem()->text(2), QString::fromUtf8("Gesamtgr\xC3\xB6\xC3\x9F"
                                                                               "e"));
  EXPECT_EQ(form.ProgressButtonStart->text(), "Starten");
  gui::TAboutForm about(&form);
  EXPECT_EQ(about.windowTitle(), "Info");
}

}  // namespace quillot::testing
