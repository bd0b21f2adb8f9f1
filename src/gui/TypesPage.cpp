// The Types page's tree as the wizard builds it: category nodes with the formats below them, each with
// its check image and the desktop's icon for its files.
#include <QApplication>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QStyle>
#include <QTreeWidgetItemIterator>

#include "formats/FileTypes.h"
#include "gui/MainForm.h"
#include "gui/QtText.h"
#include "gui/TypesTreeView.h"

namespace quillot::gui {

namespace {
class TTreeBusyScope {
 public:
  explicit TTreeBusyScope(QWidget* w) : w_(w) {
    w_->setUpdatesEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~TTreeBusyScope() {
    QApplication::restoreOverrideCursor();
    w_->setUpdatesEnabled(true);
  }

 private:
  QWidget* w_;
};
}  // namespace

QIcon TMainForm::FileIcon(const std::string& extension) const {
  static QMimeDatabase mimes;
  const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("x.") + ToQ(extension), QMimeDatabase::MatchExtension);
  QIcon icon;
  if (type.isValid() && !type.isDefault()) {
    icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  }
  if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_FileIcon);
  return icon;
}

void TMainForm::ShowTypesTree(const TTypesTree& tree) {
  TTreeBusyScope busy(TypesTreeView);
  TypesTreeView->clear();
  ImageListIcons = ImageListIcons.mid(0, 1);
  const auto& nodes = tree.Nodes();
  std::vector<QTreeWidgetItem*> items(nodes.size(), nullptr);
  const std::vector<int> roots = tree.Roots();
  for (int root : roots) {
    auto* item = new QTreeWidgetItem(TypesTreeView, QStringList(ToQ(nodes[static_cast<size_t>(root)].Text)));
    item->setIcon(0, ImageListIcons.value(0));
    items[static_cast<size_t>(root)] = item;
  }
  for (size_t i = 0; i < nodes.size(); ++i) {
    if (nodes[i].Parent < 0 || !items[static_cast<size_t>(nodes[i].Parent)]) continue;
    auto* item = new QTreeWidgetItem(items[static_cast<size_t>(nodes[i].Parent)], QStringList(ToQ(nodes[i].Text)));
    if (nodes[i].Format) {
      ImageListIcons.append(FileIcon(nodes[i].Format->FileExtension));
      item->setIcon(0, ImageListIcons.last());
    }
    items[i] = item;
  }
  for (size_t i = 0; i < nodes.size(); ++i)
    if (items[i]) TTypesTreeView::SetNodeOf(items[i], static_cast<int>(i));
  ShowTypesStates(tree);
  TypesTreeView->expandAll();
}

QTreeWidgetItem* TMainForm::TypesItemOf(int node) const {
  for (QTreeWidgetItemIterator it(TypesTreeView); *it; ++it)
    if (TTypesTreeView::NodeOf(*it) == node) return *it;
  return nullptr;
}

void TMainForm::ShowTypesStates(const TTypesTree& tree) {
  for (QTreeWidgetItemIterator it(TypesTreeView); *it; ++it) {
    const int node = TTypesTreeView::NodeOf(*it);
    if (node < 0 || static_cast<size_t>(node) >= tree.Nodes().size()) continue;
    const TTypesTree::TNode& n = tree.Nodes()[static_cast<size_t>(node)];
    (*it)->setText(0, ToQ(n.Text));
    TTypesTreeView::ShowState(*it, n.State);
  }
  TypesTreeView->viewport()->update();
}

void TMainForm::SelectTypesNode(int node) {
  if (QTreeWidgetItem* item = TypesItemOf(node)) {
    TypesTreeView->setCurrentItem(item);
    item->setSelected(true);
    TypesTreeView->scrollToItem(item);
  }
}

int TMainForm::SelectedTypesNode() const {
  QTreeWidgetItem* item = TypesTreeView->currentItem();
  return item && item->isSelected() ? TTypesTreeView::NodeOf(item) : -1;
}

void TMainForm::FocusTypesTree() { TypesTreeView->setFocus(); }

}  // namespace quillot::gui
