// The Start page: every drive letter with its type, size, serial number and status.
#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>

#include "drive/DriveTable.h"
#include "drive/FileUtils.h"
#include "gui/GuiMessages.h"
#include "gui/ImagePicker.h"
#include "gui/MainForm.h"
#include "gui/QtText.h"
#include "gui/QtTranslations.h"
#include "i18n/Messages.h"
#include "platform/Dialogs.h"

namespace quillot::gui {

namespace {
// Restores the cursor and repainting however the fill ends.
class TBusyScope {
 public:
  explicit TBusyScope(QWidget* w) : w_(w) {
    w_->setUpdatesEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~TBusyScope() {
    QApplication::restoreOverrideCursor();
    w_->setUpdatesEnabled(true);
  }

 private:
  QWidget* w_;
};
}  // namespace

void TMainForm::FillDrivesList() {
  TBusyScope busy(StartListViewDrives);
  fillingDrives_ = true;
  StartListViewDrives->clear();
  const uint32_t mask = GetLogicalDrives();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!(mask & (1u << (letter - 'A')))) continue;
    TViewDriveParams params;
    GetViewDriveParams(letter, params);
    auto* item = new QTreeWidgetItem(StartListViewDrives);
    item->setText(0, ToQ(DriveCellText(params)));
    item->setText(1, ToQ(params.TypeName));
    item->setText(2, ToQ(SizeToText(params.TotalSize)));
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(3, ToQ(SerialText(params.Serial)));
    item->setText(4, ToQ(DriveStatusText(params)));
    // Why the drive cannot be read, else the device or image behind the letter, over the whole row.
    QString tip = ToQ(params.Problem);
    if (auto source = DriveTable().Source(letter); source && tip.isEmpty()) tip = ToQ(source->Path());
    for (int column = 0; column < StartListViewDrives->columnCount(); ++column) item->setToolTip(column, tip);
  }
  // The rebuilt list has no focused item until the user clicks one.
  StartListViewDrives->setCurrentItem(nullptr);
  StartListViewDrives->clearSelection();
  fillingDrives_ = false;
}

void TMainForm::StartButtonRescanClick() {
  DriveTable().Rescan();
  FillDrivesList();
}

void TMainForm::StartListViewDrivesClick() {
  DriveLetter = '?';
  DriveNumber = 0;
  if (QTreeWidgetItem* item = StartListViewDrives->currentItem(); item && !item->text(0).isEmpty())
    DriveLetter = item->text(0).at(0).toLatin1();
  if (DriveLetter >= 'A' && DriveLetter <= 'Z') {
    DriveNumber = static_cast<uint8_t>(DriveLetter - 'A' + 1);
    ButtonBack->setEnabled(false);
    ButtonNext->setEnabled(true);
    ButtonClose->setEnabled(true);
  } else {
    DriveNumber = 0;
    ButtonBack->setEnabled(false);
    ButtonNext->setEnabled(false);
    ButtonClose->setEnabled(true);
  }
}

void TMainForm::StartTabSheetShow() {
  if (!DrivesListPending) return;
  StartListViewDrives->setFocus();
  QTreeWidgetItem* first = StartListViewDrives->topLevelItem(0);
  // A drive named on the command line is the one meant; otherwise the first of the list.
  for (int i = 0; preferredDrive_ && i < StartListViewDrives->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = StartListViewDrives->topLevelItem(i);
    if (!item->text(0).isEmpty() && item->text(0).at(0) == QLatin1Char(preferredDrive_)) first = item;
  }
  if (first) {
    fillingDrives_ = true;
    StartListViewDrives->setCurrentItem(first);
    first->setSelected(true);
    fillingDrives_ = false;
  }
  StartListViewDrivesClick();
  DrivesListPending = false;
}

char TMainForm::AddImage(const QString& path) {
  std::string error;
  auto letter = quillot::AttachImage(FromQ(path), error);
  if (!letter) {
    Dialogs().Show(error, "Error", TDialogButtons::Ok, TDialogIcon::Error);
    return 0;
  }
  FillDrivesList();
  // The new drive is chosen at once: adding it says which drive is meant.
  for (int i = 0; i < StartListViewDrives->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = StartListViewDrives->topLevelItem(i);
    if (!item->text(0).isEmpty() && item->text(0).at(0) == QLatin1Char(*letter)) {
      StartListViewDrives->setCurrentItem(item);
      item->setSelected(true);
      StartListViewDrivesClick();
    }
  }
  return *letter;
}

void TMainForm::StartButtonAddImageClick() {
  FollowLanguageInQtTexts();
  const QString path = PickImageFile(this);
  if (!path.isEmpty()) AddImage(path);
}

}  // namespace quillot::gui
