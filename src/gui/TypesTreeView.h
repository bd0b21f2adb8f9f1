// A tree whose nodes carry a check image: -1 none, 0 the ignore value, 1 unchecked, 2 checked,
// 3 partly checked. A press on the image toggles it, and a change to 1 or 2 propagates down to the
// descendants and up to the ancestors.
#pragma once

#include <QList>
#include <QPixmap>
#include <QTreeWidget>

namespace quillot::gui {

class TTypesTreeView : public QTreeWidget {
  Q_OBJECT
 public:
  static constexpr int kNoState = -1;
  static constexpr int kUnchecked = 1;
  static constexpr int kChecked = 2;
  static constexpr int kPartly = 3;

  explicit TTypesTreeView(QWidget* parent);

  // The check images, in state order (image 0 is the ignore value's).
  void SetStateImages(const QList<QPixmap>& images) { stateImages_ = images; }
  bool StateRecursion = true;
  int StateIgnore = 0;

  static int State(const QTreeWidgetItem* item);
  // Sets the state; 1 and 2 propagate once (not while a propagation runs).
  void SetState(QTreeWidgetItem* item, int state);

  // Where the check image of an item is drawn, in viewport coordinates.
  QRect StateImageRect(const QTreeWidgetItem* item) const;

 signals:
  // Every click of the left mouse button in the tree, after any change of check state.
  void Clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  friend class TStateImageDelegate;
  void PropagateDown(QTreeWidgetItem* item, int state);
  void PropagateUp(QTreeWidgetItem* item);
  // A press on a check image: 1 becomes 2, 2 and 3 become 1.
  bool ToggleAt(const QPoint& pos);

  QList<QPixmap> stateImages_;
  bool propagating_ = false;
  bool leftPressed_ = false;
};

}  // namespace quillot::gui
