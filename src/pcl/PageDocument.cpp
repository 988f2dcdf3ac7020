#include "PageDocument.h"

#include "FontEngine.h"
#include "PclPageDocuments.h"
#include "PrinterJobDocument.h"
#include "TextDevice.h"

#include <exception>
#include <vector>

namespace pg {

TPageFacts TPageDocument::PageFacts(int page, const TRunOptions& options) {
    // The text device draws nothing but measures characters as the page bitmap does, so the
    // page is laid out, and turns out, exactly as it does when it is drawn.
    TTextDevice measure(&TFontEngine::Shared());
    return RunPage(page, measure, options);
}

namespace {

std::vector<TPageDocumentKind>& Kinds() {
    static std::vector<TPageDocumentKind> kinds;
    return kinds;
}

} // namespace

void RegisterPageDocumentKind(TPageDocumentKind kind) {
    for (TPageDocumentKind& known : Kinds())
        if (known.Name == kind.Name) {
            known = std::move(kind);
            return;
        }
    Kinds().push_back(std::move(kind));
}

const TPageDocumentKind* PageDocumentKindOf(const std::string& path) {
    for (const TPageDocumentKind& kind : Kinds())
        if (kind.Recognises && kind.Recognises(path))
            return &kind;
    return nullptr;
}

std::unique_ptr<TPageDocument> OpenPageDocument(const std::string& path, std::string& error) {
    error.clear();
    try {
        if (const TPageDocumentKind* kind = PageDocumentKindOf(path))
            return kind->Open ? kind->Open(path, error) : nullptr;
        return OpenPrinterFile(path);
    } catch (const std::exception& e) {
        error = e.what();
    }
    return nullptr;
}

} // namespace pg
