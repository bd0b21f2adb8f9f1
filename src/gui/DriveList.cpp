// The Start page's list as the wizard fills it: every drive letter with its type, size, serial number and
// status.
#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>

#include "gui/ImagePicker.h"
#include "gui/MainForm.h"
#include "gui/QtText.h"
#include "gui/QtTranslations.h"

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

void TMainForm::ShowDriveRows(const std::vector<TDriveRow>& rows) {
  TBusyScope busy(StartListViewDrives);
  fillingDrives_ = true;
  StartListViewDrives->clear();
  for (const TDriveRow& row : rows) {
    auto* item = new QTreeWidgetItem(StartListViewDrives);
    for (int column = 0; column < 5; ++column) item->setText(column, ToQ(row.Cells[static_cast<size_t>(column)]));
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    // Why the drive cannot be read, else the device or image behind the letter, over the whole row.
    for (int column = 0; column < StartListViewDrives->columnCount(); ++column) item->setToolTip(column, ToQ(row.Hint));
  }
  // The rebuilt list has no focused item until the user clicks one.
  StartListViewDrives->setCurrentItem(nullptr);
  StartListViewDrives->clearSelection();
  fillingDrives_ = false;
}

void TMainForm::FocusDriveList() { StartListViewDrives->setFocus(); }

void TMainForm::ChooseDriveRow(int row) {
  QTreeWidgetItem* item = StartListViewDrives->topLevelItem(row);
  if (!item) return;
  fillingDrives_ = true;
  StartListViewDrives->setCurrentItem(item);
  item->setSelected(true);
  fillingDrives_ = false;
}

int TMainForm::FocusedDriveRow() const {
  QTreeWidgetItem* item = StartListViewDrives->currentItem();
  return item ? StartListViewDrives->indexOfTopLevelItem(item) : -1;
}

char TMainForm::AddImage(const QString& path) { return wizard_.AddImage(FromQ(path)); }

void TMainForm::StartButtonAddImageClick() {
  FollowLanguageInQtTexts();
  const QString path = PickImageFile(this);
  if (!path.isEmpty()) AddImage(path);
}

}  // namespace quillot::gui
