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

} // namespace pg
