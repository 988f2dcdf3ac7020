#include "CliPageSource.h"

#include "CliPackage.h"
#include "PackageExtensions.h"
#include "PageRender.h"
#include "Strings.h"

#include <filesystem>
#include <iostream>

namespace pg::cli {

bool IsPackageFile(const std::string& path) {
    return IsPackageExtension(std::filesystem::path(path).extension().string());
}

void TPageSource::Open(const std::string& input, const std::string& command) {
    input_ = input;
    if (IsPackageFile(input)) {
        set_ = ReadCliPackage(input, command);
        // Forms count as info lists them: in the order the window shows them.
        const TCliForms numbers(*set_);
        for (size_t n = 1; n <= numbers.Count(); ++n)
            forms_.push_back(numbers.Form(int(n)));
        return;
    }
    file_ = std::make_unique<TPCLBuffer>();
    file_->LoadFromFile(input);
    file_->Parse();
}

int TPageSource::FormCount() const {
    return int(forms_.size());
}

bool TPageSource::SelectForm(int form) {
    if (form < 1 || form > FormCount()) {
        std::cerr << "No form " << form << " in " << input_ << " (" << FormCount() << " forms)\n";
        return false;
    }
    form_ = forms_[size_t(form - 1)];
    formNumber_ = form;
    return true;
}

int TPageSource::Status() const {
    return set_ ? StatusAfterReading(*set_) : 0;
}

int TPageSource::PageCount() const {
    if (form_)
        return form_->PageCount();
    return file_ ? file_->GetPageCount() : 0;
}

bool TPageSource::Check(int page) const {
    if (page >= 1 && page <= PageCount())
        return true;
    if (file_ && page == -1)
        return true;
    if (form_)
        std::cerr << "No page " << page << " in form " << formNumber_ << " (" << PageCount() << " pages)\n";
    else
        std::cerr << "No page " << page << " in " << input_ << " (" << PageCount() << " pages)\n";
    return false;
}

THLWMemorystream TPageSource::Pcl(int page) const {
    THLWMemorystream out;
    if (form_) {
        const TDocSetPage& p = *form_->Pages[size_t(page - 1)];
        out.AppendStream(p.FillData);
        out.AppendStream(p.TemplateData);
    } else if (page == -1) {
        out.AppendStream(*file_->GetPageStream(-1));
    } else {
        out.AppendStream(FilePageCopy(*file_, page));
    }
    return out;
}

} // namespace pg::cli
