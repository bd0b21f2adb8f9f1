// Qt's own texts (message-box buttons) follow the chosen language.
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "gui/QtDialogs.h"
#include "gui/QtTranslations.h"
#include "i18n/Language.h"
#include "support/GuiFixture.h"

namespace quillot::testing {

namespace {
QString QtYes() { return QCoreApplication::translate("QPlatformTheme", "&Yes"); }

// Shows a Yes/No box through the program's dialogs and answers the text of its Yes button.
QString YesButtonOfARealBox() {
  QString text;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      text = box->button(QMessageBox::Yes)->text();
      box->button(QMessageBox::No)->click();
    }
  });
  gui::TQtDialogs dialogs;
  EXPECT_EQ(dialogs.Show("?", "Quillot", TDialogButtons::YesNo, TDialogIcon::Question), TDialogAnswer::No);
  return text;
}
}  // namespace

class QtTranslationsTest : public TGuiTest {
 protected:
  void Choose(const char* name) {
    TTempEnvironment::Write(env.Program() / name, "[Misc]\n");
    GlobalLanguage = name;
    LanguageFile = LoadLanguageFile(GlobalLanguage);
    ASSERT_TRUE(LanguageFile);
  }
};

TEST_F(QtTranslationsTest, LanguageFilesAreKnownByTheirLanguagesEnglishName) {
  EXPECT_EQ(gui::LocaleOfLanguage("German.lng")->language(), QLocale::German);
  EXPECT_EQ(gui::LocaleOfLanguage("RUSSIAN.LNG")->language(), QLocale::Russian);
  EXPECT_EQ(gui::LocaleOfLanguage("dutch.lng")->language(), QLocale::Dutch);
  EXPECT_EQ(gui::LocaleOfLanguage("French")->language(), QLocale::French);
  EXPECT_EQ(gui::LocaleOfLanguage("Deutsch.lng")->language(), QLocale::German);
  EXPECT_EQ(gui::LocaleOfLanguage("Nederlands.lng")->language(), QLocale::Dutch);
  EXPECT_EQ(gui::LocaleOfLanguage("\xD1\x80\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9.lng")->language(),
            QLocale::Russian);  // "русский"
  for (const char* none : {"", ".lng", "English.lng", "Klingon.lng", "C.lng", "Any language.lng"})
    EXPECT_FALSE(gui::LocaleOfLanguage(none)) << none;
}

TEST_F(QtTranslationsTest, MessageBoxButtonsFollowTheLoadedLanguageAndReturnToEnglish) {
  ASSERT_EQ(QtYes(), "&Yes");
  Choose("German.lng");
  ASSERT_TRUE(gui::FollowLanguageInQtTexts()) << "Qt's translations (qt6-translations-l10n) are missing";
  EXPECT_EQ(QtYes(), "&Ja");
  // Every box looks again, so a language chosen while the program runs reaches the next box.
  Choose("Russian.lng");
  EXPECT_EQ(YesButtonOfARealBox(), QString::fromUtf8("&\xD0\x94\xD0\xB0"));  // "&Да"

  // The setting alone is not enough: without a loaded file the texts are English.
  LanguageFile.reset();
  EXPECT_FALSE(gui::FollowLanguageInQtTexts());
  EXPECT_EQ(YesButtonOfARealBox(), "&Yes");
  Choose("Klingon.lng");
  EXPECT_FALSE(gui::FollowLanguageInQtTexts());
  EXPECT_EQ(QtYes(), "&Yes");
}

}  // namespace quillot::testing
