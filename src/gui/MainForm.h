// The wizard window: five pages (drive, types, destination, progress, finish) walked with Back and
// Next. The recovery pass runs inside the Start button's handler on this thread, with this window as
// its view.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "drive/IORoutines.h"
#include "engine/Destination.h"
#include "engine/RecoveryPass.h"
#include "engine/RecoveryView.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillot::gui {

class TBusyAnimation;
class TSectorEdit;
class TTypesTreeView;
class TFolderPicker;
class TReviewWindow;

class TMainForm : public QWidget, public TRecoveryView {
  Q_OBJECT
 public:
  enum TPage { kStartPage = 0, kTypesPage, kDestinationPage, kProgressPage, kFinishPage };

  // Runs the creation steps: translation, drive list, destination, caption, picture, format tree.
  // preferredDrive, when a letter, is the drive chosen at the Start page's first showing.
  explicit TMainForm(char preferredDrive = 0, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The chosen source drive.
  char DriveLetter = '?';
  uint8_t DriveNumber = 0;
  TDriveParams DriveParams;
  bool DrivesListPending = false;

  // The pass state the wizard reads.
  bool Running() const { return pass_->Running; }
  bool StopRequested() const { return pass_->StopRequested; }
  bool PassDone() const { return pass_->PassDone; }
  int32_t FilesFound() const { return pass_->FilesFound; }
  // The files the last pass wrote: starts whose file the destination could not create are not among them.
  int32_t FilesWritten() const;
  const TRecoveryPass& Pass() const { return *pass_; }

  int ActivePage() const;
  // Buttons and Progress-page labels in line with the page, the pass flags and the chosen drive.
  void CheckState() override;
  void StartRecovery();
  void FillDrivesList();
  void ReloadFileFormats();
  // The caption: ProductName, "v.", ProductVersion.
  QString WindowCaption() const;

  // Where recovered files go; a dry run writes nothing. The window keeps what it is given.
  void SetDestination(std::unique_ptr<TDestination> destination);
  // How often the window repaints and lets events run during a pass, in milliseconds.
  void SetRefreshInterval(int milliseconds) { refreshInterval_ = milliseconds; }
  // Called at every repaint during a pass (tests and the timing mode watch the pass through it).
  std::function<void(uint64_t sector)> OnRefresh;
  // Asks the window system to draw the user's eye to the window: after a pass of at least
  // AttentionAfterSeconds that ended while the window was not the active one.
  std::function<void(QWidget*)> AskAttention = [](QWidget* window) { QApplication::alert(window); };
  double AttentionAfterSeconds = 10;
  // Seconds from the first sector of the last pass to its end steps.
  double LastPassSeconds() const { return lastPassSeconds_; }
  // The Finish page's line of verdicts, empty when the last pass wrote no file.
  QString VerdictLine() const;
  // The line under it: the files put back together from pieces (a trimming pass), or those that hold bytes
  // after their recording's end (a pass that did not trim); empty when there are none.
  QString PiecesLine() const;
  // The Finish page's line of starts found, empty when every start became a file.
  QString StartsLine() const;
  // The files the last pass wrote, in the order they were closed.
  const std::vector<TRecoveredFile>& PassFiles() const { return passFiles_; }
  // The review window the Finish page opened, while it is open.
  TReviewWindow* ReviewWindow() const;

  // Controls, named as the language files name them.
  QLabel* Image1;
  QTabWidget* PageControlMain;
  QWidget* StartTabSheet;
  QWidget* TypesTabSheet;
  QWidget* DestinationTabSheet;
  QWidget* TabSheetProgress;
  QWidget* TabSheetFinish;
  QWidget* PanelBottom;
  QPushButton* ButtonAbout;
  QLabel* LabelWebSite;
  QPushButton* ButtonBack;
  QPushButton* ButtonNext;
  QPushButton* ButtonClose;
  QPushButton* ButtonHelp;

  QTreeWidget* StartListViewDrives;
  QPushButton* StartButtonRescan;
  QPushButton* StartButtonAddImage;
  QPushButton* StartButtonAdvParams;

  TTypesTreeView* TypesTreeView;
  QPushButton* TypesAdvButtonAdd;
  QPushButton* TypesAdvButtonModify;
  QPushButton* TypesAdvButtonDelete;
  QCheckBox* TypesCheckBoxShowAdvanced;
  QList<QIcon> ImageListIcons;

  QLineEdit* DestinationFolderEdit;
  QPushButton* DestinationFolderBrowse;
  TFolderPicker* DestinationFolderDialog;

  QLabel* ProgressLabelDestinationFolder;
  QLabel* ProgressLabelTotalSectors;
  TSectorEdit* ProgressStartSectorSpinEdit;
  QLabel* ProgressLabelCurSector;
  QLabel* ProgressLabelFilesFound;
  QLabel* ProgressLabelReadErrors;
  QLabel* ProgressLabelStatus;
  QLabel* ProgressLabelDriveProblem;
  QLabel* ProgressLabelElapsedTime;
  QLabel* ProgressLabelSpeedValue;
  QLabel* ProgressLabelTimeLeft;
  QProgressBar* ProgressBar;
  TBusyAnimation* ProgressAnimate;
  QPlainTextEdit* ProgressMemoLog;
  QPushButton* ProgressButtonStart;
  QPushButton* ProgressButtonStop;

  QLabel* FinishLabel1;
  QLabel* FinishLabel2;
  QLabel* FinishLabelStarts;
  QLabel* FinishLabelVerdicts;
  QLabel* FinishLabelPieces;
  QPushButton* FinishButtonExplore;
  QPushButton* FinishButtonReview;
  QPushButton* FinishButtonFeedback;

 public slots:
  void ButtonNextClick();
  void ButtonBackClick();
  void ButtonCloseClick();
  void ButtonHelpClick();
  void ButtonAboutClick();
  void LabelWebSiteClick();
  void StartButtonRescanClick();
  void StartButtonAddImageClick();
  void StartButtonAdvParamsClick();
  void StartListViewDrivesClick();
  void StartTabSheetShow();
  void TypesTreeViewClick();
  void TypesCheckBoxShowAdvancedClick();
  void TypesAdvButtonAddClick();
  void TypesAdvButtonModifyClick();
  void TypesAdvButtonDeleteClick();
  void DestinationFolderBrowseClick();
  void ProgressButtonStartClick();
  void ProgressButtonStopClick();
  void FinishButtonExploreClick();
  void FinishButtonReviewClick();
  void FinishButtonFeedbackClick();

 public:
  // Attaches an image file under the next free letter and lists it; answers its letter, or 0 after
  // telling the user why not.
  char AddImage(const QString& path);

  // TRecoveryView: what the pass shows and asks.
  void OnPassStarted(uint64_t firstSector, uint64_t totalSectors, uint32_t bytesPerSec) override;
  void OnPassEnded() override;
  void OnSector(uint64_t sector) override {
    current_ = sector;
    // The clock is looked at every 64 sectors; the window repaints on its interval, not per sector.
    if ((++sinceCheck_ & 63) == 0 && refreshClock_.elapsed() >= refreshInterval_) Refresh();
  }
  void ShowFilesFound(int32_t filesFound) override;
  void ShowReadErrors(int32_t readErrors) override;
  void AddLogLine(const std::string& line) override;
  void SetStatus(const std::string& status) override;
  void SetBusy(bool busy) override;
  void SetStartStopEnabled(bool startEnabled, bool stopEnabled) override;
  void ShowMessage(const std::string& text, bool warning) override;
  bool AskYesNo(const std::string& text) override;
  void ProcessMessages() override;
  void OnReading(uint64_t sectorReached) override {
    current_ = sectorReached;
    if (refreshClock_.elapsed() >= refreshInterval_) Refresh();
  }
  void OnFileFinished(const TRecoveredFile& file) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateStartPage();
  void CreateTypesPage();
  void CreateDestinationPage();
  void CreateProgressPage();
  void CreateFinishPage();
  void CreateBottomBar();
  void SetActivePage(int index);
  // Why the chosen drive cannot be read, for the Progress page; empty when it can.
  QString DriveProblem() const;
  QIcon FileIcon(const std::string& extension) const;
  // The format a node of the types tree stands for; none for a category node.
  static TFormat* FormatOf(const QTreeWidgetItem* node);
  void SelectFormatNode(const TFormat* format);
  TFormat* SelectedFormat() const;
  void Refresh();
  // The Progress page's elapsed time, speed and time left, from the pass's clock and current_.
  void ShowClock();
  // Moves the log lines gathered during a pass into ProgressMemoLog.
  void FlushLog();

  std::unique_ptr<TDestination> destination_;
  std::unique_ptr<TRecoveryPass> pass_;
  char preferredDrive_ = 0;
  bool fillingDrives_ = false;
  bool closeAfterPass_ = false;
  bool releaseEndsDoubleClick_ = false;
  // During a pass.
  QElapsedTimer refreshClock_, passClock_;
  double lastPassSeconds_ = 0;
  std::vector<TRecoveredFile> passFiles_;
  QPointer<TReviewWindow> review_;
  QStringList pendingLog_;
  int refreshInterval_ = 50;
  uint64_t first_ = 0, current_ = 0, total_ = 0;
  uint32_t bytesPerSec_ = 0;
  QList<QWidget*> clockRows_;
  uint32_t sinceCheck_ = 0;
};

}  // namespace quillot::gui
