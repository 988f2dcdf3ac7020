#include "Verification.h"

#include "PrintTree.h"
#include "Strings.h"

#include <algorithm>

namespace pg {

namespace {

// A name or document text must not split its entry.
std::string WithoutSeparator(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), kFieldSeparator), text.end());
    return text;
}

} // namespace

std::vector<TExpectedPage> ExpectedPages(const TDocSet& set, const TDocTree& tree) {
    std::vector<TExpectedPage> pages;
    if (tree.Empty())
        return pages;
    const std::vector<TDocSetForm*> forms = tree.FormsInDisplayOrder();
    TPrintChoices choices;
    choices.BarCodes = true;
    for (TJobBarcode& code : JobBarcodes(set, PrintNodes(tree, {}), {}, choices)) {
        TExpectedPage page;
        page.Code = std::move(code.Value);
        page.Form = code.Form;
        page.PageNumber = code.PageNumber;
        const auto at = std::find(forms.begin(), forms.end(), code.Form);
        page.FormNumber = at == forms.end() ? 0 : int32_t(at - forms.begin()) + 1;
        pages.push_back(std::move(page));
    }
    return pages;
}

std::string ExpectedPageText(const TExpectedPage& page) {
    return "Form " + IntToStr(page.FormNumber) + " " + page.Form->Name + " (" + page.Form->Description +
           "), page " + IntToStr(page.PageNumber) + ", borrower " + IntToStr(page.Form->BorrowerNumber);
}

std::string NormaliseScannedCode(std::string_view typed) {
    const size_t end = typed.find_first_of("\r\n");
    return UpperCase(Trim(typed.substr(0, end)));
}

const char kEndOfStack[] = "the end of the stack";

std::string OutOfOrderMessage(const std::string& code, const std::string& expected) {
    return "Out of order: " + code + " (expected " + expected + ")";
}

TBarcodeVerifier::TBarcodeVerifier(std::vector<TExpectedPage> expected, bool orderMatters)
    : expected_(std::move(expected)), read_(expected_.size(), false), orderMatters_(orderMatters) {}

size_t TBarcodeVerifier::NextExpected() const {
    for (size_t i = cursor_; i < expected_.size(); ++i)
        if (!read_[i])
            return i;
    return expected_.size();
}

TScanResult TBarcodeVerifier::Read(std::string_view typed) {
    TScanResult result;
    result.Code = NormaliseScannedCode(typed);
    if (result.Code.empty())
        return result;
    const auto carries = [&](size_t i) { return UpperCase(expected_[i].Code) == result.Code; };
    size_t known = expected_.size();
    size_t unread = expected_.size();
    for (size_t i = 0; i < expected_.size() && unread == expected_.size(); ++i)
        if (carries(i)) {
            known = std::min(known, i);
            if (!read_[i])
                unread = i;
        }
    if (known == expected_.size()) {
        result.Kind = TScanKind::Unknown;
        result.Message = kUnknownBarcodePrefix + result.Code;
        if (std::find(unknown_.begin(), unknown_.end(), result.Code) == unknown_.end())
            unknown_.push_back(result.Code);
        return result;
    }
    if (unread == expected_.size()) {
        result.Kind = TScanKind::Repeated;
        result.Page = &expected_[known];
        result.Message = kRepeatedBarcodePrefix + result.Code;
        repeated_.push_back(result.Code);
        return result;
    }
    const size_t next = NextExpected();
    // Two pages with one code: in a stack that must be in order, the one due now is meant.
    const size_t index = orderMatters_ && next < expected_.size() && carries(next) ? next : unread;
    result.Page = &expected_[index];
    result.Kind = TScanKind::Known;
    // A page that belongs before one already read is out of place even when nothing else is
    // left to come.
    if (orderMatters_ && next != index) {
        result.Kind = TScanKind::OutOfOrder;
        result.Message = OutOfOrderMessage(
            result.Code, next < expected_.size() ? UpperCase(expected_[next].Code) : kEndOfStack);
        outOfOrder_.push_back(result.Code);
    }
    read_[index] = true;
    cursor_ = index + 1;
    return result;
}

std::vector<const TExpectedPage*> TBarcodeVerifier::Missing() const {
    std::vector<const TExpectedPage*> missing;
    for (size_t i = 0; i < expected_.size(); ++i)
        if (!read_[i])
            missing.push_back(&expected_[i]);
    return missing;
}

size_t TBarcodeVerifier::ReadCount() const {
    return size_t(std::count(read_.begin(), read_.end(), true));
}

bool ConfirmationOffered(bool wholePackage, const TBarcodeVerifier& run) {
    return wholePackage && !run.Expected().empty() && run.Missing().empty();
}

std::string DocumentEntry(const TDocSetForm& form) {
    return WithoutSeparator(form.Name + ": " + form.Description + ", Borrower " +
                            IntToStr(form.BorrowerNumber));
}

std::vector<std::string> GroupDocuments(const TDocTree& tree, const TSelection& selection) {
    std::vector<const TDocSetForm*> chosen;
    for (const TTreeNode* node : selection)
        if (node != nullptr)
            CollectForms(*node, chosen);
    std::vector<std::string> documents;
    for (const TDocSetForm* form : tree.FormsInDisplayOrder()) {
        if (form->Deleted)
            continue;
        if (!selection.empty() && std::find(chosen.begin(), chosen.end(), form) == chosen.end())
            continue;
        std::string entry = DocumentEntry(*form);
        if (std::find(documents.begin(), documents.end(), entry) == documents.end())
            documents.push_back(std::move(entry));
    }
    return documents;
}

std::vector<TExpectedPage> GroupExpectedPages(const std::vector<TExpectedPage>& all,
                                              const std::vector<std::string>& documents) {
    std::vector<TExpectedPage> pages;
    for (const TExpectedPage& page : all)
        if (std::find(documents.begin(), documents.end(), DocumentEntry(*page.Form)) != documents.end())
            pages.push_back(page);
    return pages;
}

bool TCustomGroupings::AddGroup(const std::string& name, const std::vector<std::string>& documents) {
    const std::string clean = WithoutSeparator(name);
    if (Trim(clean).empty())
        return false;
    std::string entry = clean;
    for (const std::string& document : documents)
        entry += kFieldSeparator + WithoutSeparator(document);
    entries_.push_back(std::move(entry));
    // Listed by name, as the user reads them, whatever the documents that follow.
    std::stable_sort(entries_.begin(), entries_.end(), [](const std::string& a, const std::string& b) {
        return UpperCase(a.substr(0, a.find(kFieldSeparator))) <
               UpperCase(b.substr(0, b.find(kFieldSeparator)));
    });
    return true;
}

void TCustomGroupings::DeleteGroup(size_t index) {
    if (index < entries_.size())
        entries_.erase(entries_.begin() + std::ptrdiff_t(index));
}

bool TCustomGroupings::RemoveDocument(size_t group, size_t document) {
    if (group >= entries_.size())
        return false;
    std::vector<std::string> fields = Split(entries_[group], std::string_view(&kFieldSeparator, 1));
    if (document + 1 >= fields.size())
        return false;
    fields.erase(fields.begin() + std::ptrdiff_t(document + 1));
    std::string entry = fields.front();
    for (size_t i = 1; i < fields.size(); ++i)
        entry += kFieldSeparator + fields[i];
    entries_[group] = std::move(entry);
    return true;
}

std::vector<std::string> TCustomGroupings::Names() const {
    std::vector<std::string> names;
    for (const std::string& entry : entries_)
        names.push_back(entry.substr(0, entry.find(kFieldSeparator)));
    return names;
}

std::vector<std::string> TCustomGroupings::Documents(size_t group) const {
    if (group >= entries_.size())
        return {};
    std::vector<std::string> fields = Split(entries_[group], std::string_view(&kFieldSeparator, 1));
    fields.erase(fields.begin());
    return fields;
}

} // namespace pg
