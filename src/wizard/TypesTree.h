// The Types page's tree: one node per category, in alphabetical order without regard to case, with the
// formats of that category below it in catalogue order, each checked when its Search is set.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "wizard/CheckStates.h"

namespace quillot {

class TFormat;
class TFormatsList;

// How category names compare without regard to case: whether two are the same, and their order (the
// platform's locale-aware comparison, negative, zero or positive). A front-end installs the platform's;
// the defaults fold ASCII letters only.
struct TCategoryOrder {
  std::function<bool(const std::string& a, const std::string& b)> Same;
  std::function<int(const std::string& a, const std::string& b)> Compare;
};
TCategoryOrder PlainCategoryOrder();

// A format node's text: Title, " (", TypeDescription, ")".
std::string FormatNodeText(const TFormat& format);

class TTypesTree {
 public:
  struct TNode {
    std::string Text;
    int Parent = -1;
    std::vector<int> Children;
    int State = kNoCheckState;
    TFormat* Format = nullptr;  // not owned; none for a category node
  };

  // Removes every node and builds the tree from catalogue (ReloadFileFormats' steps 2 to 5).
  void Build(const TFormatsList& catalogue, const TCategoryOrder& order);
  void Clear() { nodes_.clear(); }

  const std::vector<TNode>& Nodes() const { return nodes_; }
  // The top-level nodes, in their order.
  std::vector<int> Roots() const;
  // The node of format, or -1.
  int NodeOf(const TFormat* format) const;
  TFormat* FormatAt(int node) const;

  // Sets a node's state, spreading as the check rule says.
  void SetState(int node, int state);
  // A press on a node's check image.
  void Toggle(int node) { SetState(node, ToggledCheckState(nodes_[static_cast<size_t>(node)].State)); }
  void SetText(int node, std::string text) { nodes_[static_cast<size_t>(node)].Text = std::move(text); }

  bool StateRecursion = true;
  int StateIgnore = 0;

  // The check rule's view of the nodes.
  int State(int node) const { return nodes_[static_cast<size_t>(node)].State; }
  void Store(int node, int state) { nodes_[static_cast<size_t>(node)].State = state; }
  int Parent(int node) const { return nodes_[static_cast<size_t>(node)].Parent; }
  static bool IsNode(int node) { return node >= 0; }
  int ChildCount(int node) const { return static_cast<int>(nodes_[static_cast<size_t>(node)].Children.size()); }
  int Child(int node, int i) const { return nodes_[static_cast<size_t>(node)].Children[static_cast<size_t>(i)]; }

 private:
  int Add(std::string text, int parent);
  std::vector<TNode> nodes_;
};

}  // namespace quillot
