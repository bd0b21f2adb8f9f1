// The wizard window: five pages (drive, types, destination, progress, finish) walked with Back and Next.
// What the pages do is the wizard's core (wizard/Wizard.h); this window shows it, lays its controls out
// and hands their events to it.
#pragma once

#include <QApplication>
#include <QIcon>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "wizard/Wizard.h"
#include "wizard/WizardView.h"

class QCheckBox;
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

class TMainForm : public QWidget, private TWizardView {
  Q_OBJECT
 public:
  enum TPage {
    kStartPage = quillot::kStartPage,
    kTypesPage = quillot::kTypesPage,
    kDestinationPage = quillot::kDestinationPage,
    kProgressPage = quillot::kProgressPage,
    kFinishPage = quillot::kFinishPage
  };

  // Makes the controls, then runs the wizard's creation steps. preferredDrive, when a letter, is the drive
  // chosen at the Start page's first showing.
  explicit TMainForm(char preferredDrive = 0, QWidget* parent = nullptr);
  ~TMainForm() override;

  // The wizard this window shows: the chosen drive, the pass and every rule of the pages.
  TWizard& Wizard() { return wizard_; }
  const TWizard& Wizard() const { return wizard_; }

  bool Running() const { return wizard_.Running(); }
  bool StopRequested() const { return wizard_.StopRequested(); }
  bool PassDone() const { return wizard_.PassDone(); }
  int32_t FilesFound() const { return wizard_.FilesFound(); }
  int32_t FilesWritten() const { return wizard_.FilesWritten(); }
  const TRecoveryPass& Pass() const { return wizard_.Pass(); }
  int ActivePage() const { return wizard_.ActivePage(); }
  void CheckState() { wizard_.CheckState(); }
  void StartRecovery() { wizard_.StartRecovery(); }
  void FillDrivesList() { wizard_.FillDrivesList(); }
  void ReloadFileFormats() { wizard_.ReloadFileFormats(); }
  QString WindowCaption() const;
  void SetDestination(std::unique_ptr<TDestination> destination) { wizard_.SetDestination(std::move(destination)); }
  void SetRefreshInterval(int milliseconds) { wizard_.SetRefreshInterval(milliseconds); }
  // Called at every repaint during a pass (tests and the timing mode watch the pass through it).
  std::function<void(uint64_t sector)> OnRefresh;
  // Draws the window system's attention to the window when the wizard asks for it.
  std::function<void(QWidget*)> AskAttention = [](QWidget* window) { QApplication::alert(window); };
  double LastPassSeconds() const { return wizard_.LastPassSeconds(); }
  QString VerdictLine() const;
  QString PiecesLine() const;
  QString StartsLine() const;
  const std::vector<TRecoveredFile>& PassFiles() const { return wizard_.PassFiles(); }
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
  QLabel* ProgressLabelExistingFiles;
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
  QLabel* FinishLabelStopped;
  QPushButton* FinishButtonExplore;
  QPushButton* FinishButtonReview;
  QPushButton* FinishButtonFeedback;

 public slots:
  void ButtonNextClick() { wizard_.ButtonNextClick(); }
  void ButtonBackClick() { wizard_.ButtonBackClick(); }
  void ButtonCloseClick() { close(); }
  void ButtonHelpClick();
  void ButtonAboutClick() { wizard_.ButtonAboutClick(); }
  void LabelWebSiteClick() { wizard_.LabelWebSiteClick(); }
  void StartButtonRescanClick() { wizard_.StartButtonRescanClick(); }
  void StartButtonAddImageClick();
  void StartButtonAdvParamsClick() { wizard_.StartButtonAdvParamsClick(); }
  void StartListViewDrivesClick() { wizard_.StartListViewDrivesClick(); }
  void StartTabSheetShow() { wizard_.StartTabSheetShow(); }
  void TypesTreeViewClick() { wizard_.TypesTreeViewClick(); }
  void TypesTreeViewSpaceKey() { wizard_.TypesTreeViewSpaceKey(); }
  void TypesCheckBoxShowAdvancedClick() { wizard_.TypesCheckBoxShowAdvancedClick(); }
  void TypesAdvButtonAddClick() { wizard_.TypesAdvButtonAddClick(); }
  void TypesAdvButtonModifyClick() { wizard_.TypesAdvButtonModifyClick(); }
  void TypesAdvButtonDeleteClick() { wizard_.TypesAdvButtonDeleteClick(); }
  void DestinationFolderBrowseClick() { wizard_.DestinationFolderBrowseClick(); }
  void ProgressButtonStartClick() { wizard_.ProgressButtonStartClick(); }
  void ProgressButtonStopClick() { wizard_.ProgressButtonStopClick(); }
  void FinishButtonExploreClick() { wizard_.FinishButtonExploreClick(); }
  void FinishButtonReviewClick();
  void FinishButtonFeedbackClick() { wizard_.FinishButtonFeedbackClick(); }

 public:
  // Attaches an image file under the next free letter, lists it and chooses it; answers its letter, or 0
  // after telling the user why not.
  char AddImage(const QString& path);

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
  QIcon FileIcon(const std::string& extension) const;
  QWidget* Control(TControl control) const { return controls_[static_cast<size_t>(control)]; }
  QTreeWidgetItem* TypesItemOf(int node) const;

  // TWizardView: the wizard's controls, lists and dialogs as this window shows them.
  void SetEnabled(TControl control, bool enabled) override;
  void SetVisible(TControl control, bool visible) override;
  void SetText(TControl control, const std::string& text) override;
  std::string Text(TControl control) const override;
  bool Checked(TControl control) const override;
  void SetWidth(TControl control, int width) override;
  void SetCaption(const std::string& caption) override;
  void ShowPage(TWizardPage page) override;
  void ShowDriveRows(const std::vector<TDriveRow>& rows) override;
  void FocusDriveList() override;
  void ChooseDriveRow(int row) override;
  int FocusedDriveRow() const override;
  void ShowTypesTree(const TTypesTree& tree) override;
  void ShowTypesStates(const TTypesTree& tree) override;
  void SelectTypesNode(int node) override;
  int SelectedTypesNode() const override;
  void FocusTypesTree() override;
  void SetStartSectorBounds(uint64_t min, uint64_t max) override;
  uint64_t StartSector() const override;
  void SetStartSector(uint64_t sector) override;
  void SetProgress(int percent) override;
  void AppendLog(const std::vector<std::string>& lines) override;
  void SetBusy(bool busy) override;
  void ArrangeFinishPage() override;
  void ShowLanguageSelection() override;
  void TranslateWindow() override;
  void ShowAbout() override;
  bool ShowAdvancedParameters(int page) override;
  bool EditFormat(TFormat& format) override;
  std::optional<std::string> PickFolder(const std::string& start) override;
  void OpenFile(const std::string& file, const std::string& parameters) override;
  bool IsActiveWindow() const override { return isActiveWindow(); }
  void RequestAttention() override;
  void CloseWindow() override { close(); }
  void LetEventsRun() override;

  TWizard wizard_;
  std::array<QWidget*, kControlCount> controls_{};
  bool fillingDrives_ = false;
  bool releaseEndsDoubleClick_ = false;
  QPointer<TReviewWindow> review_;
};

}  // namespace quillot::gui
