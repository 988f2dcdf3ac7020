#pragma once
// The document tree as the print walk sees it: every node in display order with its TInfo,
// whether it has children and whether it lies under the selection; and the forms a "Print
// Selected" checks for deletion.

#include "DocTree.h"
#include "PrintWalk.h"

#include <vector>

namespace pg {

// Every node of the tree in display order. UnderSelection is set for the selected nodes and
// everything below them.
std::vector<TPrintNode> PrintNodes(const TDocTree& tree, const TSelection& selection);
// The index of the node in display order; the node count when it is not in the tree.
size_t PrintNodeIndex(const TDocTree& tree, const TTreeNode* node);
// The forms of the selected nodes and of everything below them. When the root is the only
// selected node the check starts after the root; with the root among other selected nodes no
// form is checked.
std::vector<const TDocSetForm*> FormsToCheckForDeletion(const TDocTree& tree, const TSelection& selection);
// Appends the form of the node and those of every node below it, depth first in child order.
void CollectForms(const TTreeNode& node, std::vector<const TDocSetForm*>& forms);
// The tool-bar "Print" prints all with nothing selected or only the root, else the selection.
bool PrintButtonPrintsAll(const TDocTree& tree, const TSelection& selection);

} // namespace pg
