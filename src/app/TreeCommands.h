#pragma once
// What the main window's commands do to the tree and its selection: page counts of the
// selection, the states of the commands, deleting and undeleting forms, drag and drop of
// forms. Decided here, without a window, so it can be tested headless.

#include "DocTree.h"

#include <string>

namespace pg {

// Marks the forms under the selection Selected and returns the number of selected pages: the
// set's page total when the first selected node is the root, else the leaves below the selected
// nodes, each leaf counted once.
int GetNumberOfPagesSelected(TDocSet* set, bool loaded, const TSelection& selection);
// Panel 2: pages + " of " + total + " pgs" while loaded, else empty.
std::string PagesSelectedText(bool loaded, int pages, int total);

// At least one node selected, each a form node with a TInfo whose form's Deleted differs from
// deleted.
bool AllSelectedItemsAreONLYForms(const TSelection& selection, bool deleted);
// At least one node selected, each with a TInfo whose form is not deleted.
bool AllSelectedItemsAreANYTHING(const TSelection& selection);
// Some node's form is changed and not deleted.
bool GetSomeNodesChanged(const TDocTree& tree);

// What ProcessSelectedNodes does with the processed nodes: open their pages, or toggle the
// deletion of their forms.
enum class TProcessKind { View = 0, Delete = 3 };

// Toggles deletion of every processed node's form and the forms below it. A locked set keeps
// everything as it is. Returns whether anything changed.
bool ToggleDeleted(TDocSet& set, const TDocTree& tree, const TSelection& selection);
// "&Undelete " when the first selected node's form is deleted, else "&Delete ".
std::string DeleteItemCaption(const TSelection& selection);

// Drag and drop of forms.
// Whether a drag may go on: without the permission nothing is checked; with it exactly one
// form node with a TInfo must be selected.
bool DragAllowed(bool hasStackingPermission, const TSelection& selection);
enum class TDropAction { Cancel, MoveToFront, MoveBefore };
// Where the pointer is over the tree: on an item (its picture or caption), in its indent, on its
// expander button, right of its caption, below the last item, or not over the tree at all.
enum class TTreeHit { OnItem, OnIndent, OnButton, OnRight, Nowhere, Outside };
// A drop moves a form only with the pointer on an item, in its indent or on empty space of the
// tree; a drop on an expander or right of a caption is too easily a slip of the hand.
bool DropHitMoves(TTreeHit hit);
// What a drop of the selected node on target (nullptr: no item under the pointer) does.
TDropAction DecideDrop(const TDocSet* set, const TSelection& selection, const TTreeNode* target);
// Carries out the decision; true when the node moved.
bool DropSelected(TDocTree& tree, const TDocSet* set, const TSelection& selection, const TTreeNode* target);

} // namespace pg
