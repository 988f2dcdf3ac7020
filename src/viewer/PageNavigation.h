#pragma once
// Stepping through the pages of a package in the tree's display order, the way the page
// window's Prev, Next and go-to-page commands do, over the tree nodes of the main window
// (collapsed branches count as well).

#include "DocTree.h"
#include "Prompt.h"
#include "ViewerCore.h"

#include <functional>

namespace pg {

// The node after (before) node in display order; nullptr past the end (before the root).
TTreeNode* NextNodeInOrder(const TTreeNode* node);
TTreeNode* PrevNodeInOrder(const TTreeNode* node);

inline constexpr const char* kBeginningReached =
    "Beginning of document list reached.  Do you wish to start at the end?";
inline constexpr const char* kEndReached =
    "End of document list reached.  Do you wish to start at the beginning?";

// The page node Prev (forward false) or Next (forward true) shows after current, or nullptr
// when the current page stays. Past either end the user is asked (Yes/No/Cancel) whether to
// wrap to last (first); deleted forms and nodes of multi-page forms are skipped.
TTreeNode* StepToPage(const TTreeNode* current, bool forward, TTreeNode* first, TTreeNode* last);

// Marks a page node as opened: the viewed picture when it has no state picture yet.
void MarkViewed(TTreeNode& node);

// The node the go-to-page dialog leads to from current within the current form, or nullptr
// when nothing is to be done. number is the page typed (for the choice Page).
struct TGotoResult {
    bool Load = false;         // load the page of Node
    TTreeNode* Node = nullptr; // the node to show (may be current itself)
};
TGotoResult GotoFormPage(TTreeNode* current, TGotoChoice choice, int number);

} // namespace pg
