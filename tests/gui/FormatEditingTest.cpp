// Expert mode on the Types page: the format properties dialog and Add, Modify and Delete.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/Settings.h"
#include "gui/FormatPropForm.h"
#include "gui/TypesTreeView.h"
#include "gui/WholeNumberEdit.h"
#include "startup/Lifecycle.h"
#include "support/Files.h"
#include "support/GuiFixture.h"

namespace quillot::testing {

using gui::TFormatPropForm;
using gui::TTypesTreeView;

// Acts on the format dialog as soon as it is shown modally; a dialog the test leaves open is cancelled.
void OnFormatDialog(std::function<void(TFormatPropForm&)> act) {
  QTimer::singleShot(0, [act] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* form = qobject_cast<TFormatPropForm*>(w);
      if (!form || !form->isVisible()) continue;
      form->activateWindow();
      if (!QTest::qWaitForWindowActive(form)) ADD_FAILURE() << "the format dialog did not become active";
      act(*form);
      if (form->isVisible()) form->reject();
      return;
    }
    ADD_FAILURE() << "no format dialog was shown";
  });
}

void Retype(QWidget* edit, const QString& text) {
  edit->setFocus();
  if (auto* line = qobject_cast<QLineEdit*>(edit)) line->selectAll();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(edit)) memo->selectAll();
  if (auto* number = qobject_cast<gui::TWholeNumberEdit*>(edit)) number->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  for (QChar c : text) {
    if (c == QLatin1Char('\n'))
      QTest::keyClick(edit, Qt::Key_Return);
    else
      QTest::keyClicks(edit, QString(c));
  }
}

class FormatEditingTest : public TGuiTest {
 protected:
  // The window with "Show advanced controls" on, as a user in expert mode has it.
  std::unique_ptr<gui::TMainForm> ExpertWindow() {
    auto form = std::make_unique<gui::TMainForm>();
    form->show();
    form->TypesCheckBoxShowAdvanced->click();
    return form;
  }
  static QTreeWidgetItem* Node(gui::TMainForm& form, const QString& text) {
    const auto found = form.TypesTreeView->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
  }
  static void Select(gui::TMainForm& form, QTreeWidgetItem* node) {
    ASSERT_NE(node, nullptr);
    QRect r = form.TypesTreeView->visualItemRect(node);
    QTest::mouseClick(form.TypesTreeView->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 60, r.center().y()));
  }
};

TEST_F(FormatEditingTest, TheDialogShowsEveryFieldAndOkTakesThemAllBackCancelNone) {
  std::string category = "Audio", title(60, 'T'), scan = "0=#82,1=#73\r\n4=#1", prefix = "snd", desc = "Wave",
              ext = "wav";
  int32_t order = -7;
  bool search = true;
  OnFormatDialog([&](TFormatPropForm& f) {
    EXPECT_EQ(f.EditCategory->text(), "Audio");
    EXPECT_EQ(f.EditFileFormat->text(), QString(60, 'T'));  // a stored long title is shown whole
    EXPECT_EQ(f.SpinEditOrder->Value(), -7);
    EXPECT_EQ(f.EditFileExtension->text(), "wav");
    EXPECT_EQ(f.EditDescription->text(), "Wave");
    EXPECT_EQ(f.EditPrefix->text(), "snd");
    EXPECT_TRUE(f.CheckBoxSearch->isChecked());
    EXPECT_EQ(f.MemoRecoverySequence->toPlainText(), "0=#82,1=#73\n4=#1");
    // Tab walks the fields in their order, from the category to the buttons.
    QStringList walked;
    f.EditCategory->setFocus();
    for (int i = 0; i < 10; ++i) {
      walked << QApplication::focusWidget()->objectName();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    walked << QApplication::focusWidget()->objectName();
    EXPECT_EQ(walked, QStringList({"EditCategory", "EditFileFormat", "SpinEditOrder", "EditFileExtension",
                                   "EditDescription", "EditPrefix", "CheckBoxSearch", "MemoRecoverySequence",
                                   "OkButton", "CancelButton", "Button1"}));
    QTest::keyClick(&f, Qt::Key_Escape);
  });
  EXPECT_FALSE(gui::EditFormatProperties(category, title, order, scan, search, prefix, desc, ext));
  EXPECT_EQ(title, std::string(60, 'T'));
  EXPECT_EQ(scan, "0=#82,1=#73\r\n4=#1");
  EXPECT_EQ(order, -7);

  // OK without a change gives the same fields back, the script now ending in a line break.
  OnFormatDialog([](TFormatPropForm& f) { f.OkButton->click(); });
  EXPECT_TRUE(gui::EditFormatProperties(category, title, order, scan, search, prefix, desc, ext));
  EXPECT_EQ(title, std::string(60, 'T'));
  EXPECT_EQ(scan, "0=#82,1=#73\r\n4=#1\r\n");

  title = "Short";
  // Typed values: 50 characters of title at most, an order that is no number reads 0, blank lines around
  // the script are no alternatives, nothing is checked for sense.
  OnFormatDialog([](TFormatPropForm& f) {
    Retype(f.EditCategory, "");
    Retype(f.EditFileFormat, QString(55, 'x'));
    EXPECT_EQ(f.EditFileFormat->text().size(), 50);
    Retype(f.SpinEditOrder, "12x-");
    Retype(f.EditFileExtension, ".mp3");
    Retype(f.EditDescription, "Some sound");
    Retype(f.EditPrefix, "");
    f.CheckBoxSearch->click();
    Retype(f.MemoRecoverySequence, "\n\n0=#1\n1=#2,2=#3\nnot a rule\n\n");
    f.MemoRecoverySequence->setFocus();
    QTest::keyClick(&f, Qt::Key_Return, Qt::ControlModifier);  // Return in the memo is a new line
    EXPECT_TRUE(f.isVisible());
    f.OkButton->setFocus();
    QTest::keyClick(f.OkButton, Qt::Key_Return);
  });
  EXPECT_TRUE(gui::EditFormatProperties(category, title, order, scan, search, prefix, desc, ext));
  EXPECT_EQ(category, "");
  EXPECT_EQ(title, std::string(50, 'x'));
  EXPECT_EQ(order, 0);
  EXPECT_EQ(ext, ".mp3");
  EXPECT_EQ(desc, "Some sound");
  EXPECT_EQ(prefix, "");
  EXPECT_FALSE(search);
  TFormat f;
  f.ScanBytes = scan;
  EXPECT_EQ(f.CountAlternatives(), 3);
  EXPECT_EQ(f.GetAlternativeRules(1), (std::vector<std::string>{"1=#2", "2=#3"}));
}

TEST_F(FormatEditingTest, AddAppendsAFormatOnOkAndCancelChangesNothing) {
  AddFormat("Audio", "WAV", "Wave", true);
  auto form = ExpertWindow();
  const auto before = form->TypesTreeView->topLevelItem(0);

  OnFormatDialog([](TFormatPropForm& f) {
    // A new format starts from the defaults.
    EXPECT_EQ(f.EditCategory->text(), "Miscelaneous");
    EXPECT_EQ(f.EditFileFormat->text(), "Untitled");
    EXPECT_EQ(f.SpinEditOrder->Value(), 0);
    EXPECT_EQ(f.MemoRecoverySequence->toPlainText(), "");
    EXPECT_FALSE(f.CheckBoxSearch->isChecked());
    EXPECT_EQ(f.EditPrefix->text(), "file");
    EXPECT_EQ(f.EditDescription->text(), "");
    EXPECT_EQ(f.EditFileExtension->text(), "UNKNOWN");
    f.CancelButton->click();
  });
  form->TypesAdvButtonAdd->click();
  EXPECT_EQ(DataStorage->Formats.Count(), 1);
  EXPECT_FALSE(DataStorage->Modified);
  EXPECT_EQ(form->TypesTreeView->topLevelItem(0), before);  // not rebuilt
  EXPECT_TRUE(form->focusWidget() == form->TypesTreeView);

  OnFormatDialog([](TFormatPropForm& f) { f.OkButton->click(); });
  form->TypesAdvButtonAdd->click();
  ASSERT_EQ(DataStorage->Formats.Count(), 2);
  EXPECT_EQ(DataStorage->Formats.Items(1).Title, "Untitled");
  EXPECT_EQ(DataStorage->Formats.Items(1).ScanBytes, "");
  EXPECT_TRUE(DataStorage->Modified);
  ASSERT_EQ(form->TypesTreeView->topLevelItemCount(), 2);
  QTreeWidgetItem* misc = form->TypesTreeView->topLevelItem(1);
  EXPECT_EQ(misc->text(0), "Miscelaneous");
  ASSERT_EQ(misc->childCount(), 1);
  EXPECT_EQ(misc->child(0)->text(0), "Untitled ()");
  EXPECT_EQ(TTypesTreeView::State(misc->child(0)), TTypesTreeView::kUnchecked);
  EXPECT_TRUE(form->focusWidget() == form->TypesTreeView);
  // The format just added is the one shown selected, ready for Modify.
  EXPECT_EQ(form->TypesTreeView->currentItem(), misc->child(0));
  EXPECT_TRUE(misc->child(0)->isSelected());
}

TEST_F(FormatEditingTest, ModifyUpdatesTheNodeInPlaceUnlessTheCategoryChangesEvenInCase) {
  TFormat* wav = AddFormat("Audio", "WAV", "Wave", true);
  wav->Stream = "riff";  // no control shows it; every edit keeps it
  AddFormat("Audio", "AIFF", "Apple", true);
  auto form = ExpertWindow();
  QTreeWidgetItem* audio = form->TypesTreeView->topLevelItem(0);
  QTreeWidgetItem* node = Node(*form, "WAV (Wave)");
  const qint64 iconKey = node->icon(0).cacheKey();

  // Nothing selected, or a category: no dialog.
  form->TypesAdvButtonModify->click();
  Select(*form, audio);
  DataStorage->Modified = false;
  form->TypesAdvButtonModify->click();
  EXPECT_FALSE(DataStorage->Modified);

  // OK without a change still marks the catalogue changed.
  Select(*form, node);
  DataStorage->Modified = false;
  OnFormatDialog([](TFormatPropForm& f) { f.OkButton->click(); });
  form->TypesAdvButtonModify->click();
  EXPECT_TRUE(DataStorage->Modified);
  EXPECT_EQ(wav->ScanBytes, "0=#82\r\n");

  // Description, extension and search: the same node, its old icon, the category's box follows.
  OnFormatDialog([](TFormatPropForm& f) {
    Retype(f.EditDescription, "RIFF wave");
    Retype(f.EditFileExtension, "flac");
    f.CheckBoxSearch->click();
    f.OkButton->click();
  });
  form->TypesAdvButtonModify->click();
  EXPECT_EQ(Node(*form, "WAV (RIFF wave)"), node);
  EXPECT_EQ(node->icon(0).cacheKey(), iconKey);
  EXPECT_EQ(TTypesTreeView::State(node), TTypesTreeView::kUnchecked);
  EXPECT_EQ(TTypesTreeView::State(audio), TTypesTreeView::kPartly);
  EXPECT_FALSE(wav->Search);
  EXPECT_EQ(wav->FileExtension, "flac");
  EXPECT_TRUE(form->focusWidget() == form->TypesTreeView);

  // Audio -> audio shares the node's category but still rebuilds the tree.
  Select(*form, node);
  OnFormatDialog([](TFormatPropForm& f) {
    Retype(f.EditCategory, "audio");
    f.OkButton->click();
  });
  form->TypesAdvButtonModify->click();
  EXPECT_EQ(wav->Category, "audio");
  ASSERT_EQ(form->TypesTreeView->topLevelItemCount(), 1);
  EXPECT_NE(form->TypesTreeView->topLevelItem(0), audio);
  EXPECT_EQ(form->TypesTreeView->topLevelItem(0)->text(0), "audio");  // as the first format writes it
  EXPECT_EQ(form->TypesTreeView->topLevelItem(0)->childCount(), 2);
  EXPECT_EQ(wav->Stream, "riff");
  // The rebuilt tree keeps the changed format selected.
  ASSERT_NE(form->TypesTreeView->currentItem(), nullptr);
  EXPECT_TRUE(form->TypesTreeView->currentItem()->text(0).startsWith(QString::fromStdString(wav->Title + " (")));
  EXPECT_TRUE(form->TypesTreeView->currentItem()->isSelected());
}

TEST_F(FormatEditingTest, DeleteAsksWithTheTitleAndOnlyYesRemoves) {
  AddFormat("Audio", "WAV", "Wave", true);
  AddFormat("Audio", "AIFF", "Apple", true);
  auto form = ExpertWindow();
  Select(*form, Node(*form, "AIFF (Apple)"));
  DataStorage->Modified = false;

  dialogs.Answers = {TDialogAnswer::No};
  form->TypesAdvButtonDelete->click();
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Do you really want to remove \"AIFF\" file format?");
  EXPECT_EQ(dialogs.Shown[0].Caption, "Confirmation");
  EXPECT_EQ(dialogs.Shown[0].Buttons, TDialogButtons::YesNo);
  EXPECT_EQ(dialogs.Shown[0].Icon, TDialogIcon::None);
  EXPECT_EQ(DataStorage->Formats.Count(), 2);
  EXPECT_FALSE(DataStorage->Modified);
  EXPECT_NE(Node(*form, "AIFF (Apple)"), nullptr);

  dialogs.Answers = {TDialogAnswer::Yes};
  form->TypesAdvButtonDelete->click();
  ASSERT_EQ(DataStorage->Formats.Count(), 1);
  EXPECT_EQ(DataStorage->Formats.Items(0).Title, "WAV");
  EXPECT_TRUE(DataStorage->Modified);
  EXPECT_EQ(Node(*form, "AIFF (Apple)"), nullptr);
  EXPECT_TRUE(form->focusWidget() == form->TypesTreeView);
  // The selection went with the rebuilt tree: a further Delete asks nothing.
  form->TypesAdvButtonDelete->click();
  EXPECT_EQ(dialogs.Shown.size(), 2u);
}

// A format made in the dialog is in the formats file after the exit, comes back at the next start and
// finds its files in a pass.
TEST_F(FormatEditingTest, AFormatAddedInTheDialogSurvivesTheExitAndRecoversItsFiles) {
  namespace fs = std::filesystem;
  fs::copy_file(fs::path(QUILLOT_SOURCE_DIR) / "data" / "Quillot.ini", env.Program() / "Quillot.ini");
  const std::string shipped = test::ReadText((env.Program() / "Quillot.ini").string());
  {
    TLifecycle life;
    life.Start();
    GlobalFirstStart = false;
    RecoveryAdvancedMode = true;
    const int32_t count = DataStorage->Formats.Count();
    gui::TMainForm form;
    form.show();
    ASSERT_TRUE(form.TypesCheckBoxShowAdvanced->isVisible() || !form.TypesCheckBoxShowAdvanced->isHidden());
    form.TypesCheckBoxShowAdvanced->click();
    OnFormatDialog([](TFormatPropForm& f) {
      Retype(f.EditCategory, "Test signals");
      Retype(f.EditFileFormat, "Quillot tone");
      Retype(f.SpinEditOrder, "-1");
      Retype(f.EditFileExtension, "qtt");
      Retype(f.EditDescription, "Tone file, with a comma; and = signs");
      Retype(f.EditPrefix, "tone");
      f.CheckBoxSearch->click();
      Retype(f.MemoRecoverySequence, "0=#81,1=#84,2=#79,3=#78,4=#69\n0=#255,1=#1,2=#81,3=#84");
      f.OkButton->click();
    });
    form.TypesAdvButtonAdd->click();
    ASSERT_EQ(DataStorage->Formats.Count(), count + 1);
    form.close();
  }
  EXPECT_NE(test::ReadText((env.Program() / "Quillot.ini").string()), shipped);

  // The card: "QTONE" at sectors 5 and 20, the second form at sector 40, filler everywhere else.
  const std::string image = (env.Home() / "card.img").string();
  std::string bytes(64 * 512, '\x55');
  bytes.replace(5 * 512, 5, "QTONE");
  bytes.replace(20 * 512, 5, "QTONE");
  bytes.replace(40 * 512, 4, std::string("\xFF\x01QT", 4));
  test::WriteText(image, bytes);

  TLifecycle life;
  life.Start();
  GlobalFirstStart = false;
  const TFormat* tone = nullptr;
  for (const auto& f : DataStorage->Formats)
    if (f->Title == "Quillot tone") tone = f.get();
  ASSERT_NE(tone, nullptr);
  EXPECT_EQ(tone->Category, "Test signals");
  EXPECT_EQ(tone->Order, -1);
  EXPECT_EQ(tone->FileExtension, "qtt");
  EXPECT_EQ(tone->TypeDescription, "Tone file, with a comma; and = signs");
  EXPECT_EQ(tone->FilePrefix, "tone");
  EXPECT_TRUE(tone->Search);
  EXPECT_EQ(tone->CountAlternatives(), 2);

  const char letter = Attach(image, 0);
  gui::TMainForm form(letter);
  form.show();
  EXPECT_NE(Node(form, "Quillot tone (Tone file, with a comma; and = signs)"), nullptr);
  form.ButtonNextClick();
  form.ButtonNextClick();
  const fs::path dest = env.Home() / "out";
  form.DestinationFolderEdit->setText(QString::fromStdString(dest.string()));
  form.ButtonNextClick();
  form.ProgressButtonStart->click();
  EXPECT_EQ(form.FilesFound(), 3);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dest)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"tone00001.qtt", "tone00002.qtt", "tone00003.qtt"}));
  EXPECT_TRUE(test::ReadText((dest / "tone00001.qtt").string()) == bytes.substr(5 * 512, 15 * 512));
  EXPECT_TRUE(test::ReadText((dest / "tone00002.qtt").string()) == bytes.substr(20 * 512, 20 * 512));
  EXPECT_TRUE(test::ReadText((dest / "tone00003.qtt").string()) == bytes.substr(40 * 512));
  EXPECT_TRUE(test::ReadText(image) == bytes) << "the card image changed";
}

}  // namespace quillot::testing
