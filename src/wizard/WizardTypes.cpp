// The Types page: the catalogue as a tree whose checks set Search, and in expert mode adding, changing and
// removing formats.
#include "formats/FileTypes.h"
#include "i18n/Messages.h"
#include "platform/Dialogs.h"
#include "wizard/Wizard.h"

namespace quillot {

namespace {
// The advanced buttons stand to the tree's right, uncovered only while the tree is narrow.
constexpr int kNarrowTree = 337;
constexpr int kWideTree = 425;
}  // namespace

void TWizard::ReloadFileFormats() {
  types_.Clear();
  if (DataStorage) types_.Build(DataStorage->Formats, CategoryOrder);
  view_.ShowTypesTree(types_);
}

void TWizard::SetTypesState(int node, int state) {
  types_.SetState(node, state);
  view_.ShowTypesStates(types_);
}

void TWizard::TypesTreeViewClick() {
  // Any click in a tree that holds a format marks the catalogue changed: the checks reach the file.
  for (const TTypesTree::TNode& node : types_.Nodes()) {
    if (node.Parent < 0 || !node.Format) continue;
    node.Format->Search = node.State == kChecked;
    if (DataStorage) DataStorage->Modified = true;
  }
  const int selected = view_.SelectedTypesNode();
  const bool format = selected >= 0 && types_.Parent(selected) >= 0;
  view_.SetEnabled(TControl::TypesAdvButtonModify, format);
  view_.SetEnabled(TControl::TypesAdvButtonDelete, format);
}

void TWizard::TypesTreeViewSpaceKey() {
  const int node = view_.SelectedTypesNode();
  if (Running() || node < 0 || static_cast<size_t>(node) >= types_.Nodes().size()) return;
  SetTypesState(node, ToggledCheckState(types_.State(node)));
  TypesTreeViewClick();
}

void TWizard::TypesCheckBoxShowAdvancedClick() {
  const bool show = view_.Checked(TControl::TypesCheckBoxShowAdvanced);
  view_.SetWidth(TControl::TypesTreeView, show ? kNarrowTree : kWideTree);
  for (TControl button : {TControl::TypesAdvButtonAdd, TControl::TypesAdvButtonModify, TControl::TypesAdvButtonDelete})
    view_.SetEnabled(button, show);
}

TFormat* TWizard::SelectedFormat() const {
  if (Running() || !DataStorage) return nullptr;
  const int node = view_.SelectedTypesNode();
  if (node < 0 || types_.Parent(node) < 0) return nullptr;
  return types_.FormatAt(node);
}

void TWizard::SelectFormatNode(const TFormat* format) {
  if (const int node = types_.NodeOf(format); node >= 0) view_.SelectTypesNode(node);
}

void TWizard::TypesAdvButtonAddClick() {
  if (Running() || !DataStorage) return;
  auto format = std::make_unique<TFormat>();
  if (view_.EditFormat(*format)) {
    const TFormat* added = format.get();
    DataStorage->Formats.Add(std::move(format));
    ReloadFileFormats();
    // The format just added is the one the user goes on with.
    SelectFormatNode(added);
    DataStorage->Modified = true;
  }
  view_.FocusTypesTree();
}

void TWizard::TypesAdvButtonModifyClick() {
  TFormat* f = SelectedFormat();
  if (!f) return;
  const int node = view_.SelectedTypesNode();
  const std::string category = f->Category;
  if (view_.EditFormat(*f)) {
    types_.SetText(node, FormatNodeText(*f));
    SetTypesState(node, f->Search ? kChecked : kUnchecked);
    // The comparison counts case: "Audio" to "audio" rebuilds, though both share one category node.
    if (f->Category != category) {
      ReloadFileFormats();
      SelectFormatNode(f);
    }
    DataStorage->Modified = true;
  }
  view_.FocusTypesTree();
}

void TWizard::TypesAdvButtonDeleteClick() {
  TFormat* f = SelectedFormat();
  if (!f) return;
  const TDialogAnswer answer = Dialogs().Show(Tr(strFileFormatRemove, {f->Title}), Tr(strConfirmation),
                                              TDialogButtons::YesNo, TDialogIcon::None);
  if (answer == TDialogAnswer::Yes) {
    // The tree refers to the format until it is rebuilt.
    types_.Clear();
    view_.ShowTypesTree(types_);
    DataStorage->Formats.Remove(f);
    ReloadFileFormats();
    DataStorage->Modified = true;
  }
  view_.FocusTypesTree();
}

}  // namespace quillot
