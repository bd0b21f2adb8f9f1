#include "gui/TypesTreeView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace quillot::gui {

namespace {
constexpr int kStateRole = Qt::UserRole + 1;
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

void TTypesTreeView::SetState(QTreeWidgetItem* item, int state) {
  item->setData(0, kStateRole, state);
  if ((state == kUnchecked || state == kChecked) && StateRecursion && !propagating_) {
    propagating_ = true;
    PropagateDown(item, state);
    PropagateUp(item);
    propagating_ = false;
  }
  viewport()->update();
}

void TTypesTreeView::PropagateDown(QTreeWidgetItem* item, int state) {
  for (int i = 0; i < item->childCount(); ++i) {
    QTreeWidgetItem* child = item->child(i);
    if (State(child) == StateIgnore) continue;  // the ignore value shields its whole subtree
    if (State(child) != state) child->setData(0, kStateRole, state);
    PropagateDown(child, state);
  }
}

void TTypesTreeView::PropagateUp(QTreeWidgetItem* item) {
  for (QTreeWidgetItem* parent = item->parent(); parent; parent = parent->parent()) {
    if (State(parent) == StateIgnore) break;
    bool allUnchecked = true, allChecked = true;
    for (int i = 0; i < parent->childCount(); ++i) {
      const int s = State(parent->child(i));
      if (s != kUnchecked && s != kNoState) allUnchecked = false;
      if (s != kChecked) allChecked = false;
    }
    parent->setData(0, kStateRole, allUnchecked ? kUnchecked : allChecked ? kChecked : kPartly);
  }
}

QRect TTypesTreeView::StateImageRect(const QTreeWidgetItem* item) const {
  const QRect r = visualItemRect(item);
  return QRect(r.left() + 1, r.center().y() - 7, 16, 16);
}

bool TTypesTreeView::ToggleAt(const QPoint& pos) {
  QTreeWidgetItem* item = itemAt(pos);
  if (!item || !StateImageRect(item).contains(pos)) return false;
  setCurrentItem(item);
  const int state = State(item);
  if (state == kUnchecked)
    SetState(item, kChecked);
  else if (state == kChecked || state == kPartly)
    SetState(item, kUnchecked);
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

void TTypesTreeView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidget::mouseReleaseEvent(event);
  if (leftPressed_ && event->button() == Qt::LeftButton) {
    leftPressed_ = false;
    emit Clicked();
  }
}

}  // namespace quillot::gui
