#include "PackagePdf.h"

#include "PackageText.h"

#include <unordered_map>

namespace pg {

namespace {

// The form node (a child of the root) the node belongs to.
const TTreeNode* FormNodeOf(const TTreeNode* node) {
    while (node->Parent != nullptr && node->Parent->Parent != nullptr)
        node = node->Parent;
    return node;
}

// The borrower copy the node belongs to, if any.
const TTreeNode* BorrowerNodeOf(const TTreeNode* node) {
    for (; node != nullptr; node = node->Parent)
        if (node->Kind == TNodeKind::Borrower)
            return node;
    return nullptr;
}

} // namespace

TPdfOutline JobOutline(const TDocTree& tree, const std::vector<TJobPage>& pages) {
    std::unordered_map<const TInfo*, const TTreeNode*> nodes;
    for (const TTreeNode* node : tree.DisplayOrder())
        if (node->Info)
            nodes.emplace(node->Info.get(), node);
    TPdfOutline outline;
    outline.Pages = int(pages.size());
    const TTreeNode* formBefore = nullptr;
    const TTreeNode* borrowerBefore = nullptr;
    int32_t copyBefore = -1, pageBefore = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        const auto found = nodes.find(pages[i].Info);
        if (found == nodes.end()) {
            formBefore = borrowerBefore = nullptr;
            continue;
        }
        const TTreeNode* form = FormNodeOf(found->second);
        const TTreeNode* borrower = BorrowerNodeOf(found->second);
        const int page = int(i);
        const bool newForm = form != formBefore || pages[i].Copy != copyBefore;
        if (newForm)
            outline.Items.push_back({PackageTextToUtf8(form->Caption), page, {}});
        const bool newBorrower = borrower != nullptr && (newForm || borrower != borrowerBefore);
        if (newBorrower)
            outline.Items.back().Children.push_back({PackageTextToUtf8(borrower->Caption), page, {}});
        // A label runs on while the pages follow each other within one part of a form.
        const int32_t number = pages[i].Info->PageNumber;
        if (newForm || newBorrower || number != pageBefore + 1)
            outline.Labels.push_back({page, PackageTextToUtf8(form->Caption) + " ", number});
        formBefore = form;
        borrowerBefore = borrower;
        copyBefore = pages[i].Copy;
        pageBefore = number;
    }
    return outline;
}

TPdfFinish PackagePdfFinish(const TDocSet&, const TDocTree& tree, const std::vector<TJobPage>& pages,
                            bool withOutline) {
    TPdfFinish finish;
    if (withOutline)
        finish.Outline = JobOutline(tree, pages);
    return finish;
}

TPdfFinish FilePdfFinish(const std::string&, bool withOutline) {
    TPdfFinish finish;
    finish.Outline.EveryPage = withOutline;
    return finish;
}

} // namespace pg
