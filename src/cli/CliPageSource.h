#pragma once
// The pages of one input, read once, for the commands that draw pages (render, text): a
// package form's pages (fill followed by template, as the page window joins them) or the pages
// of a plain PCL file as the interpreter splits it.

#include "DocSet.h"
#include "HLWStream.h"
#include "PCLParse.h"

#include <memory>
#include <string>

namespace pg::cli {

// Whether the file is read as a package (by its extension) rather than as plain PCL.
bool IsPackageFile(const std::string& path);

class TPageSource {
public:
    // Reads the input (throws what reading throws); command names the command in messages.
    void Open(const std::string& input, const std::string& command);
    bool IsPackage() const { return set_ != nullptr; }
    // The package's forms as every command numbers them; 0 for a plain file.
    int FormCount() const;
    // Pages come from form `form` of the package from now on. False (with the reason on
    // stderr) when there is no such form.
    bool SelectForm(int form);

    // The exit status of a run that used its pages: 1 from a damaged package.
    int Status() const;

    // The pages of the selected form, or of the plain file.
    int PageCount() const;
    // False (with the reason on stderr) when there is no page `page`; -1 is a file's whole input.
    bool Check(int page) const;
    // The PCL of a checked page as the page window renders it.
    THLWMemorystream Pcl(int page) const;

private:
    std::string input_;
    std::unique_ptr<TDocSet> set_;
    std::vector<TDocSetForm*> forms_;
    const TDocSetForm* form_ = nullptr;
    int formNumber_ = 0;
    std::unique_ptr<TPCLBuffer> file_;
};

} // namespace pg::cli
