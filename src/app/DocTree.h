#pragma once
// The document tree without a window: one root for the package, one node per form (or a group
// node with one child per borrower copy), one child per page of a multi-page form. The main
// window renders these nodes; selection counts, deletion and drag-and-drop moves are decided
// here so they can be tested headless. The print walk and the stacking-order save read the
// forms in display order from this tree.

#include "DocSet.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pg {

enum class TNodeKind { Root, Form, Group, Borrower, Page };

// Picture indexes of the tree's image list.
inline constexpr int kImageRoot = 0;
inline constexpr int kImageGroup = 1;
inline constexpr int kImageMultiPage = 2;
inline constexpr int kImagePage = 3;
inline constexpr int kImageViewed = 4; // state picture of a node whose page has been opened
inline constexpr int kImageAnnotated = 8;
inline constexpr int kNoStateImage = -1;

class TTreeNode {
public:
    TNodeKind Kind = TNodeKind::Root;
    std::string Caption;
    int ImageIndex = kImageRoot;
    int StateIndex = kNoStateImage;
    std::unique_ptr<TInfo> Info; // none for the root
    TTreeNode* Parent = nullptr;
    std::vector<std::unique_ptr<TTreeNode>> Children;

    int Level() const;
    bool HasChildren() const { return !Children.empty(); }
    // Position among the parent's children (0 for the root).
    int Row() const { return row_; }
    TDocSetForm* Form() const { return Info ? Info->Form : nullptr; }
    // A child of the root: single forms, multi-page forms and group nodes.
    bool IsAFormNode() const { return Level() == 1; }

    TTreeNode& AddChild(std::unique_ptr<TTreeNode> child);

private:
    friend class TDocTree;
    int row_ = 0;
};

// Width of a caption in the tree font, in pixels.
using TCaptionMeasure = std::function<int(const std::string&)>;

// Lower case, then every letter that starts the text or follows a blank in upper case.
std::string Capitalise(std::string_view text);
// "WS # " + worksheet + "   Plan: " + plan code (+ " (reordered)").
std::string RootCaption(const TDocSet& set);

class TDocTree {
public:
    // Builds the nodes of the set; attachment forms get none. Sets the set's CurrentForm while
    // walking and measures every form, group and borrower caption into MaxCaptionWidth.
    void Build(TDocSet& set, const TCaptionMeasure& measure);
    void Clear();
    bool Empty() const { return !root_; }

    TTreeNode* Root() const { return root_.get(); }
    int MaxCaptionWidth() const { return maxCaptionWidth_; }
    // Every node, depth first, in display order.
    std::vector<TTreeNode*> DisplayOrder() const;
    // The forms of the form, group and borrower nodes in display order (the forms of a group
    // are those of its borrower children).
    std::vector<TDocSetForm*> FormsInDisplayOrder() const;
    TTreeNode* LastNode() const;

    // Moves a form node to the root's first place or before another form node.
    void MoveToFront(TTreeNode& node);
    void MoveBefore(TTreeNode& node, const TTreeNode& target);

private:
    void AddFormNode(TDocSetForm& form, TTreeNode& parent, TNodeKind kind, std::string caption,
                     bool multipleBorrowers);
    void Renumber(TTreeNode& parent);

    std::unique_ptr<TTreeNode> root_;
    int maxCaptionWidth_ = 0;
    TCaptionMeasure measure_;
};

// True when node is branch or lies below it.
bool ThisNodeIsOnBranch(const TTreeNode& branch, const TTreeNode& node);
// Number of leaves below the node (a node without children is its own leaf).
int LeafCount(const TTreeNode& node);

// The selection, in display order.
using TSelection = std::vector<TTreeNode*>;

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

// The nodes a command on the selection works on: the selection; the node after the root when
// only the root is selected; nothing when the root is selected with other nodes.
TSelection NodesToProcess(const TDocTree& tree, const TSelection& selection);
// The leaf reached from the node through first children.
TTreeNode* FirstLeaf(TTreeNode& node);
// Whether a page window may open on the node (a leaf with a TInfo whose form is not deleted).
bool CanViewLeaf(bool loaded, const TTreeNode& node);

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
