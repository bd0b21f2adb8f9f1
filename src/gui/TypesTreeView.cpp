#include "gui/TypesTreeView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace quillot::gui {

namespace {
constexpr int kStateRole = Qt::UserRole + 1;
constexpr int kNodeRole = Qt::UserRole + 2;
constexpr int kStateWidth = 18;  // the image and a gap before the node's own icon
}  // namespace

// Draws the check image in front of each node and shifts the node's icon and text behind it.
class TStateImageDelegate : public QStyledItemDelegate {
 public:
  explicit TStateImageDelegate(TTypesTreeView* tree) : QStyledItemDelegate(tree), tree_(tree) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int state = index.data(kStateRole).isValid() ? index.data(kStateRole).toInt() : TTypesTreeView::kNoState;
    if (state >= 0 && state < tree_->stateImages_.size()) {
      const QPixmap& image = tree_->stateImages_[state];
      painter->drawPixmap(option.rect.left() + 1, option.rect.center().y() - image.height() / 2 + 1, image);
    }
    QStyleOptionViewItem shifted(option);
    shifted.rect.setLeft(option.rect.left() + kStateWidth);
    QStyledItemDelegate::paint(painter, shifted, index);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    return QSize(s.width() + kStateWidth, std::max(s.height(), 18));
  }

 private:
  TTypesTreeView* tree_;
};

TTypesTreeView::TTypesTreeView(QWidget* parent) : QTreeWidget(parent) {
  setItemDelegate(new TStateImageDelegate(this));
  setHeaderHidden(true);
  setColumnCount(1);
  setIndentation(19);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(16, 16));
  setSortingEnabled(false);
  setExpandsOnDoubleClick(false);
  // Long titles scroll sideways rather than being cut short.
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
}

int TTypesTreeView::State(const QTreeWidgetItem* item) {
  const QVariant v = item->data(0, kStateRole);
  return v.isValid() ? v.toInt() : kNoState;
}

namespace {
// The check rule's view of the widget's items.
struct TItems {
  static int State(const QTreeWidgetItem* item) { return TTypesTreeView::State(item); }
  static void Store(QTreeWidgetItem* item, int state) { item->setData(0, kStateRole, state); }
  static QTreeWidgetItem* Parent(const QTreeWidgetItem* item) { return item->parent(); }
  static bool IsNode(const QTreeWidgetItem* item) { return item != nullptr; }
  static int ChildCount(const QTreeWidgetItem* item) { return item->childCount(); }
  static QTreeWidgetItem* Child(const QTreeWidgetItem* item, int i) { return item->child(i); }
};
}  // namespace

void TTypesTreeView::SetState(QTreeWidgetItem* item, int state) {
  if (const int node = NodeOf(item); node >= 0 && SetStateOfNode) {
    SetStateOfNode(node, state);
  } else {
    TItems items;
    SetCheckState(items, item, state, StateRecursion, StateIgnore);
  }
  viewport()->update();
}

void TTypesTreeView::ShowState(QTreeWidgetItem* item, int state) { item->setData(0, kStateRole, state); }

int TTypesTreeView::NodeOf(const QTreeWidgetItem* item) {
  const QVariant v = item->data(0, kNodeRole);
  return v.isValid() ? v.toInt() : -1;
}

void TTypesTreeView::SetNodeOf(QTreeWidgetItem* item, int node) { item->setData(0, kNodeRole, node); }

QRect TTypesTreeView::StateImageRect(const QTreeWidgetItem* item) const {
  const QRect r = visualItemRect(item);
  return QRect(r.left() + 1, r.center().y() - 7, 16, 16);
}

bool TTypesTreeView::ToggleAt(const QPoint& pos) {
  QTreeWidgetItem* item = itemAt(pos);
  if (!item || !StateImageRect(item).contains(pos)) return false;
  setCurrentItem(item);
  const int state = State(item);
  if (ToggledCheckState(state) != state) SetState(item, ToggledCheckState(state));
  return true;
}

void TTypesTreeView::mousePressEvent(QMouseEvent* event) {
  QTreeWidget::mousePressEvent(event);
  leftPressed_ = event->button() == Qt::LeftButton;
  if (leftPressed_) ToggleAt(event->position().toPoint());
}

void TTypesTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click is a press like any other: on a check image it toggles again.
  QTreeWidget::mouseDoubleClickEvent(event);
  leftPressed_ = event->button() == Qt::LeftButton;
  if (leftPressed_) ToggleAt(event->position().toPoint());
}

void TTypesTreeView::keyPressEvent(QKeyEvent* event) {
  QTreeWidgetItem* item = currentItem();
  if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier || !item) {
    QTreeWidget::keyPressEvent(event);
    return;
  }
  item->setSelected(true);
  if (NodeOf(item) >= 0 && SetStateOfNode) {
    emit SpacePressed();
  } else {
    const int state = State(item);
    if (ToggledCheckState(state) != state) SetState(item, ToggledCheckState(state));
    emit Clicked();
  }
  viewport()->update();
}

void TTypesTreeView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidget::mouseReleaseEvent(event);
  if (leftPressed_ && event->button() == Qt::LeftButton) {
    leftPressed_ = false;
    emit Clicked();
  }
}

}  // namespace quillot::gui
