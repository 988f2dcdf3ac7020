#include "PackagePdf.h"

#include "PGRegistry.h"
#include "PackageText.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
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

std::string JoinNonBlank(const std::string& a, const std::string& separator, const std::string& b) {
    if (a.empty() || b.empty())
        return a + b;
    return a + separator + b;
}

// File names on this system are UTF-8 already.
std::string FileTitle(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string Creator() {
    return "Pagellan " + ProgramVersion();
}

} // namespace

TPdfOutline JobOutline(const TDocTree& tree, const std::vector<TJobPage>& pages) {
    std::unordered_map<const TInfo*, const TTreeNode*> nodes;
    for (const TTreeNode* node : tree.DisplayOrder())
        if (node->Info)
            nodes.emplace(node->Info.get(), node);
    TPdfOutline outline;
    int page = 0; // the PDF page the job page begins on
    const TTreeNode* formBefore = nullptr;
    const TTreeNode* borrowerBefore = nullptr;
    int32_t copyBefore = -1, pageBefore = 0;
    for (size_t i = 0; i < pages.size(); page += std::max(pages[i].PdfPages, 0), ++i) {
        const auto found = nodes.find(pages[i].Info);
        if (found == nodes.end()) {
            formBefore = borrowerBefore = nullptr;
            continue;
        }
        const TTreeNode* form = FormNodeOf(found->second);
        const TTreeNode* borrower = BorrowerNodeOf(found->second);
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
        // The pages after the first of a Vivaform page's PDF carry on its label.
        pageBefore = number + std::max(pages[i].PdfPages, 1) - 1;
    }
    outline.Pages = page;
    return outline;
}

TPdfDocumentInfo PackageDocumentInfo(const TDocSet& set) {
    TPdfDocumentInfo info;
    const std::string worksheet = set.WorksheetNumber.empty() ? std::string() : "WS # " + set.WorksheetNumber;
    info.Title = PackageTextToUtf8(JoinNonBlank(worksheet, " - ", set.LenderName));
    if (info.Title.empty())
        info.Title = FileTitle(set.FileName);
    info.Author = PackageTextToUtf8(set.LenderName);
    info.Subject = "Loan documents";
    info.Keywords = PackageTextToUtf8(
        JoinNonBlank(set.WorksheetNumber.empty() ? std::string() : "Worksheet " + set.WorksheetNumber, ", ",
                     set.PlanCode.empty() ? std::string() : "Plan " + set.PlanCode));
    info.Creator = Creator();
    info.Created = std::time(nullptr);
    return info;
}

TPdfDocumentInfo FileDocumentInfo(const std::string& path) {
    TPdfDocumentInfo info;
    info.Title = FileTitle(path);
    info.Creator = Creator();
    info.Created = std::time(nullptr);
    return info;
}

TPdfFinish PackagePdfFinish(const TDocSet& set, const TDocTree& tree, const std::vector<TJobPage>& pages,
                            bool withOutline) {
    TPdfFinish finish;
    if (withOutline)
        finish.Outline = JobOutline(tree, pages);
    finish.Info = PackageDocumentInfo(set);
    return finish;
}

TPdfFinish FilePdfFinish(const std::string& path, bool withOutline) {
    TPdfFinish finish;
    finish.Outline.EveryPage = withOutline;
    finish.Info = FileDocumentInfo(path);
    return finish;
}

} // namespace pg
