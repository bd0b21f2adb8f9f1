// The Types page: the category tree, its check images and the Search flags they set.
#include <QCheckBox>
#include <QPushButton>

#include "gui/TypesTreeView.h"
#include "support/GuiFixture.h"

namespace quillot::testing {

using gui::TTypesTreeView;

class TypesPageTest : public TGuiTest {
 protected:
  static void PressCheck(TTypesTreeView* tree, QTreeWidgetItem* item) {
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->StateImageRect(item).center());
  }
  static void PressText(TTypesTreeView* tree, QTreeWidgetItem* item) {
    QRect r = tree->visualItemRect(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 60, r.center().y()));
  }
};

TEST_F(TypesPageTest, CategoriesSortWithoutCaseAndFormatsKeepCatalogueOrder) {
  AddFormat("lossless", "FLAC", "Free Lossless", true);
  AddFormat("Audio", "WAV", "Wave", true);
  AddFormat("audio", "MP3", "", false);
  AddFormat("Container", "M4A", "MPEG-4", false);
  AddFormat("Audio", "AIFF", "Apple", true);
  gui::TMainForm form;
  TTypesTreeView* tree = form.TypesTreeView;
  ASSERT_EQ(tree->topLevelItemCount(), 3);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), "Audio");  // as the first of them writes it
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "Container");
  EXPECT_EQ(tree->topLevelItem(2)->text(0), "lossless");
  QTreeWidgetItem* audio = tree->topLevelItem(0);
  ASSERT_EQ(audio->childCount(), 3);
  EXPECT_EQ(audio->child(0)->text(0), "WAV (Wave)");
  EXPECT_EQ(audio->child(1)->text(0), "MP3 ()");
  EXPECT_EQ(audio->child(2)->text(0), "AIFF (Apple)");
  EXPECT_TRUE(audio->isExpanded());

  // Summaries: some searched, none, all.
  EXPECT_EQ(TTypesTreeView::State(audio), TTypesTreeView::kPartly);
  EXPECT_EQ(TTypesTreeView::State(tree->topLevelItem(1)), TTypesTreeView::kUnchecked);
  EXPECT_EQ(TTypesTreeView::State(tree->topLevelItem(2)), TTypesTreeView::kChecked);
  EXPECT_EQ(TTypesTreeView::State(audio->child(1)), TTypesTreeView::kUnchecked);
  // Every format has its own entry in the icon list after the category image.
  EXPECT_EQ(form.ImageListIcons.size(), 1 + 5);
  EXPECT_FALSE(audio->child(0)->icon(0).isNull());
}

TEST_F(TypesPageTest, ChecksPropagateAndTheClickCopiesThemIntoSearch) {
  TFormat* wav = AddFormat("Audio", "WAV", "Wave", true);
  TFormat* mp3 = AddFormat("Audio", "MP3", "Layer 3", false);
  TFormat* m4a = AddFormat("Container", "M4A", "MPEG-4", false);
  TFormat* caf = AddFormat("Container", "CAF", "Core Audio", false);
  gui::TMainForm form;
  form.show();
  form.ButtonNextClick();
  TTypesTreeView* tree = form.TypesTreeView;
  QTreeWidgetItem* audio = tree->topLevelItem(0);
  QTreeWidgetItem* container = tree->topLevelItem(1);
  ASSERT_EQ(TTypesTreeView::State(audio), TTypesTreeView::kPartly);
  EXPECT_FALSE(DataStorage->Modified);

  // A press on a partly checked category unchecks all its formats.
  PressCheck(tree, audio);
  EXPECT_EQ(TTypesTreeView::State(audio), TTypesTreeView::kUnchecked);
  EXPECT_FALSE(wav->Search);
  EXPECT_FALSE(mp3->Search);
  EXPECT_TRUE(DataStorage->Modified);

  // An unchecked category checks all of them.
  PressCheck(tree, container);
  EXPECT_EQ(TTypesTreeView::State(container->child(0)), TTypesTreeView::kChecked);
  EXPECT_TRUE(m4a->Search);
  EXPECT_TRUE(caf->Search);

  // Unchecking one format makes its category partly checked; the last one empties the box.
  PressCheck(tree, container->child(0));
  EXPECT_EQ(TTypesTreeView::State(container), TTypesTreeView::kPartly);
  EXPECT_FALSE(m4a->Search);
  PressCheck(tree, container->child(1));
  EXPECT_EQ(TTypesTreeView::State(container), TTypesTreeView::kUnchecked);
  EXPECT_FALSE(caf->Search);

  // A press on the text changes no check but still counts as a change of the catalogue.
  DataStorage->Modified = false;
  PressText(tree, audio->child(0));
  EXPECT_EQ(TTypesTreeView::State(audio->child(0)), TTypesTreeView::kUnchecked);
  EXPECT_TRUE(DataStorage->Modified);
  // A format selected: Modify and Delete on, even with the advanced controls hidden; a category: off.
  EXPECT_TRUE(form.TypesAdvButtonModify->isEnabled());
  EXPECT_TRUE(form.TypesAdvButtonDelete->isEnabled());
  EXPECT_FALSE(form.TypesAdvButtonAdd->isEnabled());
  PressText(tree, audio);
  EXPECT_FALSE(form.TypesAdvButtonModify->isEnabled());
  EXPECT_FALSE(form.TypesAdvButtonDelete->isEnabled());
}

TEST_F(TypesPageTest, SpaceTicksAndUnticksTheFocusedFormatOrCategory) {
  TFormat* wav = AddFormat("Audio", "WAV", "Wave", true);
  TFormat* mp3 = AddFormat("Audio", "MP3", "Layer 3", false);
  gui::TMainForm form;
  form.show();
  form.ButtonNextClick();
  TTypesTreeView* tree = form.TypesTreeView;
  tree->setFocus();
  QTreeWidgetItem* audio = tree->topLevelItem(0);
  struct TRow {
    QTreeWidgetItem* item;
    int format, category;
    bool wav, mp3;
  };
  // The category follows the rule of a press: partly checked becomes unchecked with its formats.
  const TRow rows[] = {{audio->child(1), TTypesTreeView::kChecked, TTypesTreeView::kChecked, true, true},
                       {audio->child(0), TTypesTreeView::kUnchecked, TTypesTreeView::kPartly, false, true},
                       {audio, TTypesTreeView::kUnchecked, TTypesTreeView::kUnchecked, false, false},
                       {audio, TTypesTreeView::kChecked, TTypesTreeView::kChecked, true, true}};
  for (const TRow& row : rows) {
    tree->setCurrentItem(row.item);
    QTest::keyClick(tree, Qt::Key_Space);
    EXPECT_EQ(TTypesTreeView::State(row.item), row.format);
    EXPECT_EQ(TTypesTreeView::State(audio), row.category);
    EXPECT_EQ(wav->Search, row.wav);
    EXPECT_EQ(mp3->Search, row.mp3);
    EXPECT_TRUE(row.item->isSelected());
  }
  // The selection is a format again: Modify and Delete follow it as after a click.
  tree->setCurrentItem(audio->child(1));
  QTest::keyClick(tree, Qt::Key_Space);
  EXPECT_TRUE(form.TypesAdvButtonModify->isEnabled());
  EXPECT_FALSE(mp3->Search);
}

TEST_F(TypesPageTest, TheIgnoreValueStopsPropagationBothWays) {
  gui::TMainForm form;
  TTypesTreeView* tree = form.TypesTreeView;
  auto* root = new QTreeWidgetItem(tree, QStringList("root"));
  auto* shielded = new QTreeWidgetItem(root, QStringList("shielded"));
  auto* below = new QTreeWidgetItem(shielded, QStringList("below"));
  auto* plain = new QTreeWidgetItem(root, QStringList("plain"));
  tree->SetState(below, TTypesTreeView::kUnchecked);
  tree->SetState(plain, TTypesTreeView::kUnchecked);
  tree->SetState(shielded, tree->StateIgnore);
  tree->SetState(root, TTypesTreeView::kChecked);
  EXPECT_EQ(TTypesTreeView::State(plain), TTypesTreeView::kChecked);
  EXPECT_EQ(TTypesTreeView::State(shielded), 0);
  EXPECT_EQ(TTypesTreeView::State(below), TTypesTreeView::kUnchecked);  // never reached
  // Upwards: the ignored parent is left alone and nothing above it changes.
  tree->SetState(plain, TTypesTreeView::kUnchecked);
  EXPECT_EQ(TTypesTreeView::State(root), TTypesTreeView::kPartly);  // shielded (0) is neither 1 nor 2
  tree->SetState(below, TTypesTreeView::kChecked);
  EXPECT_EQ(TTypesTreeView::State(shielded), 0);
  EXPECT_EQ(TTypesTreeView::State(root), TTypesTreeView::kPartly);
  // Setting the partly checked state propagates nothing.
  tree->SetState(root, TTypesTreeView::kPartly);
  EXPECT_EQ(TTypesTreeView::State(plain), TTypesTreeView::kUnchecked);
}

TEST_F(TypesPageTest, TheAdvancedCheckBoxWidensOrNarrowsTheTree) {
  AddFormat("Audio", "WAV", "Wave", true);
  RecoveryAdvancedMode = false;
  {
    gui::TMainForm form;
    EXPECT_FALSE(form.TypesCheckBoxShowAdvanced->isVisibleTo(&form));
    EXPECT_EQ(form.TypesTreeView->width(), 425);
    EXPECT_FALSE(form.TypesAdvButtonAdd->isEnabled());
  }
  RecoveryAdvancedMode = true;
  gui::TMainForm form;
  form.show();
  form.ButtonNextClick();
  ASSERT_TRUE(form.TypesCheckBoxShowAdvanced->isVisible());
  EXPECT_FALSE(form.TypesCheckBoxShowAdvanced->isChecked());
  form.TypesCheckBoxShowAdvanced->click();
  EXPECT_EQ(form.TypesTreeView->width(), 337);
  EXPECT_EQ(form.TypesTreeView->geometry().topLeft(), QPoint(8, 40));
  EXPECT_TRUE(form.TypesAdvButtonAdd->isEnabled());
  EXPECT_TRUE(form.TypesAdvButtonModify->isEnabled());  // even with nothing selected
  EXPECT_TRUE(form.TypesAdvButtonDelete->isEnabled());
  form.TypesCheckBoxShowAdvanced->click();
  EXPECT_EQ(form.TypesTreeView->width(), 425);
  EXPECT_FALSE(form.TypesAdvButtonAdd->isEnabled());
}

TEST_F(TypesPageTest, TheShippedCatalogueBuildsOneNodePerFormat) {
  LoadShippedCatalogue();
  gui::TMainForm form;
  int formats = 0;
  for (int i = 0; i < form.TypesTreeView->topLevelItemCount(); ++i)
    formats += form.TypesTreeView->topLevelItem(i)->childCount();
  EXPECT_EQ(formats, DataStorage->Formats.Count());
  EXPECT_GT(formats, 0);
}

}  // namespace quillot::testing
