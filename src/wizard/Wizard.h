// The wizard's behaviour, whatever shows it: five pages (drive, types, destination, progress, finish)
// walked with Back and Next, the rules that set their controls (CheckState), the chosen drive, the Types
// tree, and the Progress page as the view of the recovery pass, which runs inside the Start button's
// handler on this thread. A front-end shows it through TWizardView and calls the handlers its controls'
// events name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drive/IORoutines.h"
#include "engine/Destination.h"
#include "engine/RecoveryPass.h"
#include "engine/RecoveryView.h"
#include "wizard/Addresses.h"
#include "wizard/WizardView.h"

namespace quillot {

class TWizard final : public TRecoveryView {
 public:
  // preferredDrive, when a letter, is the drive chosen at the Start page's first showing.
  explicit TWizard(TWizardView& view, char preferredDrive = 0);
  ~TWizard() override;

  // The main window's creation steps, once its controls exist: the first start's language question, the
  // language file and the window's texts, the drive list, the destination, the caption, the Types page.
  void Create();

  // The chosen source drive.
  char DriveLetter = '?';
  uint8_t DriveNumber = 0;
  TDriveParams DriveParams;
  // The Start page has not been shown since the window was created.
  bool DrivesListPending = false;

  // The pass state the wizard reads.
  bool Running() const { return pass_->Running; }
  bool StopRequested() const { return pass_->StopRequested; }
  bool PassDone() const { return pass_->PassDone; }
  int32_t FilesFound() const { return pass_->FilesFound; }
  const TRecoveryPass& Pass() const { return *pass_; }

  int ActivePage() const { return page_; }
  // Buttons and Progress-page labels in line with the page, the pass flags and the chosen drive.
  void CheckState() override;
  void StartRecovery();
  void FillDrivesList();
  void ReloadFileFormats();
  // ProductName, "v.", ProductVersion.
  std::string WindowCaption() const;
  // Attaches an image file under the next free letter, lists it and chooses it; answers its letter, or 0
  // after telling the user why not.
  char AddImage(const std::string& path);
  // Whether the window may close now; while a pass runs, the pass is stopped and the window closes once
  // it has closed its file.
  bool MayClose();

  // Where recovered files go; a dry run writes nothing. Kept as given; not while a pass runs.
  void SetDestination(std::unique_ptr<TDestination> destination);
  // How often the Progress page repaints and lets events run during a pass, in milliseconds.
  void SetRefreshInterval(int milliseconds) { refreshInterval_ = milliseconds / 1000.0; }
  // Called at every repaint during a pass (tests and the timing mode watch the pass through it).
  std::function<void(uint64_t sector)> OnRefresh;
  // Seconds on a steady clock; the Progress page's clock and repaints read it.
  std::function<double()> Clock;
  // After a pass of at least this many seconds that ended while the window was not the active one, the
  // window asks for the user's attention.
  double AttentionAfterSeconds = 10;
  // How the Types page compares categories; the front-end installs the platform's comparison.
  TCategoryOrder CategoryOrder = PlainCategoryOrder();

  // Seconds from the first sector of the last pass to its end steps.
  double LastPassSeconds() const { return lastPassSeconds_; }
  // The files the last pass wrote, in the order they were closed; starts whose file the destination could
  // not create are not among them.
  const std::vector<TRecoveredFile>& PassFiles() const { return passFiles_; }
  int32_t FilesWritten() const { return static_cast<int32_t>(passFiles_.size()); }
  // The sectors the last pass covered, first and past its end.
  uint64_t PassFirstSector() const { return first_; }
  uint64_t PassTotalSectors() const { return total_; }
  // The Finish page's line of starts found, empty when every start became a file.
  std::string StartsLine() const;
  // Its line of verdicts, empty when the last pass wrote no file.
  std::string VerdictLine() const;
  // The line under it: the files put back together from pieces (a trimming pass), or those that hold bytes
  // after their recording's end (a pass that did not trim); empty when there are none.
  std::string PiecesLine() const;

  const std::vector<TDriveRow>& DriveRowsShown() const { return driveRows_; }
  const TTypesTree& TypesTree() const { return types_; }

  // Handlers, named for the control and the event.
  void ButtonNextClick();
  void ButtonBackClick();
  void ButtonAboutClick() { view_.ShowAbout(); }
  void LabelWebSiteClick() { view_.OpenFile(kHomePage, ""); }
  void StartButtonRescanClick();
  void StartButtonAdvParamsClick();
  void StartListViewDrivesClick();
  void StartTabSheetShow();
  // A node's check state set by the user (a press on its image) or the program; it spreads.
  void SetTypesState(int node, int state);
  void TypesTreeViewClick();
  // Space in the tree: the selected node's check changes as a press on its image changes it, and the
  // checks reach Search as after a click.
  void TypesTreeViewSpaceKey();
  void TypesCheckBoxShowAdvancedClick();
  void TypesAdvButtonAddClick();
  void TypesAdvButtonModifyClick();
  void TypesAdvButtonDeleteClick();
  void DestinationFolderBrowseClick();
  void ProgressButtonStartClick();
  void ProgressButtonStopClick();
  void FinishButtonExploreClick();
  void FinishButtonFeedbackClick() { view_.OpenFile(kFeedbackPage, ""); }

  // TRecoveryView: the Progress page as the pass's view.
  void OnPassStarted(uint64_t firstSector, uint64_t totalSectors, uint32_t bytesPerSec) override;
  void OnPassEnded() override;
  void OnSector(uint64_t sector) override {
    current_ = sector;
    // The clock is looked at every 64 sectors; the page repaints on its interval, not per sector.
    if ((++sinceCheck_ & 63) == 0 && Clock() - refreshedAt_ >= refreshInterval_) Refresh();
  }
  void ShowFilesFound(int32_t filesFound) override;
  void ShowReadErrors(int32_t readErrors) override;
  void AddLogLine(const std::string& line) override;
  void SetStatus(const std::string& status) override;
  void SetBusy(bool busy) override { view_.SetBusy(busy); }
  void SetStartStopEnabled(bool startEnabled, bool stopEnabled) override;
  void ShowMessage(const std::string& text, bool warning) override;
  bool AskYesNo(const std::string& text) override;
  void ProcessMessages() override;
  void OnReading(uint64_t sectorReached) override {
    current_ = sectorReached;
    if (Clock() - refreshedAt_ >= refreshInterval_) Refresh();
  }
  void OnFileFinished(const TRecoveredFile& file) override { passFiles_.push_back(file); }

 private:
  void SetActivePage(int page);
  void ShowDriveStatus();
  void ShowFinishFigures();
  // The Progress page's note of the recovered files the destination already holds.
  void ShowExistingFiles();
  // The format of the selected node; none for a category node, no selection, or while a pass runs (the
  // pass holds the catalogue's formats).
  TFormat* SelectedFormat() const;
  void SelectFormatNode(const TFormat* format);
  void Refresh();
  // The Progress page's elapsed time, speed and time left, from the pass's clock and the sector reached.
  void ShowClock();
  void ShowClockRows(bool shown);
  // Moves the log lines gathered during a pass into the log.
  void FlushLog();

  TWizardView& view_;
  std::unique_ptr<TDestination> destination_;
  std::unique_ptr<TRecoveryPass> pass_;
  char preferredDrive_ = 0;
  int page_ = kStartPage;
  bool closeAfterPass_ = false;
  // The files go to the disk (not a dry run, nor a test's destination): the folder is checked at Start and
  // its files counted.
  bool writesFiles_ = true;
  std::vector<TDriveRow> driveRows_;
  TTypesTree types_;
  // During a pass.
  double refreshInterval_ = 0.05;
  double refreshedAt_ = 0;
  std::optional<double> passStartedAt_;
  double lastPassSeconds_ = 0;
  std::vector<TRecoveredFile> passFiles_;
  std::vector<std::string> pendingLog_;
  uint64_t first_ = 0, current_ = 0, total_ = 0;
  uint32_t bytesPerSec_ = 0;
  uint32_t sinceCheck_ = 0;
};

}  // namespace quillot
