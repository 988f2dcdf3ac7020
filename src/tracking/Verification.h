#pragma once
// Bar-code verification of a printed stack. Every printed page carries the code of its form and
// page (PrintJob.h); a hand-held scanner reads the codes of the stack one by one, and what was
// read is compared with the codes the package's job carries: which pages are there, which codes
// belong to nothing, which pages are missing, and (when the order matters) which pages lie out
// of place. Custom groups narrow the comparison to some documents of the package.

#include "DocSet.h"
#include "DocTree.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

inline constexpr char kUnknownBarcodePrefix[] = "Unknown BarCode: ";
inline constexpr char kRepeatedBarcodePrefix[] = "Repeated BarCode: ";

// One page the printed stack should hold.
struct TExpectedPage {
    std::string Code; // as printed; scanners hand codes back upper-cased
    TDocSetForm* Form = nullptr;
    int32_t PageNumber = 0;
    int32_t FormNumber = 0; // 1-based position of the form in display order
};

// The pages of the package's full job (every form that is not deleted, in display order, one
// set) that carry a bar code, in print order.
std::vector<TExpectedPage> ExpectedPages(const TDocSet& set, const TDocTree& tree);

// "Form 3 NOTE.DOT (Note), page 2, borrower 1": how a report names an expected page.
std::string ExpectedPageText(const TExpectedPage& page);

// A scanned code as compared: what the scanner typed up to the first line end, without
// surrounding blanks, upper-cased.
std::string NormaliseScannedCode(std::string_view typed);

enum class TScanKind { Empty, Known, Repeated, OutOfOrder, Unknown };

struct TScanResult {
    TScanKind Kind = TScanKind::Empty;
    const TExpectedPage* Page = nullptr; // the page the code belongs to (Known, Repeated, OutOfOrder)
    std::string Code;                    // the normalised code
    std::string Message;                 // for Unknown, Repeated and OutOfOrder; empty otherwise
};

// One verification run: codes are read one at a time until the operator stops.
class TBarcodeVerifier {
public:
    // Every expected page is a page of the stack of its own, also when two carry one code.
    TBarcodeVerifier(std::vector<TExpectedPage> expected, bool orderMatters);

    // Takes one scanned code. It marks the first unread page with that code (with the order
    // mattering, the next page of the stack when that one carries it); a code whose pages have
    // all been read is Repeated. With the order mattering, a page that is not the next unread
    // one after the page read before it is still counted, and reported as OutOfOrder with the
    // expected code (or "the end of the stack" when no page should follow) in the message.
    TScanResult Read(std::string_view typed);

    // The expected pages not read, in print order.
    std::vector<const TExpectedPage*> Missing() const;
    // What went wrong, each once per scan, in scan order: unknown codes (each code once),
    // codes read more often than pages carry them, and pages read out of place.
    const std::vector<std::string>& UnknownCodes() const { return unknown_; }
    const std::vector<std::string>& RepeatedCodes() const { return repeated_; }
    const std::vector<std::string>& OutOfOrderCodes() const { return outOfOrder_; }
    const std::vector<TExpectedPage>& Expected() const { return expected_; }
    size_t ReadCount() const;

private:
    size_t NextExpected() const;

    std::vector<TExpectedPage> expected_;
    std::vector<bool> read_;
    std::vector<std::string> unknown_;
    std::vector<std::string> repeated_;
    std::vector<std::string> outOfOrder_;
    bool orderMatters_ = false;
    size_t cursor_ = 0; // the page after the one read last
};

// "Out of order: " + code + " (expected " + expected code + ")".
std::string OutOfOrderMessage(const std::string& code, const std::string& expected);

// Whether the missing-documents dialog offers "Print Confirmation" (the page saying every form
// exists) after a run: only a run over the whole package with pages to find, none missing.
bool ConfirmationOffered(bool wholePackage, const TBarcodeVerifier& run);

// ---- Custom groups ---------------------------------------------------------------------------

// How a document of a custom group is listed and matched: "NAME: Description, Borrower n".
std::string DocumentEntry(const TDocSetForm& form);

// The documents a new group starts with: the forms of the selected nodes (and of everything
// below them), all forms when nothing is selected; deleted forms never; in display order, each
// once.
std::vector<std::string> GroupDocuments(const TDocTree& tree, const TSelection& selection);

// The expected pages of the documents given (the checked documents of a group).
std::vector<TExpectedPage> GroupExpectedPages(const std::vector<TExpectedPage>& all,
                                              const std::vector<std::string>& documents);

// The custom groups of the verification dialog: a sorted list of entries, each the group name
// followed by its documents, separated by the byte 0xFD. They live as long as the dialog.
class TCustomGroupings {
public:
    // Adds a group; a blank name adds nothing (answers false). The separator byte cannot be part
    // of a name or a document.
    bool AddGroup(const std::string& name, const std::vector<std::string>& documents);
    void DeleteGroup(size_t index);
    // Drops one document of the group; false when either index is out of range.
    bool RemoveDocument(size_t group, size_t document);

    size_t Count() const { return entries_.size(); }
    std::vector<std::string> Names() const;
    std::vector<std::string> Documents(size_t group) const;
    const std::vector<std::string>& Entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
};

} // namespace pg
