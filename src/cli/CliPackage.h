#pragma once
// What every pagellan-cli command that reads a package shares: reading it, telling the user
// when it is damaged, refusing to write from a damaged package unless asked to, and the one
// numbering of its forms.

#include "DocSet.h"
#include "DocTree.h"

#include <memory>
#include <string>
#include <vector>

namespace pg::cli {

// The switch that lets a writing command write from a damaged package anyway.
inline constexpr char kAcceptDamagedOption[] = "accept-damaged";

// Reads the package at path (throws what reading throws). When it is damaged, says so on
// stderr: "pagellan-cli COMMAND: PATH is damaged:" and what is damaged.
std::unique_ptr<TDocSet> ReadCliPackage(const std::string& path, const std::string& command);

// The exit status of a command that read the set and did its work: 1 for a damaged package
// (already reported by ReadCliPackage), else status.
int StatusAfterReading(const TDocSet& set, int status = 0);

// Whether a command that writes from the set (convert, job, pdf, print, mail) may go on: never
// for a package without forms, not for a damaged one unless args hold --accept-damaged; the
// refusal is said on stderr.
bool MayWriteFrom(const TDocSet& set, const std::vector<std::string>& args, const std::string& command);

// The forms of a package numbered as every command numbers them: the display order of the
// main window's tree after the plan code's reordering. Form number N is the N-th form of that
// order; an attachment, which has no node in the tree, has no number.
class TCliForms {
public:
    // Reorders the set by its plan code, as loading it in the window does.
    explicit TCliForms(TDocSet& set);

    size_t Count() const { return forms_.size(); }
    // The form of number (1-based); nullptr when there is none.
    TDocSetForm* Form(int number) const;
    // The number of a form; 0 when it has none.
    int NumberOf(const TDocSetForm* form) const;

private:
    std::vector<TDocSetForm*> forms_;
};

// The forms named by --selected (form numbers as TCliForms counts them) into forms; a number
// without a form is said on stderr with the valid range, and answers false.
bool SelectedFormsFromArguments(TDocSet& set, const std::vector<std::string>& args,
                                const std::string& command, std::vector<const TDocSetForm*>& forms);

} // namespace pg::cli
