// The check images of a tree's nodes and how a change spreads: -1 no image yet, the ignore value (0 on the
// Types page), 1 unchecked, 2 checked, 3 partly checked. Written once over any tree that can tell a node's
// state, parent and children, so the core's Types tree and a front-end's tree widget follow one rule.
#pragma once

namespace quillot {

inline constexpr int kNoCheckState = -1;
inline constexpr int kUnchecked = 1;
inline constexpr int kChecked = 2;
inline constexpr int kPartlyChecked = 3;

// A press on a node's check image: 1 becomes 2, 2 and 3 become 1; any other state stays.
inline int ToggledCheckState(int state) {
  if (state == kUnchecked) return kChecked;
  if (state == kChecked || state == kPartlyChecked) return kUnchecked;
  return state;
}

// Tree answers State(node), Store(node, state) (no spreading), Parent(node), IsNode(node), ChildCount(node)
// and Child(node, i).
template <class Tree, class Node>
void SpreadDown(Tree& tree, Node node, int state, int ignore) {
  for (int i = 0; i < tree.ChildCount(node); ++i) {
    Node child = tree.Child(node, i);
    if (tree.State(child) == ignore) continue;  // the ignore value shields its whole subtree
    if (tree.State(child) != state) tree.Store(child, state);
    SpreadDown(tree, child, state, ignore);
  }
}

template <class Tree, class Node>
void SpreadUp(Tree& tree, Node node, int ignore) {
  for (Node parent = tree.Parent(node); tree.IsNode(parent); parent = tree.Parent(parent)) {
    if (tree.State(parent) == ignore) break;
    bool allUnchecked = true, allChecked = true;
    for (int i = 0; i < tree.ChildCount(parent); ++i) {
      const int s = tree.State(tree.Child(parent, i));
      if (s != kUnchecked && s != kNoCheckState) allUnchecked = false;
      if (s != kChecked) allChecked = false;
    }
    tree.Store(parent, allUnchecked ? kUnchecked : allChecked ? kChecked : kPartlyChecked);
  }
}

// Sets node's state; with recursion on, 1 and 2 spread once down to the descendants and up to the
// ancestors. 3 and -1 spread nothing.
template <class Tree, class Node>
void SetCheckState(Tree& tree, Node node, int state, bool recursion, int ignore) {
  tree.Store(node, state);
  if (!recursion || (state != kUnchecked && state != kChecked)) return;
  SpreadDown(tree, node, state, ignore);
  SpreadUp(tree, node, ignore);
}

}  // namespace quillot
