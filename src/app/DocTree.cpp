#include "DocTree.h"

#include "Strings.h"

#include <algorithm>
#include <unordered_set>

namespace pg {

int TTreeNode::Level() const {
    int level = 0;
    for (const TTreeNode* p = Parent; p != nullptr; p = p->Parent)
        ++level;
    return level;
}

TTreeNode& TTreeNode::AddChild(std::unique_ptr<TTreeNode> child) {
    child->Parent = this;
    child->row_ = int(Children.size());
    Children.push_back(std::move(child));
    return *Children.back();
}

std::string Capitalise(std::string_view text) {
    std::string out = LowerCase(text);
    bool start = true;
    for (char& c : out) {
        if (start && c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        start = c == ' ';
    }
    return out;
}

std::string RootCaption(const TDocSet& set) {
    std::string caption = "WS # " + set.WorksheetNumber;
    if (!set.PlanCode.empty()) {
        caption += "   Plan: " + set.PlanCode;
        if (set.Reordered)
            caption += " (reordered)";
    }
    return caption;
}

namespace {

int PageImage(const TDocSetPage& page) {
    return page.HasAnnotations() ? kImageAnnotated : kImagePage;
}

std::unique_ptr<TTreeNode> MakeNode(TNodeKind kind, std::string caption, int image, TDocSetForm* form,
                                    int32_t page, bool multipleBorrowers) {
    auto node = std::make_unique<TTreeNode>();
    node->Kind = kind;
    node->Caption = std::move(caption);
    node->ImageIndex = image;
    node->Info = std::make_unique<TInfo>();
    node->Info->Form = form;
    node->Info->PageNumber = page;
    node->Info->MultipleBorrowers = multipleBorrowers;
    return node;
}

void CollectDisplayOrder(TTreeNode& node, std::vector<TTreeNode*>& out) {
    out.push_back(&node);
    for (auto& child : node.Children)
        CollectDisplayOrder(*child, out);
}

} // namespace

void TDocTree::Clear() {
    root_.reset();
    maxCaptionWidth_ = 0;
}

void TDocTree::AddFormNode(TDocSetForm& form, TTreeNode& parent, TNodeKind kind, std::string caption,
                           bool multipleBorrowers) {
    maxCaptionWidth_ = std::max(maxCaptionWidth_, measure_ ? measure_(caption) : 0);
    if (form.PageCount() <= 1) {
        const int image = form.HasAnnotations() ? kImageAnnotated : kImagePage;
        parent.AddChild(MakeNode(kind, std::move(caption), image, &form, 1, multipleBorrowers));
        return;
    }
    TTreeNode& node =
        parent.AddChild(MakeNode(kind, std::move(caption), kImageMultiPage, &form, -1, multipleBorrowers));
    for (const auto& page : form.Pages)
        node.AddChild(MakeNode(TNodeKind::Page, "Page " + IntToStr(page->PageNumber), PageImage(*page), &form,
                               page->PageNumber, multipleBorrowers));
}

void TDocTree::Build(TDocSet& set, const TCaptionMeasure& measure) {
    Clear();
    measure_ = measure;
    root_ = std::make_unique<TTreeNode>();
    root_->Caption = RootCaption(set);
    const size_t n = set.Forms.size();
    size_t i = 0;
    while (i < n) {
        TDocSetForm& form = set.Form(i);
        set.CurrentForm = &form;
        if (form.Format == kFormatAttachment) {
            ++i;
            continue;
        }
        if (i + 1 < n && set.Form(i + 1).Name == form.Name) {
            std::string caption = Capitalise(form.Description);
            maxCaptionWidth_ = std::max(maxCaptionWidth_, measure_ ? measure_(caption) : 0);
            TTreeNode& group =
                root_->AddChild(MakeNode(TNodeKind::Group, std::move(caption), kImageGroup, &form, -1, true));
            for (; i < n && set.Form(i).Name == form.Name; ++i) {
                TDocSetForm& copy = set.Form(i);
                set.CurrentForm = &copy;
                if (copy.Format != kFormatAttachment)
                    AddFormNode(copy, group, TNodeKind::Borrower, Capitalise(copy.BorrowerName), true);
            }
            continue;
        }
        AddFormNode(form, *root_, TNodeKind::Form, Capitalise(form.Description), false);
        ++i;
    }
    measure_ = nullptr;
}

std::vector<TTreeNode*> TDocTree::DisplayOrder() const {
    std::vector<TTreeNode*> out;
    if (root_)
        CollectDisplayOrder(*root_, out);
    return out;
}

std::vector<TDocSetForm*> TDocTree::FormsInDisplayOrder() const {
    std::vector<TDocSetForm*> out;
    for (TTreeNode* node : DisplayOrder())
        if (node->Kind == TNodeKind::Form || node->Kind == TNodeKind::Borrower)
            out.push_back(node->Form());
    return out;
}

TTreeNode* TDocTree::LastNode() const {
    TTreeNode* node = root_.get();
    while (node != nullptr && node->HasChildren())
        node = node->Children.back().get();
    return node;
}

void TDocTree::Renumber(TTreeNode& parent) {
    for (size_t i = 0; i < parent.Children.size(); ++i)
        parent.Children[i]->row_ = int(i);
}

void TDocTree::MoveToFront(TTreeNode& node) {
    auto& children = root_->Children;
    const auto from = children.begin() + node.Row();
    std::rotate(children.begin(), from, from + 1);
    Renumber(*root_);
}

void TDocTree::MoveBefore(TTreeNode& node, const TTreeNode& target) {
    auto& children = root_->Children;
    const int from = node.Row();
    const int to = target.Row();
    if (from < to)
        std::rotate(children.begin() + from, children.begin() + from + 1, children.begin() + to);
    else
        std::rotate(children.begin() + to, children.begin() + from, children.begin() + from + 1);
    Renumber(*root_);
}

bool ThisNodeIsOnBranch(const TTreeNode& branch, const TTreeNode& node) {
    for (const TTreeNode* p = &node; p != nullptr; p = p->Parent)
        if (p == &branch)
            return true;
    return false;
}

int LeafCount(const TTreeNode& node) {
    if (!node.HasChildren())
        return 1;
    int count = 0;
    for (const auto& child : node.Children)
        count += LeafCount(*child);
    return count;
}

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

TSelection NodesToProcess(const TDocTree& tree, const TSelection& selection) {
    if (selection.empty() || tree.Empty())
        return {};
    if (selection.front()->Kind != TNodeKind::Root)
        return selection;
    if (selection.size() > 1 || !tree.Root()->HasChildren())
        return {};
    return {tree.Root()->Children.front().get()};
}

TTreeNode* FirstLeaf(TTreeNode& node) {
    TTreeNode* leaf = &node;
    while (leaf->HasChildren())
        leaf = leaf->Children.front().get();
    return leaf;
}

bool CanViewLeaf(bool loaded, const TTreeNode& node) {
    return loaded && node.Info && !node.HasChildren() && !node.Form()->Deleted;
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
