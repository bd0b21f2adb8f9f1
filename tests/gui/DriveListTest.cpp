// The Start page's drive list: its rows, the click and double-click rules, Rescan and Add image.
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "drive/FileUtils.h"
#include "support/FakeDisk.h"
#include "support/GuiFixture.h"
#include "support/TempDir.h"

namespace quillot::testing {

class DriveListTest : public TGuiTest {};

TEST_F(DriveListTest, RowsListEveryLetterInOrderWithTheirCells) {
  const char a = AttachZeroImage("a.img", 2000);
  const char b = AttachZeroImage("b.img", 8);
  std::filesystem::remove(env.Home() / "b.img");  // listed, but it no longer answers
  gui::TMainForm form;
  QTreeWidget* list = form.StartListViewDrives;
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_LT(a, b);
  QTreeWidgetItem* first = list->topLevelItem(0);
  EXPECT_EQ(first->text(0), QString(QLatin1Char(a)));
  TViewDriveParams params;
  GetViewDriveParams(a, params);
  EXPECT_EQ(first->text(1).toStdString(), params.TypeName);
  EXPECT_EQ(first->text(2).toStdString(), SizeToText(1024000));
  EXPECT_EQ(first->text(3), "00000000");
  EXPECT_EQ(first->text(4), "Ready");
  QTreeWidgetItem* second = list->topLevelItem(1);
  EXPECT_EQ(second->text(4), "No media");
  EXPECT_EQ(second->text(3), "00000000");

  EXPECT_EQ(list->columnCount(), 5);
  const QStringList captions{"Drive", "Type", "Total Space", "S/N", "Status"};
  const int widths[] = {90, 70, 100, 70, 70};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(list->headerItem()->text(i), captions[i]);
    if (i < 4)
      EXPECT_EQ(list->columnWidth(i), widths[i]);
    else
      EXPECT_GE(list->columnWidth(i), widths[i]);  // the rest of the list
  }
  EXPECT_TRUE(first->textAlignment(2) & Qt::AlignRight);
  EXPECT_FALSE(list->header()->sectionsClickable());
}

// A drive the system will not let us read says so, with the reason on hover; an empty one has no media.
TEST_F(DriveListTest, ADriveWithoutRightsIsNoAccessWithTheReasonOnHover) {
  const char ready = AttachZeroImage("ready.img", 64);
  auto locked = std::make_shared<TFakeDisk>(4096);
  locked->SourceName = "/dev/sdq";
  locked->FailOpen = true;
  auto empty = std::make_shared<TFakeDisk>(4096, 512, TSourceKind::Removable);
  empty->SourceName = "/dev/sdr";
  empty->FailOpen = empty->NoMedium = true;
  TFakeDiskRegistration lockedDrive('P', locked), emptyDrive('R', empty);
  gui::TMainForm form;
  QTreeWidgetItem* row = RowOf(form, 'P');
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->text(4), "No access");
  for (int column = 0; column < 5; ++column) EXPECT_EQ(row->toolTip(column), "/dev/sdq: Permission denied") << column;
  EXPECT_EQ(RowOf(form, 'R')->text(4), "No media");
  EXPECT_EQ(RowOf(form, 'R')->toolTip(4), "/dev/sdr: No medium found");
  EXPECT_EQ(RowOf(form, ready)->text(4), "Ready");
  EXPECT_EQ(RowOf(form, ready)->toolTip(4).toStdString(), (env.Home() / "ready.img").string());
}

TEST_F(DriveListTest, ALabelledVolumeShowsItsLabelAndTheClickTakesTheLetter) {
  const std::string image = (env.Home() / "fat.img").string();
  if (!MakeFatImage(image, "-n SYSTEM", 1024)) GTEST_FAIL() << "mkfs.fat is needed (dosfstools)";
  const char zero = AttachZeroImage("zero.img", 64);
  const char fat = Attach(image, 0);
  gui::TMainForm form;
  form.show();
  EXPECT_EQ(form.Wizard().DriveLetter, zero);  // the first showing chose the first drive
  EXPECT_EQ(RowOf(form, fat)->text(0), QString(QLatin1Char(fat)) + " (SYSTEM)");
  ClickRow(form, fat);
  EXPECT_EQ(form.Wizard().DriveLetter, fat);
  EXPECT_EQ(form.Wizard().DriveNumber, fat - 'A' + 1);
  EXPECT_FALSE(form.ButtonBack->isEnabled());
  EXPECT_TRUE(form.ButtonNext->isEnabled());

  // A click beside every row leaves no drive chosen and Next off.
  QTest::mouseClick(form.StartListViewDrives->viewport(), Qt::LeftButton, {},
                    QPoint(20, form.StartListViewDrives->viewport()->height() - 5));
  EXPECT_EQ(form.Wizard().DriveLetter, '?');
  EXPECT_EQ(form.Wizard().DriveNumber, 0);
  EXPECT_FALSE(form.ButtonNext->isEnabled());
  EXPECT_TRUE(form.ButtonClose->isEnabled());

  // A double click runs Next at once, even while Next is off.
  QTreeWidgetItem* row = RowOf(form, fat);
  QTest::mouseDClick(form.StartListViewDrives->viewport(), Qt::LeftButton, {},
                     form.StartListViewDrives->visualItemRect(row).center());
  EXPECT_EQ(form.ActivePage(), gui::TMainForm::kTypesPage);

  // Coming back does not choose the first drive again.
  form.ButtonBackClick();
  EXPECT_EQ(form.Wizard().DriveLetter, fat);
}

TEST_F(DriveListTest, TheKeyboardMovesTheChoiceWithTheFocusedRow) {
  const char a = AttachZeroImage("a.img", 64);
  const char b = AttachZeroImage("b.img", 64);
  gui::TMainForm form;
  form.show();
  EXPECT_EQ(form.Wizard().DriveLetter, a);
  QTest::keyClick(form.StartListViewDrives, Qt::Key_Down);
  EXPECT_EQ(form.Wizard().DriveLetter, b);
}

TEST_F(DriveListTest, RescanRebuildsTheListButKeepsTheChoice) {
  const char a = AttachZeroImage("a.img", 64);
  const char b = AttachZeroImage("b.img", 64);
  gui::TMainForm form;
  form.show();
  ClickRow(form, b);
  ASSERT_EQ(form.Wizard().DriveNumber, b - 'A' + 1);
  const bool nextBefore = form.ButtonNext->isEnabled();
  DriveTable().Remove(b);
  form.StartButtonRescan->click();
  // The images keep their letters; the chosen one that went away is still the choice (the machine's
  // own disks may take its letter now).
  ASSERT_NE(RowOf(form, a), nullptr);
  EXPECT_EQ(RowOf(form, a)->toolTip(0).toStdString(), (env.Home() / "a.img").string());
  if (QTreeWidgetItem* row = RowOf(form, b)) {
    EXPECT_NE(row->toolTip(0).toStdString(), (env.Home() / "b.img").string());
  }
  EXPECT_EQ(form.Wizard().DriveLetter, b);
  EXPECT_EQ(form.Wizard().DriveNumber, b - 'A' + 1);
  EXPECT_EQ(form.ButtonNext->isEnabled(), nextBefore);
  EXPECT_EQ(form.StartListViewDrives->currentItem(), nullptr);
}

// Devices plugged and pulled between rescans: the choice stays on its letter, the letter on its device.
TEST_F(DriveListTest, RescanKeepsEachDeviceOnItsLetterAndAVanishedChoiceIsNotReady) {
  test::TTempDir roots;
  const std::filesystem::path sys = roots.Path() / "sys", dev = roots.Path() / "dev";
  const auto plug = [&](const std::string& name, const std::string& number) {
    TTempEnvironment::Write(sys / name / "size", "128");
    TTempEnvironment::Write(sys / name / "dev", number);
    TTempEnvironment::Write(dev / name, std::string(128 * 512, '\0'));
  };
  plug("sda", "8:0");
  plug("sdb", "8:16");
  plug("sdc", "8:32");
  DriveTable().Rescan(sys.string(), dev.string());
  gui::TMainForm form;
  form.show();
  ClickRow(form, 'E');
  ASSERT_EQ(form.Wizard().DriveLetter, 'E');
  ASSERT_EQ(DriveTable().Source('E')->Name(), "sdc");

  // sdb is pulled and a new disk comes: sdc stays on E:, the new one takes F:, D: stays empty.
  std::filesystem::remove_all(sys / "sdb");
  plug("sdd", "8:48");
  form.StartButtonRescan->click();
  EXPECT_EQ(RowOf(form, 'D'), nullptr);
  ASSERT_NE(RowOf(form, 'E'), nullptr);
  EXPECT_EQ(RowOf(form, 'E')->toolTip(0).toStdString(), (dev / "sdc").string());
  ASSERT_NE(RowOf(form, 'F'), nullptr);
  EXPECT_EQ(RowOf(form, 'F')->toolTip(0).toStdString(), (dev / "sdd").string());
  EXPECT_EQ(form.Wizard().DriveLetter, 'E');
  EXPECT_TRUE(form.ButtonNext->isEnabled());

  // The chosen disk itself is pulled: the choice stays, but it is not ready and no pass can start.
  std::filesystem::remove_all(sys / "sdc");
  plug("sde", "8:64");
  form.StartButtonRescan->click();
  EXPECT_EQ(RowOf(form, 'E'), nullptr);
  EXPECT_NE(RowOf(form, 'G'), nullptr);
  EXPECT_EQ(form.Wizard().DriveLetter, 'E');
  EXPECT_EQ(form.Wizard().DriveNumber, 'E' - 'A' + 1);
  EXPECT_TRUE(form.ButtonNext->isEnabled());
  for (int i = 0; i < 3; ++i) form.ButtonNextClick();
  ASSERT_EQ(form.ActivePage(), gui::TMainForm::kProgressPage);
  EXPECT_EQ(form.ProgressLabelDestinationFolder->text(), "E:\\ (Not Ready)");
  EXPECT_FALSE(form.ProgressButtonStart->isEnabled());
}

TEST_F(DriveListTest, AddImageAttachesListsAndChoosesTheImage) {
  const char a = AttachZeroImage("a.img", 64);
  const std::string path = (env.Home() / "card.img").string();
  {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fclose(f);
  }
  std::filesystem::resize_file(path, 4096 * 512);
  gui::TMainForm form;
  form.show();
  EXPECT_EQ(form.Wizard().DriveLetter, a);
  const char added = form.AddImage(QString::fromStdString(path));
  ASSERT_NE(added, 0);
  EXPECT_NE(RowOf(form, added), nullptr);
  EXPECT_EQ(form.Wizard().DriveLetter, added);
  EXPECT_TRUE(form.ButtonNext->isEnabled());

  // A file that cannot be attached is explained, and nothing changes.
  EXPECT_EQ(form.AddImage("/nonexistent/card.img"), 0);
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_NE(dialogs.Shown[0].Text.find("/nonexistent/card.img"), std::string::npos);
  EXPECT_EQ(form.Wizard().DriveLetter, added);
  // Attaching images leaves the advanced parameters within reach.
  EXPECT_TRUE(form.StartButtonAdvParams->isEnabled());
}

TEST_F(DriveListTest, ADriveNamedAtStartIsChosenAtTheFirstShowing) {
  AttachZeroImage("a.img", 64);
  const char b = AttachZeroImage("b.img", 64);
  gui::TMainForm form(b);
  form.show();
  EXPECT_EQ(form.Wizard().DriveLetter, b);
}

}  // namespace quillot::testing
