// Back, Next and the button states of every page.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <grp.h>
#include <unistd.h>

#include "app/Settings.h"
#include "gui/SectorEdit.h"
#include "gui/TypesTreeView.h"
#include "support/FakeDisk.h"
#include "support/GuiFixture.h"

namespace quillot::testing {

namespace {
struct TButtons {
  bool back, next, close;
};
TButtons Buttons(gui::TMainForm& f) {
  return {f.ButtonBack->isEnabled(), f.ButtonNext->isEnabled(), f.ButtonClose->isEnabled()};
}
}  // namespace

class NavigationTest : public TGuiTest {};

TEST_F(NavigationTest, ButtonsFollowThePageTableAndBackNextStopAtTheEnds) {
  const char letter = AttachZeroImage("disk.img", 100);
  gui::TMainForm form;
  form.show();
  EXPECT_EQ(form.ActivePage(), gui::TMainForm::kStartPage);
  EXPECT_EQ(form.Wizard().DriveLetter, letter);  // the first showing chose the first drive

  // Back on the first page changes nothing but still refreshes the state.
  form.ButtonNext->setEnabled(false);
  form.ButtonBackClick();
  EXPECT_EQ(form.ActivePage(), 0);
  auto b = Buttons(form);
  EXPECT_FALSE(b.back);
  EXPECT_TRUE(b.next);
  EXPECT_TRUE(b.close);

  form.ButtonNextClick();
  EXPECT_EQ(form.ActivePage(), 1);
  b = Buttons(form);
  EXPECT_TRUE(b.back && b.next && b.close);
  form.ButtonNextClick();
  EXPECT_EQ(form.ActivePage(), 2);
  b = Buttons(form);
  EXPECT_TRUE(b.back && b.next && b.close);

  form.ButtonNextClick();
  EXPECT_EQ(form.ActivePage(), 3);
  b = Buttons(form);
  EXPECT_TRUE(b.back);
  EXPECT_FALSE(b.next);  // no pass has ended yet
  EXPECT_TRUE(b.close);
  EXPECT_TRUE(form.ProgressButtonStart->isEnabled());
  EXPECT_FALSE(form.ProgressButtonStop->isEnabled());
  // Next is not the way past the Progress page before a pass: the button is off, the handler still moves.
  form.ButtonNextClick();
  EXPECT_EQ(form.ActivePage(), 4);
  b = Buttons(form);
  EXPECT_TRUE(b.back);
  EXPECT_FALSE(b.next);
  EXPECT_TRUE(b.close);
  form.ButtonNextClick();
  EXPECT_EQ(form.ActivePage(), 4);

  // Start and Stop keep their states on the pages that do not own them.
  form.ButtonBackClick();
  form.ButtonBackClick();
  EXPECT_EQ(form.ActivePage(), 2);
  form.ProgressButtonStop->setEnabled(true);
  form.ProgressButtonStart->setEnabled(false);
  form.ButtonBackClick();
  EXPECT_TRUE(form.ProgressButtonStop->isEnabled());
  EXPECT_FALSE(form.ProgressButtonStart->isEnabled());
  form.ButtonNextClick();

  // Back from Types to Start enables Next even with no drive chosen.
  form.Wizard().DriveLetter = '?';
  form.Wizard().DriveNumber = 0;
  form.ButtonBackClick();
  form.ButtonBackClick();
  EXPECT_EQ(form.ActivePage(), 0);
  EXPECT_TRUE(form.ButtonNext->isEnabled());
}

TEST_F(NavigationTest, TheProgressPageTakesOverTheDestinationAndShowsTheDrive) {
  const char letter = AttachZeroImage("disk.img", 2048);
  gui::TMainForm form;
  form.show();
  form.DestinationFolderEdit->setText(QString());
  for (int i = 0; i < 3; ++i) form.ButtonNextClick();
  // An empty field becomes a lone delimiter.
  EXPECT_EQ(RecoveryTargetFolder, "/");
  EXPECT_EQ(form.ProgressLabelDestinationFolder->text(), QString(QLatin1Char(letter)) + ":\\ (Ready)");
  EXPECT_EQ(form.ProgressLabelTotalSectors->text(), "2048");
  EXPECT_EQ(form.ProgressStartSectorSpinEdit->MaxValue(), 2048u);

  form.ButtonBackClick();
  form.DestinationFolderEdit->setText("/tmp/x/");
  form.ButtonNextClick();
  EXPECT_EQ(RecoveryTargetFolder, "/tmp/x/");  // already ends in the delimiter
  form.ButtonBackClick();
  form.DestinationFolderEdit->setText("/tmp/y");
  form.ButtonNextClick();
  EXPECT_EQ(RecoveryTargetFolder, "/tmp/y/");

  // A 3 TiB drive (a sparse image): its whole count, and a start sector up to it.
  const char large = AttachZeroImage("large.img", uint64_t{6442450944});
  form.Wizard().DriveLetter = large;
  form.Wizard().DriveNumber = static_cast<uint8_t>(large - 'A' + 1);
  form.CheckState();
  EXPECT_EQ(form.ProgressLabelTotalSectors->text(), "6442450944");
  EXPECT_EQ(form.ProgressStartSectorSpinEdit->MaxValue(), 6442450944u);
  form.ProgressStartSectorSpinEdit->setText("6442450943");
  EXPECT_TRUE(form.ProgressStartSectorSpinEdit->hasAcceptableInput());
  EXPECT_EQ(form.ProgressStartSectorSpinEdit->Value(), 6442450943u);
}

TEST_F(NavigationTest, ADriveThatCannotBeReadIsNotReadyAndStartStaysOff) {
  const char good = AttachZeroImage("good.img", 64);
  const char gone = AttachZeroImage("gone.img", 64);
  gui::TMainForm form;
  form.show();
  ClickRow(form, good);
  for (int i = 0; i < 3; ++i) form.ButtonNextClick();
  EXPECT_EQ(form.ProgressStartSectorSpinEdit->MaxValue(), 64u);

  // The image vanishes: the drive is not ready, Start is off and the field's bounds are lifted.
  std::filesystem::remove(env.Home() / "gone.img");
  form.Wizard().DriveLetter = gone;
  form.Wizard().DriveNumber = static_cast<uint8_t>(gone - 'A' + 1);
  form.CheckState();
  EXPECT_EQ(form.ProgressLabelDestinationFolder->text(), QString(QLatin1Char(gone)) + ":\\ (Not Ready)");
  EXPECT_FALSE(form.ProgressButtonStart->isEnabled());
  EXPECT_EQ(form.ProgressStartSectorSpinEdit->MinValue(), form.ProgressStartSectorSpinEdit->MaxValue());
  EXPECT_TRUE(form.ProgressLabelDriveProblem->text().contains("gone.img"))
      << form.ProgressLabelDriveProblem->text().toStdString();

  // A device we may not read: the hint says how to get the right, naming the group that may read the node
  // when there is one worth joining.
  const std::filesystem::path node = env.Home() / "sdq";
  TTempEnvironment::Write(node, "");
  const group* readers = nullptr;
  for (gid_t candidate : {::getegid(), gid_t{65534}, gid_t{100}})
    if (candidate != 0 && ::chown(node.c_str(), static_cast<uid_t>(-1), candidate) == 0) {
      readers = ::getgrgid(candidate);
      if (readers) break;
    }
  ASSERT_NE(readers, nullptr) << "no group to give the device node to";
  const std::string groupName = readers->gr_name;
  auto locked = std::make_shared<TFakeDisk>(4096);
  locked->SourcePath = node.string();
  locked->FailOpen = true;
  TFakeDiskRegistration lockedDrive('P', locked);
  form.Wizard().DriveLetter = 'P';
  form.Wizard().DriveNumber = 'P' - 'A' + 1;
  struct TRow {
    std::filesystem::perms mode;
    std::vector<std::string> said;
  };
  const std::string groupNamed = "\"" + groupName + "\"";
  for (const TRow& row : {TRow{std::filesystem::perms::owner_read | std::filesystem::perms::group_read,
                               {node.string(), "root", "sudo", groupNamed}},
                          TRow{std::filesystem::perms::owner_read, {node.string(), "sudo", "Add image..."}}}) {
    std::filesystem::permissions(node, row.mode);
    form.CheckState();
    EXPECT_EQ(form.ProgressLabelDestinationFolder->text(), "P:\\ (Not Ready)");
    EXPECT_FALSE(form.ProgressButtonStart->isEnabled());
    const std::string hint = form.ProgressLabelDriveProblem->text().toStdString();
    for (const std::string& part : row.said) EXPECT_NE(hint.find(part), std::string::npos) << part << " in " << hint;
    EXPECT_EQ(hint.find(groupNamed) != std::string::npos, row.said.back() == groupNamed) << hint;
  }

  // A device the system may open for us once the user agrees (udisks2): "No access" with Start on and a
  // hint that Start asks. Looking never asks; Start asks, and a refusal says so and starts no pass.
  locked->AccessAskable = true;
  for (const bool grant : {false, true}) {
    SCOPED_TRACE(grant);
    locked->GrantWhenAsked = grant;
    locked->AccessAsked = 0;
    dialogs.Shown.clear();
    form.CheckState();
    EXPECT_EQ(form.ProgressLabelDestinationFolder->text(), "P:\\ (No access)");
    EXPECT_TRUE(form.ProgressButtonStart->isEnabled());
    const std::string hint = form.ProgressLabelDriveProblem->text().toStdString();
    EXPECT_NE(hint.find("Press Start"), std::string::npos) << hint;
    EXPECT_EQ(locked->AccessAsked, 0);
    form.ProgressButtonStart->click();
    EXPECT_GE(locked->AccessAsked, 1);
    EXPECT_EQ(form.PassDone(), grant);
    ASSERT_EQ(dialogs.Shown.size(), grant ? 0u : 1u);
    if (!grant) {
      EXPECT_EQ(dialogs.Shown[0].Text, "The system did not let Quillot read " + node.string() + ".");
    }
  }
}

TEST_F(NavigationTest, WithNoDriveChosenTheDriveLineAndBoundsStayAsTheyWere) {
  gui::TMainForm form;  // an empty drive table: nothing to choose
  form.show();
  EXPECT_EQ(form.Wizard().DriveLetter, '?');
  EXPECT_FALSE(form.ButtonNext->isEnabled());
  form.ProgressStartSectorSpinEdit->SetBounds(0, 500);
  for (int i = 0; i < 3; ++i) form.ButtonNextClick();
  EXPECT_EQ(form.ActivePage(), 3);
  EXPECT_EQ(form.ProgressLabelDestinationFolder->text(), "?:\\");
  EXPECT_EQ(form.ProgressStartSectorSpinEdit->MaxValue(), 500u);
}

TEST_F(NavigationTest, TheStartSectorFieldTakesTheWholeUnsigned64BitRange) {
  gui::TSectorEdit edit(nullptr);
  edit.SetBounds(0, 4294967295u);
  edit.setText("4294967295");
  EXPECT_TRUE(edit.hasAcceptableInput());
  EXPECT_EQ(edit.Value(), 4294967295u);
  QString over = "4294967296";
  int pos = 0;
  EXPECT_EQ(edit.validator()->validate(over, pos), QValidator::Invalid);
  QString letters = "12a";
  EXPECT_EQ(edit.validator()->validate(letters, pos), QValidator::Invalid);
  // Narrower bounds pull the value in; equal bounds leave the field free.
  edit.SetBounds(0, 100);
  EXPECT_EQ(edit.Value(), 100u);
  edit.SetBounds(0, 0);
  edit.setText("3000000000");
  EXPECT_EQ(edit.Value(), 3000000000u);
  edit.setText("18446744073709551615");
  EXPECT_TRUE(edit.hasAcceptableInput());
  EXPECT_EQ(edit.Value(), UINT64_MAX);
  QString past64 = "18446744073709551616";
  EXPECT_EQ(edit.validator()->validate(past64, pos), QValidator::Invalid);
  // Bounds past 32 bits hold as the narrow ones do.
  edit.SetBounds(0, 6442450944u);
  EXPECT_EQ(edit.Value(), 6442450944u);
  QString over64 = "6442450945";
  EXPECT_EQ(edit.validator()->validate(over64, pos), QValidator::Invalid);
}

TEST_F(NavigationTest, CaptionEscapeAndTheBottomBarLaunches) {
  gui::TMainForm form;
  form.show();
  EXPECT_TRUE(form.windowTitle().startsWith("Quillot v. "));
  EXPECT_EQ(form.size(), QSize(584, 392));
  EXPECT_EQ(form.objectName(), "MainForm");

  const std::string recovered = (env.Home() / "Recovered Audio Files").string() + "/";
  std::filesystem::create_directories(recovered);
  RecoveryTargetFolder = recovered;
  form.FinishButtonExploreClick();
  ASSERT_EQ(Launches.size(), 1u);
  EXPECT_EQ(Launches[0].Program, "xdg-open");
  EXPECT_EQ(Launches[0].Arguments, QStringList{QString::fromStdString(recovered)});  // one folder, blanks and all
  form.FinishButtonFeedbackClick();
  ASSERT_EQ(Launches.size(), 2u);
  EXPECT_EQ(Launches[1].Arguments, QStringList{gui::kFeedbackPage});
  EXPECT_TRUE(dialogs.Shown.empty());

  // A launch that fails says what could not be run, under "Error".
  LaunchSucceeds = false;
  EXPECT_FALSE(gui::ExecuteFile("no-such-program-here", ""));
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Unable to execute external program no-such-program-here.");
  EXPECT_EQ(dialogs.Shown[0].Caption, "Error");
  EXPECT_EQ(dialogs.Shown[0].Icon, TDialogIcon::Error);

  // Opening a folder or address that fails names it and the reason, not the opener alone.
  const std::filesystem::path noOpener = env.Home() / "bin-without-opener";
  const std::filesystem::path withOpener = env.Home() / "bin-with-opener";
  std::filesystem::create_directories(noOpener);
  std::filesystem::create_directories(withOpener);
  std::fclose(std::fopen((withOpener / "xdg-open").c_str(), "w"));
  std::filesystem::permissions(withOpener / "xdg-open", std::filesystem::perms::owner_all);
  const QByteArray savedPath = qgetenv("PATH");
  struct TOpenRow {
    std::string folder;  // empty: the feedback button
    bool launches;
    std::filesystem::path path;
    std::string text;
  };
  const std::string missing = (env.Home() / "never made").string();
  const std::string feedback = gui::kFeedbackPage;
  const TOpenRow openRows[] = {
      {missing, true, withOpener, "Cannot open " + missing + ": the folder does not exist."},
      {"", false, noOpener,
       "Cannot open " + feedback + ": no program that opens folders and web pages (xdg-open) is installed."},
      {"", false, withOpener,
       "Cannot open " + feedback + ": the program that opens folders and web pages (xdg-open) did not start."},
      {recovered, false, withOpener,
       "Cannot open " + recovered + ": the program that opens folders and web pages (xdg-open) did not start."},
  };
  for (const TOpenRow& row : openRows) {
    SCOPED_TRACE(row.text);
    dialogs.Shown.clear();
    LaunchSucceeds = row.launches;
    qputenv("PATH", QByteArray::fromStdString(row.path.string()));
    RecoveryTargetFolder = row.folder;
    if (row.folder.empty()) {
      form.FinishButtonFeedbackClick();
    } else {
      form.FinishButtonExploreClick();
    }
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].Text, row.text);
    EXPECT_EQ(dialogs.Shown[0].Caption, "Error");
  }
  qputenv("PATH", savedPath);
  // A folder that is not there is not handed to the opener.
  EXPECT_EQ(Launches.size(), 6u);

  // Esc presses Close only while Close is enabled.
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.ButtonClose->setEnabled(false);
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_TRUE(form.isVisible());
  form.ButtonClose->setEnabled(true);
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible());
}

// Tab goes round the page's controls, top to bottom, then the bottom bar's, and back to the first; Enter
// presses Next wherever it is enabled. The format check boxes keep to the mouse.
TEST_F(NavigationTest, TabGoesRoundEveryControlOfThePageAndEnterPressesNext) {
  TFormat* wav = AddFormat("Audio", "WAV", "Wave", true);
  const char letter = AttachZeroImage("disk.img", 64);
  gui::TMainForm form(letter);
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  struct TRow {
    int page;
    QStringList chain;  // from the control Tab starts at
    bool enterMoves;
  };
  const TRow rows[] = {
      {gui::TMainForm::kStartPage,
       {"StartListViewDrives", "StartButtonRescan", "StartButtonAddImage", "StartButtonAdvParams", "ButtonAbout",
        "ButtonNext", "ButtonClose", "ButtonHelp"},
       true},
      {gui::TMainForm::kTypesPage,
       {"TypesTreeView", "ButtonAbout", "ButtonBack", "ButtonNext", "ButtonClose", "ButtonHelp"},
       true},
      {gui::TMainForm::kDestinationPage,
       {"DestinationFolderEdit", "DestinationFolderBrowse", "ButtonAbout", "ButtonBack", "ButtonNext", "ButtonClose",
        "ButtonHelp"},
       true},
      // Before a pass Next is off: Enter stays.
      {gui::TMainForm::kProgressPage,
       {"ProgressStartSectorSpinEdit", "ProgressMemoLog", "ProgressButtonStart", "ButtonAbout", "ButtonBack",
        "ButtonClose", "ButtonHelp"},
       false},
      {gui::TMainForm::kFinishPage,
       {"FinishButtonExplore", "FinishButtonFeedback", "ButtonAbout", "ButtonBack", "ButtonClose", "ButtonHelp"},
       false},
  };
  form.DestinationFolderEdit->setText(QString::fromStdString((env.Home() / "out").string()));
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.page);
    while (form.ActivePage() < row.page) form.ButtonNextClick();
    ASSERT_EQ(form.ActivePage(), row.page);
    form.findChild<QWidget*>(row.chain.first())->setFocus();
    QStringList visited;
    for (qsizetype i = 0; i < row.chain.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, row.chain.mid(1) << row.chain.first());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(form.ActivePage(), row.enterMoves ? row.page + 1 : row.page);
    if (row.page == gui::TMainForm::kTypesPage) {
      // Space on a format ticks it off and on again, as a press on its check box does; Enter still moves on.
      form.ButtonBackClick();
      form.TypesTreeView->setFocus();
      form.TypesTreeView->setCurrentItem(form.TypesTreeView->topLevelItem(0)->child(0));
      QTest::keyClick(form.TypesTreeView, Qt::Key_Space);
      EXPECT_FALSE(wav->Search);
      QTest::keyClick(form.TypesTreeView, Qt::Key_Space);
      EXPECT_TRUE(wav->Search);
      QTest::keyClick(form.TypesTreeView, Qt::Key_Enter);  // the keypad's Enter too
      EXPECT_EQ(form.ActivePage(), gui::TMainForm::kDestinationPage);
    }
  }

  // Once a pass has ended, Enter on the Progress page goes on to the Finish page.
  form.ButtonBackClick();
  form.ProgressButtonStart->click();
  ASSERT_TRUE(form.ButtonNext->isEnabled());
  QTest::keyClick(form.ProgressButtonStart, Qt::Key_Return);
  EXPECT_EQ(form.ActivePage(), gui::TMainForm::kFinishPage);
  EXPECT_EQ(form.size(), QSize(584, 392));
}

TEST(ExecuteFileReal, AProgramThatDoesNotExistIsNamedInTheErrorBox) {
  TScriptedDialogs dialogs;
  EXPECT_FALSE(gui::ExecuteFile("/nonexistent/quillot-test-program", "a b"));
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Unable to execute external program /nonexistent/quillot-test-program.");
}

TEST_F(NavigationTest, ADriveWithoutSectorsOnlyShowsTheMessage) {
  const char empty = AttachZeroImage("empty.img", 0);
  gui::TMainForm form(empty);
  form.show();
  for (int i = 0; i < 3; ++i) form.ButtonNextClick();
  EXPECT_EQ(form.ProgressLabelTotalSectors->text(), "0");
  form.ProgressButtonStartClick();
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Error: DriveParams.TotalPhysSec = 0. Recovery stopped.");
  EXPECT_EQ(dialogs.Shown[0].Buttons, TDialogButtons::Ok);
  EXPECT_TRUE(form.ProgressMemoLog->toPlainText().isEmpty());
  EXPECT_FALSE(form.PassDone());
  EXPECT_FALSE(form.ButtonNext->isEnabled());
}

}  // namespace quillot::testing
