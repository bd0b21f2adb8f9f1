// The wizard's pages, Back and Next, CheckState, and the main window's creation.
#include "wizard/Wizard.h"

#include <chrono>

#include "app/Settings.h"
#include "app/VersionInfo.h"
#include "formats/FileTypes.h"
#include "i18n/Language.h"
#include "i18n/Messages.h"
#include "platform/ProgramFolder.h"
#include "wizard/DestinationCheck.h"
#include "wizard/DriveProblem.h"
#include "wizard/WizardMessages.h"

namespace quillot {

namespace {
double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
}  // namespace

TWizard::TWizard(TWizardView& view, char preferredDrive)
    : Clock(SteadySeconds),
      view_(view),
      destination_(std::make_unique<TDiskDestination>()),
      pass_(std::make_unique<TRecoveryPass>(*this, *destination_)),
      preferredDrive_(preferredDrive) {}

TWizard::~TWizard() = default;

void TWizard::Create() {
  // The first start asks for the language before any text is taken from a language file.
  if (GlobalFirstStart) view_.ShowLanguageSelection();
  // The language file the setting names; the window's own texts come from it.
  if (!GlobalLanguage.empty()) {
    LanguageFile = LoadLanguageFile(GlobalLanguage);
    view_.TranslateWindow();
  }
  SetActivePage(kStartPage);
  FillDrivesList();
  view_.SetText(TControl::DestinationFolderEdit, RecoveryTargetFolder);
  view_.SetCaption(WindowCaption());
  TypesCheckBoxShowAdvancedClick();
  ReloadFileFormats();
  view_.SetVisible(TControl::TypesCheckBoxShowAdvanced, RecoveryAdvancedMode);
  DrivesListPending = true;
  // The first start ends with the quick start, which the front-end opens once the window is shown.
}

std::string TWizard::WindowCaption() const { return ProductName + " " + Tr(strVer) + " " + ProductVersion; }

void TWizard::SetDestination(std::unique_ptr<TDestination> destination) {
  if (Running() || !destination) return;
  // The pass holds a reference to the output, so it is made anew around the new one.
  const bool passDone = pass_->PassDone;
  destination_ = std::move(destination);
  writesFiles_ = dynamic_cast<TDiskDestination*>(destination_.get()) != nullptr;
  pass_ = std::make_unique<TRecoveryPass>(*this, *destination_);
  pass_->PassDone = passDone;
}

void TWizard::SetActivePage(int page) {
  page_ = page;
  view_.ShowPage(static_cast<TWizardPage>(page));
}

void TWizard::ButtonNextClick() {
  if (!Running() && page_ < kFinishPage) SetActivePage(page_ + 1);
  CheckState();
}

void TWizard::ButtonBackClick() {
  if (!Running() && page_ > kStartPage) SetActivePage(page_ - 1);
  CheckState();
}

bool TWizard::MayClose() {
  if (!Running()) return true;
  // The pass ends at its next chunk boundary; the window closes when it has closed its file. The page says
  // so as it does after Stop.
  closeAfterPass_ = true;
  ProgressButtonStopClick();
  return false;
}

void TWizard::CheckState() {
  struct TRow {
    bool back, next, close;
  };
  auto buttons = [this](TRow row) {
    view_.SetEnabled(TControl::ButtonBack, row.back);
    view_.SetEnabled(TControl::ButtonNext, row.next);
    view_.SetEnabled(TControl::ButtonClose, row.close);
  };
  switch (page_) {
    case kStartPage: buttons({false, true, true}); break;
    case kTypesPage:
    case kDestinationPage: buttons({true, true, true}); break;
    case kProgressPage: {
      std::string folder = view_.Text(TControl::DestinationFolderEdit);
      if (folder.empty() || folder.back() != PathDelim) folder += PathDelim;
      RecoveryTargetFolder = folder;
      if (Running()) {
        buttons({false, false, false});
        view_.SetEnabled(TControl::ProgressButtonStart, false);
        view_.SetEnabled(TControl::ProgressButtonStop, !StopRequested());
      } else {
        buttons({true, PassDone(), true});
        view_.SetEnabled(TControl::ProgressButtonStart, true);
        view_.SetEnabled(TControl::ProgressButtonStop, false);
      }
      break;
    }
    case kFinishPage: buttons({true, false, true}); break;
    default: break;
  }

  // The drive layer serves one read at a time, and a slow read lets events run between its transfers:
  // while a pass runs nothing else may reach it, so the pages that choose drives and formats are off
  // and the drive is not asked again.
  for (TControl page : {TControl::StartTabSheet, TControl::TypesTabSheet, TControl::DestinationTabSheet})
    view_.SetEnabled(page, !Running());
  if (DriveLetter != '?' && DriveLetter != '\0' && !Running()) ShowDriveStatus();
  ShowExistingFiles();
  ShowFinishFigures();
}

void TWizard::ShowDriveStatus() {
  std::string status;
  if (GetDriveParams(DriveNumber, DriveParams)) {
    status = Tr(strReady);
    view_.SetStartSectorBounds(0, DriveParams.TotalPhysSec);
    view_.SetText(TControl::ProgressLabelDriveProblem, "");
  } else if (DriveAccessMayBeAsked(DriveLetter)) {
    // Start stays as the page has it: the pass asks the system for access.
    status = Tr(strNoAccess);
    view_.SetStartSectorBounds(0, 0);
    view_.SetText(TControl::ProgressLabelDriveProblem, DriveProblemOf(DriveLetter));
  } else {
    status = Tr(strNotReady);
    view_.SetStartSectorBounds(0, 0);
    view_.SetEnabled(TControl::ProgressButtonStart, false);
    view_.SetText(TControl::ProgressLabelDriveProblem, DriveProblemOf(DriveLetter));
  }
  view_.SetText(TControl::ProgressLabelTotalSectors, std::to_string(DriveParams.TotalPhysSec));
  view_.SetText(TControl::ProgressLabelDestinationFolder, std::string(1, DriveLetter) + ":\\ (" + status + ")");
}

void TWizard::ShowExistingFiles() {
  // Said before Start, where the clock stands during a pass, unless a drive problem takes the room.
  std::string text;
  if (page_ == kProgressPage && !Running() && writesFiles_ && DataStorage &&
      view_.Text(TControl::ProgressLabelDriveProblem).empty())
    if (const int count = CountRecoveredFiles(RecoveryTargetFolder, DataStorage->Formats); count > 0)
      text = Tr(strExistingFiles, {std::to_string(count)});
  view_.SetText(TControl::ProgressLabelExistingFiles, text);
  view_.SetVisible(TControl::ProgressLabelExistingFiles, !text.empty());
}

void TWizard::StartButtonAdvParamsClick() {
  // Only the check box's visibility follows expert mode; its state and the advanced controls stay.
  if (view_.ShowAdvancedParameters(0)) view_.SetVisible(TControl::TypesCheckBoxShowAdvanced, RecoveryAdvancedMode);
}

void TWizard::DestinationFolderBrowseClick() {
  const std::optional<std::string> chosen = view_.PickFolder(view_.Text(TControl::DestinationFolderEdit));
  if (chosen && !chosen->empty()) view_.SetText(TControl::DestinationFolderEdit, *chosen);
}

void TWizard::FinishButtonExploreClick() { view_.OpenFile(kFileExplorer, RecoveryTargetFolder); }

}  // namespace quillot
