#include "PageNavigation.h"

namespace pg {

namespace {

bool HasInfo(const TTreeNode* node) {
    return node != nullptr && node->Info != nullptr;
}

bool IsFormNodeInfo(const TTreeNode* node) {
    return node->Info->PageNumber == -1;
}

TTreeNode* Step(const TTreeNode* node, bool forward) {
    return forward ? NextNodeInOrder(node) : PrevNodeInOrder(node);
}

TTreeNode* Sibling(const TTreeNode* node, int offset) {
    if (node->Parent == nullptr)
        return nullptr;
    const int row = node->Row() + offset;
    if (row < 0 || row >= int(node->Parent->Children.size()))
        return nullptr;
    return node->Parent->Children[size_t(row)].get();
}

TTreeNode* LastDescendant(TTreeNode* node) {
    while (node->HasChildren())
        node = node->Children.back().get();
    return node;
}

} // namespace

TTreeNode* NextNodeInOrder(const TTreeNode* node) {
    if (node == nullptr)
        return nullptr;
    if (node->HasChildren())
        return node->Children.front().get();
    for (const TTreeNode* n = node; n != nullptr; n = n->Parent)
        if (TTreeNode* next = Sibling(n, 1))
            return next;
    return nullptr;
}

TTreeNode* PrevNodeInOrder(const TTreeNode* node) {
    if (node == nullptr)
        return nullptr;
    if (TTreeNode* prev = Sibling(node, -1))
        return LastDescendant(prev);
    return node->Parent;
}

TTreeNode* StepToPage(const TTreeNode* current, bool forward, TTreeNode* first, TTreeNode* last) {
    TTreeNode* node = Step(current, forward);
    if (!HasInfo(node)) {
        if (AskYesNoCancel(forward ? kEndReached : kBeginningReached) != PromptAnswer::Yes)
            return nullptr;
        node = forward ? first : last;
        while (node != nullptr && !HasInfo(node))
            node = Step(node, forward);
    }
    while (HasInfo(node) && (node->Form()->Deleted || IsFormNodeInfo(node)))
        node = Step(node, forward);
    if (!HasInfo(node) || IsFormNodeInfo(node))
        return nullptr;
    return node;
}

void MarkViewed(TTreeNode& node) {
    if (node.StateIndex == kNoStateImage)
        node.StateIndex = kImageViewed;
}

TGotoResult GotoFormPage(TTreeNode* current, TGotoChoice choice, int number) {
    if (!HasInfo(current))
        return {};
    const TInfo& info = *current->Info;
    const int count = info.Form != nullptr ? info.Form->PageCount() : 0;
    const int shown = info.PageNumber;
    switch (choice) {
    case TGotoChoice::First:
        if (IsFormNodeInfo(current))
            return {};
        number = 1;
        break;
    case TGotoChoice::Last:
        if (shown == count)
            return {};
        number = count;
        break;
    case TGotoChoice::Page:
        if (number == 0 || number == shown)
            return {};
        break;
    }
    if (number < 1 || number > count)
        return {true, current};
    const bool forward = number > shown;
    TTreeNode* node = current;
    while (HasInfo(node) && node->Info->PageNumber != number)
        node = Step(node, forward);
    if (!HasInfo(node))
        return {true, current};
    return {true, node};
}

} // namespace pg
