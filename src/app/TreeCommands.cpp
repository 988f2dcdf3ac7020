#include "TreeCommands.h"

#include "Strings.h"

#include <unordered_set>

namespace pg {

int GetNumberOfPagesSelected(TDocSet* set, bool loaded, const TSelection& selection) {
    if (!loaded || set == nullptr)
        return 0;
    set->ClearSelection();
    if (selection.empty())
        return 0;
    if (TDocSetForm* first = selection.front()->Form())
        first->Selected = true;
    if (selection.front()->Kind == TNodeKind::Root)
        return set->TotalPageCount();
    const std::unordered_set<const TTreeNode*> selected(selection.begin(), selection.end());
    int pages = 0;
    for (const TTreeNode* node : selection) {
        if (TDocSetForm* form = node->Form())
            form->Selected = true;
        if (node->Kind == TNodeKind::Group)
            for (const auto& child : node->Children)
                child->Form()->Selected = true;
        bool underSelected = false;
        for (const TTreeNode* p = node->Parent; p != nullptr && !underSelected; p = p->Parent)
            underSelected = selected.count(p) != 0;
        if (!underSelected)
            pages += LeafCount(*node);
    }
    return pages;
}

std::string PagesSelectedText(bool loaded, int pages, int total) {
    if (!loaded)
        return {};
    return IntToStr(pages) + " of " + IntToStr(total) + " pgs";
}

bool AllSelectedItemsAreONLYForms(const TSelection& selection, bool deleted) {
    if (selection.empty())
        return false;
    return std::all_of(selection.begin(), selection.end(), [deleted](const TTreeNode* node) {
        return node->Info && node->IsAFormNode() && node->Form()->Deleted != deleted;
    });
}

bool AllSelectedItemsAreANYTHING(const TSelection& selection) {
    if (selection.empty())
        return false;
    return std::all_of(selection.begin(), selection.end(),
                       [](const TTreeNode* node) { return node->Info && !node->Form()->Deleted; });
}

bool GetSomeNodesChanged(const TDocTree& tree) {
    for (const TTreeNode* node : tree.DisplayOrder())
        if (node->Info && node->Form()->Changed && !node->Form()->Deleted)
            return true;
    return false;
}

namespace {

void SetDeletedBelow(TTreeNode& node, bool deleted) {
    if (TDocSetForm* form = node.Form())
        form->Deleted = deleted;
    for (auto& child : node.Children)
        SetDeletedBelow(*child, deleted);
}

} // namespace

bool ToggleDeleted(TDocSet& set, const TDocTree& tree, const TSelection& selection) {
    if (set.Locked)
        return false;
    bool changed = false;
    for (TTreeNode* node : NodesToProcess(tree, selection)) {
        if (!node->Info)
            continue;
        set.Modified = true;
        SetDeletedBelow(*node, !node->Form()->Deleted);
        changed = true;
    }
    return changed;
}

std::string DeleteItemCaption(const TSelection& selection) {
    if (!selection.empty() && selection.front()->Info && selection.front()->Form()->Deleted)
        return "&Undelete ";
    return "&Delete ";
}

bool DragAllowed(bool hasStackingPermission, const TSelection& selection) {
    if (!hasStackingPermission)
        return true;
    return selection.size() == 1 && selection.front()->Info && selection.front()->IsAFormNode();
}

TDropAction DecideDrop(const TDocSet* set, const TSelection& selection, const TTreeNode* target) {
    if (set == nullptr || !set->CanAnnotate || selection.size() != 1 || target == nullptr)
        return TDropAction::Cancel;
    const TTreeNode& dragged = *selection.front();
    // Only whole forms move: a borrower copy or a page taken out of its form would leave the
    // tree showing a package that no longer matches its forms.
    if (!dragged.Info || !dragged.IsAFormNode() || ThisNodeIsOnBranch(dragged, *target))
        return TDropAction::Cancel;
    if (target->Kind == TNodeKind::Root)
        return TDropAction::MoveToFront;
    if (target->IsAFormNode())
        return TDropAction::MoveBefore;
    return TDropAction::Cancel;
}

bool DropHitMoves(TTreeHit hit) {
    return hit == TTreeHit::OnItem || hit == TTreeHit::OnIndent || hit == TTreeHit::Nowhere;
}

bool DropSelected(TDocTree& tree, const TDocSet* set, const TSelection& selection, const TTreeNode* target) {
    switch (DecideDrop(set, selection, target)) {
    case TDropAction::MoveToFront:
        tree.MoveToFront(*selection.front());
        return true;
    case TDropAction::MoveBefore:
        tree.MoveBefore(*selection.front(), *target);
        return true;
    case TDropAction::Cancel:
        break;
    }
    return false;
}

} // namespace pg
