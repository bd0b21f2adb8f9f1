// Expert mode on the Types page: adding, changing and removing file formats of the catalogue.
#include <QPushButton>
#include <QTreeWidgetItemIterator>

#include "formats/FileTypes.h"
#include "gui/FormatPropForm.h"
#include "gui/MainForm.h"
#include "gui/QtText.h"
#include "gui/TypesTreeView.h"
#include "i18n/Messages.h"
#include "platform/Dialogs.h"

namespace quillot::gui {

namespace {
bool Edit(TFormat& f, QWidget* parent) {
  return EditFormatProperties(f.Category, f.Title, f.Order, f.ScanBytes, f.Search, f.FilePrefix, f.TypeDescription,
                              f.FileExtension, parent);
}
}  // namespace

// The format of the selected node; none for a category node or no selection. Nothing is edited while a
// pass runs, since the pass holds the catalogue's formats.
TFormat* TMainForm::SelectedFormat() const {
  if (Running() || !DataStorage) return nullptr;
  QTreeWidgetItem* node = TypesTreeView->currentItem();
  if (!node || !node->isSelected() || !node->parent()) return nullptr;
  return FormatOf(node);
}

// Makes the node of format the tree's current and selected one, in view.
void TMainForm::SelectFormatNode(const TFormat* format) {
  for (QTreeWidgetItemIterator it(TypesTreeView); *it; ++it)
    if (FormatOf(*it) == format) {
      TypesTreeView->setCurrentItem(*it);
      (*it)->setSelected(true);
      TypesTreeView->scrollToItem(*it);
      return;
    }
}

void TMainForm::TypesAdvButtonAddClick() {
  if (Running() || !DataStorage) return;
  auto format = std::make_unique<TFormat>();
  if (Edit(*format, this)) {
    const TFormat* added = format.get();
    DataStorage->Formats.Add(std::move(format));
    ReloadFileFormats();
    // The format just added is the one the user goes on with.
    SelectFormatNode(added);
    DataStorage->Modified = true;
  }
  TypesTreeView->setFocus();
}

void TMainForm::TypesAdvButtonModifyClick() {
  TFormat* f = SelectedFormat();
  if (!f) return;
  QTreeWidgetItem* node = TypesTreeView->currentItem();
  const std::string category = f->Category;
  if (Edit(*f, this)) {
    node->setText(0, ToQ(f->Title + " (" + f->TypeDescription + ")"));
    TypesTreeView->SetState(node, f->Search ? TTypesTreeView::kChecked : TTypesTreeView::kUnchecked);
    if (f->Category != category) {
      ReloadFileFormats();
      SelectFormatNode(f);
    }
    DataStorage->Modified = true;
  }
  TypesTreeView->setFocus();
}

void TMainForm::TypesAdvButtonDeleteClick() {
  TFormat* f = SelectedFormat();
  if (!f) return;
  const TDialogAnswer answer = Dialogs().Show(Tr(strFileFormatRemove, {f->Title}), Tr(strConfirmation),
                                              TDialogButtons::YesNo, TDialogIcon::None);
  if (answer == TDialogAnswer::Yes) {
    // The tree refers to the format until it is rebuilt.
    TypesTreeView->clear();
    DataStorage->Formats.Remove(f);
    ReloadFileFormats();
    DataStorage->Modified = true;
  }
  TypesTreeView->setFocus();
}

}  // namespace quillot::gui
