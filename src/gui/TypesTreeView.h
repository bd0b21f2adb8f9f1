// A tree whose nodes carry a check image: -1 none, 0 the ignore value, 1 unchecked, 2 checked,
// 3 partly checked. A press on the image toggles it, and a change to 1 or 2 propagates down to the
// descendants and up to the ancestors, by the rule of wizard/CheckStates.h. A node that stands for a node
// of the wizard's Types tree leaves the change to the wizard, which shows the states back.
#pragma once

#include <QList>
#include <QPixmap>
#include <QTreeWidget>
#include <functional>

#include "wizard/CheckStates.h"

namespace quillot::gui {

class TTypesTreeView : public QTreeWidget {
  Q_OBJECT
 public:
  static constexpr int kNoState = kNoCheckState;
  static constexpr int kUnchecked = quillot::kUnchecked;
  static constexpr int kChecked = quillot::kChecked;
  static constexpr int kPartly = kPartlyChecked;

  explicit TTypesTreeView(QWidget* parent);

  // The check images, in state order (image 0 is the ignore value's).
  void SetStateImages(const QList<QPixmap>& images) { stateImages_ = images; }
  bool StateRecursion = true;
  int StateIgnore = 0;

  static int State(const QTreeWidgetItem* item);
  // Sets the state; 1 and 2 propagate once.
  void SetState(QTreeWidgetItem* item, int state);
  // Shows a state the wizard set, spreading nothing.
  static void ShowState(QTreeWidgetItem* item, int state);

  // The node of the wizard's tree an item shows, or -1.
  static int NodeOf(const QTreeWidgetItem* item);
  static void SetNodeOf(QTreeWidgetItem* item, int node);
  // Sets the state of a wizard's node, the change spreading there.
  std::function<void(int node, int state)> SetStateOfNode;

  // Where the check image of an item is drawn, in viewport coordinates.
  QRect StateImageRect(const QTreeWidgetItem* item) const;

 signals:
  // Every click of the left mouse button in the tree, after any change of check state.
  void Clicked();
  // Space on the current node, which is selected first: a node of the wizard's tree leaves the change
  // to the wizard; any other toggles as a press on its image does, and Clicked follows.
  void SpacePressed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  friend class TStateImageDelegate;
  // A press on a check image: 1 becomes 2, 2 and 3 become 1.
  bool ToggleAt(const QPoint& pos);

  QList<QPixmap> stateImages_;
  bool leftPressed_ = false;
};

}  // namespace quillot::gui
