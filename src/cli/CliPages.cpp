#include "CliPages.h"

#include "CliPackage.h"
#include "PackageExtensions.h"
#include "PclPageDocuments.h"
#include "Strings.h"

#include <filesystem>
#include <iostream>
#include <stdexcept>

namespace pg::cli {

bool IsPackageFile(const std::string& path) {
    return IsPackageExtension(std::filesystem::path(path).extension().string());
}

void TCliPages::Open(const std::string& input, const std::string& command) {
    input_ = input;
    if (IsPackageFile(input)) {
        set_ = ReadCliPackage(input, command);
        // Forms count as info lists them: in the order the window shows them.
        const TCliForms numbers(*set_);
        for (size_t n = 1; n <= numbers.Count(); ++n)
            forms_.push_back(numbers.Form(int(n)));
        return;
    }
    std::string error;
    document_ = OpenPageDocument(input, error);
    if (!document_)
        throw std::runtime_error(error);
}

bool TCliPages::SelectForm(int form) {
    if (form < 1 || form > FormCount()) {
        std::cerr << "No form " << form << " in " << input_ << " (" << FormCount() << " forms)\n";
        return false;
    }
    document_ = std::make_unique<TPackageFormDocument>(*forms_[size_t(form - 1)]);
    formNumber_ = form;
    return true;
}

int TCliPages::Status() const {
    return set_ ? StatusAfterReading(*set_) : 0;
}

bool TCliPages::Check(int page) const {
    if (document_ && document_->HasPage(page))
        return true;
    if (formNumber_ != 0)
        std::cerr << "No page " << page << " in form " << formNumber_ << " (" << PageCount() << " pages)\n";
    else
        std::cerr << "No page " << page << " in " << input_ << " (" << PageCount() << " pages)\n";
    return false;
}

} // namespace pg::cli
