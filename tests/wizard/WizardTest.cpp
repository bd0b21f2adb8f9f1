// The wizard driven through a front-end that shows nothing: page order, CheckState, the chosen drive, the
// Types tree, the Progress page as the pass's view and the Finish page's figures.
#include <algorithm>
#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "drive/DriveTable.h"
#include "formats/FileTypes.h"
#include "platform/ProgramFolder.h"
#include "support/FakeDisk.h"
#include "support/FakeWizardView.h"
#include "support/ScriptedDialogs.h"
#include "support/TempEnvironment.h"
#include "wizard/Wizard.h"
#include "wizard/WizardMessages.h"

namespace quillot::testing {

class WizardTest : public ::testing::Test {
 protected:
  WizardTest() {
    ReadVersionInfo();
    GlobalFirstStart = false;
    DataStorage = std::make_unique<TDataStorage>();
  }
  ~WizardTest() override { DataStorage.reset(); }

  TFormat* AddFormat(const std::string& category, const std::string& title, bool search) {
    auto f = std::make_unique<TFormat>();
    f->Category = category;
    f->Title = title;
    f->TypeDescription = title + " file";
    f->Search = search;
    f->FileExtension = "bin";
    f->FilePrefix = "f";
    f->ScanBytes = "0=#$AB,1=#$CD";
    return DataStorage->Formats.Add(std::move(f));
  }
  // A disk of sectors 512-byte sectors under letter, with a file start at each sector of starts.
  std::shared_ptr<TFakeDisk> Disk(char letter, uint32_t sectors, std::initializer_list<uint32_t> starts = {}) {
    auto disk = std::make_shared<TFakeDisk>(uint64_t{sectors} * 512);
    for (uint32_t s : starts) {
      disk->Data[uint64_t{s} * 512] = 0xAB;
      disk->Data[uint64_t{s} * 512 + 1] = 0xCD;
    }
    drives.push_back(std::make_unique<TFakeDiskRegistration>(letter, disk));
    return disk;
  }
  // Made and shown: the creation steps and the Start page's first showing.
  TWizard& Open(char preferred = 0) {
    wizard = std::make_unique<TWizard>(view, preferred);
    wizard->Create();
    wizard->StartTabSheetShow();
    return *wizard;
  }
  void WalkTo(int page) {
    while (wizard->ActivePage() < page) wizard->ButtonNextClick();
  }

  TTempEnvironment env;
  TScriptedDialogs dialogs;
  TScopedEmptyDriveTable emptyTable;
  std::vector<std::unique_ptr<TFakeDiskRegistration>> drives;
  TFakeWizardView view;
  std::unique_ptr<TWizard> wizard;
};

TEST_F(WizardTest, BackAndNextFollowThePageTableAndStopAtTheEnds) {
  Disk('D', 64);
  TWizard& w = Open();
  struct TRow {
    int page;
    bool back, next, close;
  };
  // Before any pass: Next on the Progress page is off, yet its handler still moves on.
  const TRow rows[] = {{kStartPage, false, true, true},      {kTypesPage, true, true, true},
                       {kDestinationPage, true, true, true}, {kProgressPage, true, false, true},
                       {kFinishPage, true, false, true},     {kFinishPage, true, false, true}};
  w.ButtonBackClick();
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.page);
    EXPECT_EQ(w.ActivePage(), row.page);
    EXPECT_EQ(view.Page, row.page);
    EXPECT_EQ(view[TControl::ButtonBack].Enabled, row.back);
    EXPECT_EQ(view[TControl::ButtonNext].Enabled, row.next);
    EXPECT_EQ(view[TControl::ButtonClose].Enabled, row.close);
    w.ButtonNextClick();
  }
  // Start and Stop keep their states on the pages that do not own them.
  w.ButtonBackClick();
  w.ButtonBackClick();
  view[TControl::ProgressButtonStop].Enabled = true;
  view[TControl::ProgressButtonStart].Enabled = false;
  w.ButtonBackClick();
  EXPECT_TRUE(view[TControl::ProgressButtonStop].Enabled);
  EXPECT_FALSE(view[TControl::ProgressButtonStart].Enabled);
  // Back to the Start page enables Next even with no drive chosen.
  w.DriveLetter = '?';
  w.DriveNumber = 0;
  w.ButtonBackClick();
  EXPECT_EQ(w.ActivePage(), kStartPage);
  EXPECT_TRUE(view[TControl::ButtonNext].Enabled);
}

TEST_F(WizardTest, TheProgressPageTakesOverTheDestinationAndShowsTheDrive) {
  Disk('D', 2048);
  Disk('E', 64)->FailOpen = true;
  TWizard& w = Open();
  ASSERT_EQ(w.DriveLetter, 'D');
  const std::string delim(1, PathDelim);
  struct TRow {
    std::string typed, taken;
  };
  for (const TRow& row : {TRow{"", delim}, TRow{"out" + delim, "out" + delim}, TRow{"out", "out" + delim}}) {
    view[TControl::DestinationFolderEdit].Text = row.typed;
    WalkTo(kProgressPage);
    EXPECT_EQ(RecoveryTargetFolder, row.taken);
    w.ButtonBackClick();
  }
  w.ButtonNextClick();
  EXPECT_EQ(view[TControl::ProgressLabelDestinationFolder].Text, "D:\\ (Ready)");
  EXPECT_EQ(view[TControl::ProgressLabelTotalSectors].Text, "2048");
  EXPECT_EQ(view.StartSectorMax, 2048u);
  EXPECT_TRUE(view[TControl::ProgressButtonStart].Enabled);

  // A drive that cannot be read: not ready, Start off on whatever page, the bounds lifted, the reason said.
  w.DriveLetter = 'E';
  w.DriveNumber = 5;
  w.ButtonBackClick();
  EXPECT_EQ(view[TControl::ProgressLabelDestinationFolder].Text, "E:\\ (Not Ready)");
  EXPECT_FALSE(view[TControl::ProgressButtonStart].Enabled);
  EXPECT_EQ(view.StartSectorMin, view.StartSectorMax);
  EXPECT_FALSE(view[TControl::ProgressLabelDriveProblem].Text.empty());

  // No drive chosen: the drive line and the bounds stay as they were.
  view[TControl::ProgressLabelDestinationFolder].Text = "?:\\";
  view.SetStartSectorBounds(0, 500);
  w.DriveLetter = '?';
  w.CheckState();
  EXPECT_EQ(view[TControl::ProgressLabelDestinationFolder].Text, "?:\\");
  EXPECT_EQ(view.StartSectorMax, 500u);

  // Browse starts at the field's text; Cancel leaves it, a choice replaces it.
  view[TControl::DestinationFolderEdit].Text = "typed";
  w.DestinationFolderBrowseClick();
  EXPECT_EQ(view.PickerStart, "typed");
  EXPECT_EQ(view[TControl::DestinationFolderEdit].Text, "typed");
  view.PickedFolder = "chosen";
  w.DestinationFolderBrowseClick();
  EXPECT_EQ(view[TControl::DestinationFolderEdit].Text, "chosen");
}

TEST_F(WizardTest, TheDriveListChoosesTheFirstOrNamedDriveOnceAndFollowsTheFocusedRow) {
  Disk('C', 64);
  Disk('F', 64);
  struct TRow {
    char preferred, chosen;
  };
  for (const TRow& row : {TRow{0, 'C'}, TRow{'F', 'F'}, TRow{'X', 'C'}}) {
    TWizard& w = Open(row.preferred);
    ASSERT_EQ(view.DriveRows.size(), 2u);
    EXPECT_EQ(view.DriveRows[1].Cells[0], "F");
    EXPECT_EQ(w.DriveLetter, row.chosen);
    EXPECT_EQ(w.DriveNumber, row.chosen - 'A' + 1);
    EXPECT_FALSE(w.DrivesListPending);
  }
  TWizard& w = *wizard;
  // Later showings of the Start page keep the choice.
  view.ChooseDriveRow(1);
  w.StartTabSheetShow();
  EXPECT_EQ(w.DriveLetter, 'C');
  // The click takes the focused row; none leaves no drive and Next off.
  w.StartListViewDrivesClick();
  EXPECT_EQ(w.DriveLetter, 'F');
  EXPECT_TRUE(view[TControl::ButtonNext].Enabled);
  // Rescan rebuilds the list with no focused row but keeps the choice.
  w.StartButtonRescanClick();
  EXPECT_EQ(view.FocusedRow, -1);
  EXPECT_EQ(w.DriveNumber, 6);
  w.StartListViewDrivesClick();
  EXPECT_EQ(w.DriveLetter, '?');
  EXPECT_EQ(w.DriveNumber, 0);
  EXPECT_FALSE(view[TControl::ButtonNext].Enabled);
  EXPECT_FALSE(view[TControl::ButtonBack].Enabled);
  EXPECT_TRUE(view[TControl::ButtonClose].Enabled);
  // An image added is listed and chosen at once; one that cannot be attached is refused in a box.
  const std::string image = (env.Home() / "card.img").string();
  TTempEnvironment::Write(image, std::string(64 * 512, '\0'));
  const char letter = w.AddImage(image);
  EXPECT_EQ(w.DriveLetter, letter);
  EXPECT_EQ(view.DriveRows[static_cast<size_t>(view.FocusedRow)].Hint, image);
  EXPECT_EQ(w.AddImage((env.Home() / "none.img").string()), 0);
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Caption, "Error");
  EXPECT_EQ(w.DriveLetter, letter);
}

TEST_F(WizardTest, TheTypesTreeSortsCategoriesSummarisesChecksAndCopiesThemIntoSearch) {
  TFormat* wav = AddFormat("audio", "WAV", true);
  AddFormat("Playlists", "M3U", false);
  TFormat* mp3 = AddFormat("Audio", "MP3", false);
  TFormat* ogg = AddFormat("Video", "OGV", true);
  TWizard& w = Open();
  const auto& nodes = view.Tree.Nodes();
  const std::vector<int> roots = view.Tree.Roots();
  ASSERT_EQ(roots.size(), 3u);
  // One node for audio and Audio, written as the first format writes it; formats in catalogue order.
  EXPECT_EQ(nodes[static_cast<size_t>(roots[0])].Text, "audio");
  EXPECT_EQ(nodes[static_cast<size_t>(roots[1])].Text, "Playlists");
  EXPECT_EQ(nodes[static_cast<size_t>(roots[2])].Text, "Video");
  const int audio = roots[0];
  const std::vector<int>& formats = nodes[static_cast<size_t>(audio)].Children;
  ASSERT_EQ(formats.size(), 2u);
  EXPECT_EQ(nodes[static_cast<size_t>(formats[0])].Text, "WAV (WAV file)");
  EXPECT_EQ(nodes[static_cast<size_t>(formats[1])].Text, "MP3 (MP3 file)");
  EXPECT_EQ(view.Tree.State(audio), kPartlyChecked);
  EXPECT_EQ(view.Tree.State(roots[1]), kUnchecked);
  EXPECT_EQ(view.Tree.State(roots[2]), kChecked);

  // A press on a partly checked category unchecks it with its formats; the click copies the checks.
  w.SetTypesState(audio, ToggledCheckState(view.Tree.State(audio)));
  EXPECT_EQ(view.Tree.State(formats[0]), kUnchecked);
  DataStorage->Modified = false;
  view.SelectedNode = audio;
  w.TypesTreeViewClick();
  EXPECT_FALSE(wav->Search);
  EXPECT_TRUE(ogg->Search);
  EXPECT_TRUE(DataStorage->Modified);
  EXPECT_FALSE(view[TControl::TypesAdvButtonModify].Enabled);
  // Checking one format turns its category grey; a format node selected enables Modify and Delete.
  w.SetTypesState(formats[1], kChecked);
  EXPECT_EQ(view.Tree.State(audio), kPartlyChecked);
  view.SelectedNode = formats[1];
  w.TypesTreeViewClick();
  EXPECT_TRUE(mp3->Search);
  EXPECT_TRUE(view[TControl::TypesAdvButtonModify].Enabled);
  EXPECT_TRUE(view[TControl::TypesAdvButtonDelete].Enabled);
  // Space does what a press on the selected node's image does, and the checks reach Search at once.
  struct TSpace {
    int node;
    int state;
    bool wav, mp3;
  };
  for (const TSpace& row : {TSpace{formats[1], kUnchecked, false, false}, TSpace{audio, kChecked, true, true},
                            TSpace{formats[0], kUnchecked, false, true}, TSpace{audio, kUnchecked, false, false}}) {
    view.SelectedNode = row.node;
    w.TypesTreeViewSpaceKey();
    EXPECT_EQ(view.Tree.State(row.node), row.state) << row.node;
    EXPECT_EQ(wav->Search, row.wav) << row.node;
    EXPECT_EQ(mp3->Search, row.mp3) << row.node;
  }
  EXPECT_EQ(view.Tree.State(audio), kUnchecked);
  EXPECT_FALSE(view[TControl::TypesAdvButtonModify].Enabled);  // a category selected

  // "Show advanced controls" narrows the tree and enables the three buttons, selection or none.
  for (const bool shown : {true, false}) {
    view[TControl::TypesCheckBoxShowAdvanced].Checked = shown;
    w.TypesCheckBoxShowAdvancedClick();
    EXPECT_EQ(view[TControl::TypesTreeView].Width, shown ? 337 : 425);
    EXPECT_EQ(view[TControl::TypesAdvButtonAdd].Enabled, shown);
    EXPECT_EQ(view[TControl::TypesAdvButtonDelete].Enabled, shown);
  }
}

TEST_F(WizardTest, TheIgnoreValueStopsTheCheckFromSpreadingBothWays) {
  // root: shielded (ignore) with below under it, and plain.
  struct TTree {
    std::vector<int> state{-1, -1, -1, -1}, parent{-1, 0, 1, 0};
    int State(int n) const { return state[static_cast<size_t>(n)]; }
    void Store(int n, int s) { state[static_cast<size_t>(n)] = s; }
    int Parent(int n) const { return parent[static_cast<size_t>(n)]; }
    static bool IsNode(int n) { return n >= 0; }
    int ChildCount(int n) const { return n == 0 ? 2 : n == 1 ? 1 : 0; }
    int Child(int n, int i) const { return n == 0 ? (i == 0 ? 1 : 3) : 2; }
  } t;
  constexpr int root = 0, shielded = 1, below = 2, plain = 3;
  const int ignore = 0;
  SetCheckState(t, below, kUnchecked, true, ignore);
  SetCheckState(t, plain, kUnchecked, true, ignore);
  SetCheckState(t, shielded, ignore, true, ignore);
  SetCheckState(t, root, kChecked, true, ignore);
  EXPECT_EQ(t.State(plain), kChecked);
  EXPECT_EQ(t.State(shielded), ignore);
  EXPECT_EQ(t.State(below), kUnchecked);  // never reached
  SetCheckState(t, plain, kUnchecked, true, ignore);
  EXPECT_EQ(t.State(root), kPartlyChecked);  // the ignore value is neither 1 nor 2
  SetCheckState(t, below, kChecked, true, ignore);
  EXPECT_EQ(t.State(shielded), ignore);
  EXPECT_EQ(t.State(root), kPartlyChecked);
  // Partly checked, or recursion off, spreads nothing.
  SetCheckState(t, root, kPartlyChecked, true, ignore);
  EXPECT_EQ(t.State(plain), kUnchecked);
  SetCheckState(t, root, kChecked, false, ignore);
  EXPECT_EQ(t.State(plain), kUnchecked);
  for (const auto& [from, to] :
       {std::pair{kUnchecked, kChecked}, std::pair{kChecked, kUnchecked}, std::pair{kPartlyChecked, kUnchecked},
        std::pair{kNoCheckState, kNoCheckState}, std::pair{0, 0}})
    EXPECT_EQ(ToggledCheckState(from), to) << from;
}

TEST_F(WizardTest, AddModifyAndDeleteChangeTheCatalogueOnlyWhenConfirmed) {
  TFormat* wav = AddFormat("Audio", "WAV", true);
  AddFormat("Audio", "MP3", true);
  TWizard& w = Open();
  // Add: Cancel changes nothing; OK appends the dialog's format, rebuilds and selects it.
  const int builds = view.TreeBuilds;
  w.TypesAdvButtonAddClick();
  EXPECT_EQ(DataStorage->Formats.Count(), 2);
  EXPECT_FALSE(DataStorage->Modified);
  view.FormatDialog = [](TFormat& f) {
    EXPECT_EQ(f.Category, "Miscelaneous");  // a new format's defaults
    EXPECT_EQ(f.Title, "Untitled");
    return true;
  };
  w.TypesAdvButtonAddClick();
  ASSERT_EQ(DataStorage->Formats.Count(), 3);
  EXPECT_EQ(view.TreeBuilds, builds + 1);
  EXPECT_EQ(view.Tree.FormatAt(view.SelectedNode), &DataStorage->Formats.Items(2));
  EXPECT_TRUE(DataStorage->Modified);

  // Modify in place: the node's text and check follow; a category that changes only in case rebuilds.
  view.SelectedNode = view.Tree.NodeOf(wav);
  struct TRow {
    std::string category, description;
    bool search, rebuilds;
  };
  for (const TRow& row : {TRow{"Audio", "Wave", false, false}, TRow{"audio", "Wave", false, true}}) {
    DataStorage->Modified = false;
    view.FormatDialog = [&](TFormat& f) {
      f.Category = row.category;
      f.TypeDescription = row.description;
      f.Search = row.search;
      return true;
    };
    const int before = view.TreeBuilds;
    w.TypesAdvButtonModifyClick();
    EXPECT_EQ(view.TreeBuilds, before + (row.rebuilds ? 1 : 0));
    const int node = view.Tree.NodeOf(wav);
    EXPECT_EQ(view.SelectedNode, node);
    EXPECT_EQ(view.Tree.Nodes()[static_cast<size_t>(node)].Text, "WAV (Wave)");
    EXPECT_EQ(view.Tree.State(node), kUnchecked);
    EXPECT_EQ(view.Tree.State(view.Tree.Parent(node)), kPartlyChecked);
    EXPECT_TRUE(DataStorage->Modified);
  }
  // Modify and Delete do nothing on a category node.
  view.SelectedNode = view.Tree.Parent(view.Tree.NodeOf(wav));
  w.TypesAdvButtonDeleteClick();
  EXPECT_TRUE(dialogs.Shown.empty());
  // Delete asks with the title; No keeps, Yes removes.
  view.SelectedNode = view.Tree.NodeOf(wav);
  for (const TDialogAnswer answer : {TDialogAnswer::No, TDialogAnswer::Yes}) {
    dialogs.Answers = {answer};
    w.TypesAdvButtonDeleteClick();
  }
  ASSERT_EQ(dialogs.Shown.size(), 2u);
  EXPECT_EQ(dialogs.Shown[0].Text, "Do you really want to remove \"WAV\" file format?");
  EXPECT_EQ(dialogs.Shown[0].Caption, "Confirmation");
  EXPECT_EQ(DataStorage->Formats.Count(), 2);
  EXPECT_EQ(view.Tree.NodeOf(wav), -1);
}

TEST_F(WizardTest, APassShowsItsFiguresLogAndClockAndTheFinishPageItsLines) {
  AddFormat("Test", "Test", true);
  Disk('D', 200, {0, 20, 90});
  TWizard& w = Open();
  w.SetRefreshInterval(0);
  double now = 100;
  w.Clock = [&] { return now; };
  std::vector<std::string> elapsed;
  bool clockShown = false;
  // Each repaint the clock moves a second on.
  view.OnEventsRun = [&] {
    now += 1;
    elapsed.push_back(view[TControl::ProgressLabelElapsedTime].Text);
    clockShown = clockShown || view[TControl::ProgressLabelTimeLeft].Visible;
    EXPECT_FALSE(view[TControl::ButtonNext].Enabled);
    EXPECT_FALSE(view[TControl::StartTabSheet].Enabled);
  };
  // Files an earlier pass left are counted before Start; others are not.
  std::filesystem::create_directories(env.Home() / "out");
  for (const char* name : {"f00001.bin", "f00007.bin", "f1.bin", "g00002.bin", "f00003.wav", "notes.txt"})
    std::fclose(std::fopen((env.Home() / "out" / name).string().c_str(), "w"));
  view[TControl::DestinationFolderEdit].Text = (env.Home() / "out").string();
  WalkTo(kProgressPage);
  EXPECT_EQ(view[TControl::ProgressLabelExistingFiles].Text,
            "The destination folder already holds 2 recovered files; new files are numbered after them.");
  EXPECT_TRUE(view[TControl::ProgressLabelExistingFiles].Visible);
  RecoverySectorsToRead = 50;
  w.ProgressButtonStartClick();
  EXPECT_TRUE(w.PassDone());
  EXPECT_EQ(w.FilesFound(), 3);
  EXPECT_NE(view[TControl::ProgressLabelExistingFiles].Text.find(" 5 "), std::string::npos);
  EXPECT_TRUE(view[TControl::FinishLabelStopped].Text.empty());
  EXPECT_TRUE(clockShown);
  EXPECT_NE(std::find(elapsed.begin(), elapsed.end(), "0:00:01"), elapsed.end());
  EXPECT_FALSE(view[TControl::ProgressLabelTimeLeft].Visible);
  EXPECT_EQ(view[TControl::ProgressLabelCurSector].Text, "0");
  EXPECT_EQ(view.Progress, 0);
  EXPECT_EQ(view[TControl::ProgressLabelFilesFound].Text, "3");
  EXPECT_EQ(view[TControl::ProgressLabelStatus].Text, "Finished");
  ASSERT_FALSE(view.Log.empty());
  EXPECT_EQ(view.Log.back(), "Recovery finished.");
  // Next and the pages come back; the Finish page counts the files written and words their verdicts.
  EXPECT_TRUE(view[TControl::ButtonNext].Enabled);
  EXPECT_TRUE(view[TControl::StartTabSheet].Enabled);
  EXPECT_EQ(view[TControl::FinishLabel2].Text, "3");
  EXPECT_FALSE(view[TControl::FinishLabelStarts].Visible);
  EXPECT_FALSE(view[TControl::FinishLabelVerdicts].Text.empty());
  EXPECT_TRUE(view[TControl::FinishButtonReview].Enabled);
  EXPECT_EQ(w.PassFiles().size(), 3u);
  // The pass ran in the active window: no call for attention, however long.
  EXPECT_EQ(view.Attention, 0);
  w.ButtonNextClick();
  w.FinishButtonExploreClick();
  w.FinishButtonFeedbackClick();
  w.LabelWebSiteClick();
  const std::vector<std::pair<std::string, std::string>> opened{
      {kFileExplorer, RecoveryTargetFolder}, {kFeedbackPage, ""}, {kHomePage, ""}};
  EXPECT_EQ(view.Opened, opened);
}

TEST_F(WizardTest, StopEndsThePassAtTheChunkAndACloseWaitsForIt) {
  AddFormat("Test", "Test", true);
  Disk('D', 400, {0, 100, 300});
  TWizard& w = Open();
  w.SetRefreshInterval(0);
  view[TControl::DestinationFolderEdit].Text = (env.Home() / "out").string();
  WalkTo(kProgressPage);
  RecoverySectorsToRead = 100;
  struct TRow {
    bool byClose;
  };
  for (const TRow row : {TRow{false}, TRow{true}}) {
    SCOPED_TRACE(row.byClose);
    std::string statusAtStop;
    bool closed = true;
    view.Closes = 0;
    view.StartSectorValue = 0;
    view.OnEventsRun = [&] {
      // Once the second chunk is being read: the file that began at sector 100 is open.
      const std::string sector = view[TControl::ProgressLabelCurSector].Text;
      if (!statusAtStop.empty() || !w.Running() || sector.empty() || std::stoull(sector) < 150) return;
      if (row.byClose)
        closed = w.MayClose();
      else
        w.ProgressButtonStopClick();
      // A close waits as Stop does, and the page says so alike.
      statusAtStop = view[TControl::ProgressLabelStatus].Text;
      EXPECT_FALSE(view[TControl::ProgressButtonStop].Enabled);
    };
    w.ProgressButtonStartClick();
    EXPECT_EQ(statusAtStop, "Stopping after this chunk");
    EXPECT_EQ(view[TControl::ProgressLabelStatus].Text, "Stopped");
    EXPECT_EQ(closed, !row.byClose);
    EXPECT_EQ(view.Closes, row.byClose ? 1 : 0);  // the close asked for in mid-pass, carried out once it ended
    EXPECT_EQ(view.Log.back(), "Recovery cancelled.");
    EXPECT_EQ(view.Log.end()[-2], "To go on from here, start again from sector 100.");
    EXPECT_EQ(w.FilesFound(), 2);
    // The field holds where to go on from; the Finish page says so too.
    EXPECT_EQ(view.StartSectorValue, 100u);
    EXPECT_EQ(view[TControl::FinishLabelStopped].Text,
              "The recovery was stopped before the end of the drive. To go on, start again from sector 100.");
    EXPECT_TRUE(w.MayClose());
  }
  // Going on from there recovers the rest and the stop is no longer mentioned.
  view.OnEventsRun = nullptr;
  w.ProgressButtonStartClick();
  EXPECT_EQ(w.Pass().FilesFound, 2);
  EXPECT_EQ(view[TControl::ProgressLabelStatus].Text, "Finished");
  EXPECT_TRUE(view[TControl::FinishLabelStopped].Text.empty());
}

TEST_F(WizardTest, StartRefusesADestinationItCannotUseBeforeReadingAndAFatalEndIsSaid) {
  TFormat* format = AddFormat("Test", "Test", true);
  auto disk = Disk('D', 64, {0, 10});
  TWizard& w = Open();
  const std::string blocker = (env.Home() / "file").string();
  std::fclose(std::fopen(blocker.c_str(), "w"));
  struct TRow {
    std::string folder, said;
  };
  const TRow rows[] = {
      {blocker + "/sub", "The destination folder " + blocker + "/sub/ cannot be created: Not a directory."},
      {"/proc/quillot-out", "The destination folder /proc/quillot-out/ cannot be created: "},
      {"/proc", "Recovered files cannot be written into /proc/: "},
      {"D:\\out", "Destination folder is on the same drive as source."},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.folder);
    dialogs.Shown.clear();
    view.Log.clear();
    view[TControl::DestinationFolderEdit].Text = row.folder;
    WalkTo(kProgressPage);
    w.ProgressButtonStartClick();
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0].Text.substr(0, row.said.size()), row.said);
    EXPECT_EQ(dialogs.Shown[0].Icon, TDialogIcon::Warning);
    EXPECT_TRUE(view.Log.empty());
    EXPECT_EQ(disk->Reads, 0u);
    EXPECT_FALSE(w.PassDone());
    w.ButtonBackClick();
  }
  EXPECT_FALSE(std::filesystem::exists("D:\\out"));

  // No file can be created (a prefix that leads out of the folder): the error follows its file's line,
  // a message says the pass ended on an error, and so does the status.
  format->FilePrefix = "../f";
  dialogs.Shown.clear();
  view[TControl::DestinationFolderEdit].Text = (env.Home() / "out").string();
  WalkTo(kProgressPage);
  w.ProgressButtonStartClick();
  EXPECT_GT(disk->Reads, 0u);
  ASSERT_GE(view.Log.size(), 4u);
  EXPECT_EQ(view.Log[1], "Recovering file: ../f00001.bin...");
  EXPECT_EQ(view.Log[2].rfind("Error: Cannot create destination file: ", 0), 0u) << view.Log[2];
  EXPECT_EQ(view.Log.back(), "Recovery encountered an fatal error.");
  ASSERT_EQ(dialogs.Shown.size(), 1u);
  EXPECT_EQ(dialogs.Shown[0].Text, Tr(strPassEndedOnError));
  EXPECT_EQ(view[TControl::ProgressLabelStatus].Text, "Stopped by an error");
}

TEST_F(WizardTest, ALongPassThatEndsUnseenAsksForAttentionOnce) {
  AddFormat("Test", "Test", true);
  Disk('D', 64);
  TWizard& w = Open();
  double now = 0;
  w.Clock = [&] { return now += 4; };
  view[TControl::DestinationFolderEdit].Text = (env.Home() / "out").string();
  WalkTo(kProgressPage);
  struct TRow {
    bool active;
    double after;
    int asks;
  };
  for (const TRow& row : {TRow{false, 0, 1}, TRow{true, 0, 0}, TRow{false, 1e9, 0}}) {
    view.Attention = 0;
    view.ActiveWindow = row.active;
    w.AttentionAfterSeconds = row.after;
    w.ProgressButtonStartClick();
    EXPECT_EQ(view.Attention, row.asks) << row.active << " " << row.after;
  }
}

TEST_F(WizardTest, CreationAsksTheLanguageOnTheFirstStartAndTranslatesOnlyWithALanguage) {
  AddFormat("Audio", "WAV", true);
  struct TRow {
    bool firstStart;
    std::string language;
    int questions, translations;
  };
  for (const TRow& row : {TRow{true, "", 1, 0}, TRow{false, "German.lng", 0, 1}, TRow{false, "", 0, 0}}) {
    GlobalFirstStart = row.firstStart;
    GlobalLanguage = row.language;
    RecoveryAdvancedMode = row.firstStart;
    TFakeWizardView fresh;
    TWizard w(fresh);
    w.Create();
    EXPECT_EQ(fresh.LanguageQuestions, row.questions);
    EXPECT_EQ(fresh.Translations, row.translations);
    EXPECT_EQ(fresh.Caption, ProductName + " v. " + ProductVersion);
    EXPECT_EQ(fresh[TControl::DestinationFolderEdit].Text, RecoveryTargetFolder);
    EXPECT_EQ(fresh[TControl::TypesCheckBoxShowAdvanced].Visible, RecoveryAdvancedMode);
    EXPECT_EQ(fresh[TControl::TypesTreeView].Width, 425);
    EXPECT_TRUE(w.DrivesListPending);
    // Expert mode switched in the Advanced Parameters dialog shows or hides the check box only.
    fresh.AdvancedParameters = [](int page) {
      EXPECT_EQ(page, 0);
      RecoveryAdvancedMode = !RecoveryAdvancedMode;
      return true;
    };
    w.StartButtonAdvParamsClick();
    EXPECT_EQ(fresh[TControl::TypesCheckBoxShowAdvanced].Visible, !row.firstStart);
    EXPECT_EQ(fresh[TControl::TypesTreeView].Width, 425);
  }
}

}  // namespace quillot::testing
