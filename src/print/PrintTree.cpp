#include "PrintTree.h"

#include <algorithm>

namespace pg {

std::vector<TPrintNode> PrintNodes(const TDocTree& tree, const TSelection& selection) {
    std::vector<TPrintNode> nodes;
    for (const TTreeNode* node : tree.DisplayOrder()) {
        TPrintNode entry;
        entry.Info = node->Info.get();
        entry.HasChildren = node->HasChildren();
        entry.UnderSelection =
            std::any_of(selection.begin(), selection.end(), [node](const TTreeNode* selected) {
                return selected != nullptr && ThisNodeIsOnBranch(*selected, *node);
            });
        nodes.push_back(entry);
    }
    return nodes;
}

size_t PrintNodeIndex(const TDocTree& tree, const TTreeNode* node) {
    const std::vector<TTreeNode*> order = tree.DisplayOrder();
    return size_t(std::find(order.begin(), order.end(), node) - order.begin());
}

std::vector<const TDocSetForm*> FormsToCheckForDeletion(const TDocTree& tree, const TSelection& selection) {
    std::vector<const TDocSetForm*> forms;
    const TTreeNode* root = tree.Root();
    const bool rootSelected = std::find(selection.begin(), selection.end(), root) != selection.end();
    if (rootSelected && selection.size() > 1)
        return forms;
    if (rootSelected) {
        for (const auto& child : root->Children)
            CollectForms(*child, forms);
        return forms;
    }
    for (const TTreeNode* node : selection)
        if (node != nullptr)
            CollectForms(*node, forms);
    return forms;
}

void CollectForms(const TTreeNode& node, std::vector<const TDocSetForm*>& forms) {
    if (const TDocSetForm* form = node.Form())
        forms.push_back(form);
    for (const auto& child : node.Children)
        CollectForms(*child, forms);
}

bool PrintButtonPrintsAll(const TDocTree& tree, const TSelection& selection) {
    return selection.empty() || (selection.size() == 1 && selection.front() == tree.Root());
}

} // namespace pg
