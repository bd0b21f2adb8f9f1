// The Start page: the drive list and the chosen drive.
#include "drive/DriveTable.h"
#include "platform/Dialogs.h"
#include "wizard/Wizard.h"

namespace quillot {

void TWizard::FillDrivesList() {
  driveRows_ = DriveRows();
  view_.ShowDriveRows(driveRows_);
}

void TWizard::StartButtonRescanClick() {
  DriveTable().Rescan();
  FillDrivesList();
}

// The choice follows the focused row, not a separate selection.
void TWizard::StartListViewDrivesClick() {
  DriveLetter = '?';
  DriveNumber = 0;
  const int row = view_.FocusedDriveRow();
  if (row >= 0 && static_cast<size_t>(row) < driveRows_.size() &&
      !driveRows_[static_cast<size_t>(row)].Cells[0].empty())
    DriveLetter = driveRows_[static_cast<size_t>(row)].Cells[0][0];
  const bool letter = DriveLetter >= 'A' && DriveLetter <= 'Z';
  DriveNumber = letter ? static_cast<uint8_t>(DriveLetter - 'A' + 1) : 0;
  view_.SetEnabled(TControl::ButtonBack, false);
  view_.SetEnabled(TControl::ButtonNext, letter);
  view_.SetEnabled(TControl::ButtonClose, true);
}

void TWizard::StartTabSheetShow() {
  if (!DrivesListPending) return;
  // A drive named on the command line is the one meant; otherwise the first of the list.
  int chosen = driveRows_.empty() ? -1 : 0;
  for (size_t i = 0; preferredDrive_ && i < driveRows_.size(); ++i)
    if (!driveRows_[i].Cells[0].empty() && driveRows_[i].Cells[0][0] == preferredDrive_) chosen = static_cast<int>(i);
  view_.FocusDriveList();
  if (chosen >= 0) view_.ChooseDriveRow(chosen);
  StartListViewDrivesClick();
  DrivesListPending = false;
}

char TWizard::AddImage(const std::string& path) {
  std::string error;
  auto letter = AttachImage(path, error);
  if (!letter) {
    Dialogs().Show(error, "Error", TDialogButtons::Ok, TDialogIcon::Error);
    return 0;
  }
  FillDrivesList();
  // The new drive is chosen at once: adding it says which drive is meant.
  for (size_t i = 0; i < driveRows_.size(); ++i)
    if (!driveRows_[i].Cells[0].empty() && driveRows_[i].Cells[0][0] == *letter) {
      view_.ChooseDriveRow(static_cast<int>(i));
      StartListViewDrivesClick();
    }
  return *letter;
}

}  // namespace quillot
