#pragma once
// The pages the drawing commands (render, text) work on, opened once as a page document: a
// form of a package (each page its fill over its template) or a loose file (a plain PCL file,
// or a kind registered with the page documents, such as a TIFF picture).

#include "DocSet.h"
#include "PageDocument.h"

#include <memory>
#include <string>
#include <vector>

namespace pg::cli {

// Whether the file is read as a package (by its extension) rather than as a loose file.
bool IsPackageFile(const std::string& path);

class TCliPages {
public:
    // Reads the input (throws what reading throws; a loose file that cannot be opened throws
    // std::runtime_error with the reason); command names the command in messages.
    void Open(const std::string& input, const std::string& command);
    bool IsPackage() const { return set_ != nullptr; }
    // The package's forms as every command numbers them; 0 for a loose file.
    int FormCount() const { return int(forms_.size()); }
    // Pages come from form `form` of the package from now on. False (with the reason on
    // stderr) when there is no such form.
    bool SelectForm(int form);

    // The exit status of a run that used its pages: 1 from a damaged package.
    int Status() const;

    // The selected form's document, or the loose file's; nullptr before a form is selected.
    TPageDocument* Document() const { return document_.get(); }
    int PageCount() const { return document_ ? document_->PageCount() : 0; }
    // False (with the reason on stderr) when the document has no page `page`.
    bool Check(int page) const;

private:
    std::string input_;
    std::unique_ptr<TDocSet> set_;
    std::vector<TDocSetForm*> forms_;
    int formNumber_ = 0;
    std::unique_ptr<TPageDocument> document_;
};

} // namespace pg::cli
