#include "wizard/TypesTree.h"

#include <algorithm>

#include "formats/FileTypes.h"
#include "util/Text.h"

namespace quillot {

TCategoryOrder PlainCategoryOrder() {
  return {[](const std::string& a, const std::string& b) { return EqualsNoCase(a, b); },
          [](const std::string& a, const std::string& b) {
            const std::string x = UpperCase(a), y = UpperCase(b);
            return x < y ? -1 : x == y ? 0 : 1;
          }};
}

std::string FormatNodeText(const TFormat& format) { return format.Title + " (" + format.TypeDescription + ")"; }

int TTypesTree::Add(std::string text, int parent) {
  TNode node;
  node.Text = std::move(text);
  node.Parent = parent;
  nodes_.push_back(std::move(node));
  const int index = static_cast<int>(nodes_.size()) - 1;
  if (parent >= 0) nodes_[static_cast<size_t>(parent)].Children.push_back(index);
  return index;
}

void TTypesTree::Build(const TFormatsList& catalogue, const TCategoryOrder& order) {
  nodes_.clear();
  // Categories without regard to case, each written as its first format in catalogue order writes it.
  std::vector<std::string> categories;
  for (const auto& f : catalogue) {
    const bool known = std::any_of(categories.begin(), categories.end(),
                                   [&](const std::string& k) { return order.Same(k, f->Category); });
    if (!known) categories.push_back(f->Category);
  }
  std::stable_sort(categories.begin(), categories.end(),
                   [&](const std::string& a, const std::string& b) { return order.Compare(a, b) < 0; });
  for (const std::string& c : categories) Add(c, -1);
  const size_t categoryCount = nodes_.size();
  for (const auto& f : catalogue) {
    int parent = -1;
    for (size_t i = 0; i < categoryCount; ++i)
      if (order.Same(nodes_[i].Text, f->Category)) parent = static_cast<int>(i);
    if (parent < 0) continue;
    const int node = Add(FormatNodeText(*f), parent);
    nodes_[static_cast<size_t>(node)].Format = f.get();
    SetState(node, f->Search ? kChecked : kUnchecked);
  }
}

std::vector<int> TTypesTree::Roots() const {
  std::vector<int> roots;
  for (size_t i = 0; i < nodes_.size(); ++i)
    if (nodes_[i].Parent < 0) roots.push_back(static_cast<int>(i));
  return roots;
}

int TTypesTree::NodeOf(const TFormat* format) const {
  for (size_t i = 0; i < nodes_.size(); ++i)
    if (format && nodes_[i].Format == format) return static_cast<int>(i);
  return -1;
}

TFormat* TTypesTree::FormatAt(int node) const {
  return node >= 0 && static_cast<size_t>(node) < nodes_.size() ? nodes_[static_cast<size_t>(node)].Format : nullptr;
}

void TTypesTree::SetState(int node, int state) { SetCheckState(*this, node, state, StateRecursion, StateIgnore); }

}  // namespace quillot
