#include "PrinterJobDocument.h"

#include "HLWStream.h"
#include "PclXlDocument.h"

namespace pg {

TMixedJobDocument::TMixedJobDocument(std::vector<std::unique_ptr<TPageDocument>> parts)
    : parts_(std::move(parts)) {}

int TMixedJobDocument::PageCount() const {
    int count = 0;
    for (const auto& part : parts_)
        count += part->PageCount();
    return count;
}

TPageDocument* TMixedJobDocument::Part(int page, int& inPart) const {
    if (page < 1)
        return nullptr;
    for (const auto& part : parts_) {
        if (page <= part->PageCount()) {
            inPart = page;
            return part.get();
        }
        page -= part->PageCount();
    }
    return nullptr;
}

TPageFacts TMixedJobDocument::PageFacts(int page, const TRunOptions& options) {
    int inPart = 0;
    if (TPageDocument* part = Part(page, inPart))
        return part->PageFacts(inPart, options);
    return TPageDocument::PageFacts(page, options);
}

TPageFacts TMixedJobDocument::RunPage(int page, TPCLDevice& device, const TRunOptions& options) {
    int inPart = 0;
    if (TPageDocument* part = Part(page, inPart))
        return part->RunPage(inPart, device, options);
    // No such page: the blank page the first part gives for one.
    return parts_.empty() ? TPageFacts{} : parts_.front()->RunPage(0, device, options);
}

std::string TMixedJobDocument::PagePcl(int page) const {
    int inPart = 0;
    const TPageDocument* part = Part(page, inPart);
    return part ? part->PagePcl(inPart) : std::string();
}

std::unique_ptr<TPageDocument> TMixedJobDocument::DetachPage(int page) const {
    int inPart = 0;
    const TPageDocument* part = Part(page, inPart);
    return part ? part->DetachPage(inPart) : nullptr;
}

std::unique_ptr<TPageDocument> OpenPrinterJob(std::string_view bytes, TPclFileDocument::TUse use,
                                              uint32_t fillColour) {
    const std::vector<TLanguageSegment> segments = SplitPrinterLanguages(bytes);
    if (const std::string refusal = UndrawnLanguageMessage(segments); !refusal.empty())
        throw TUndrawnLanguage(refusal);
    if (segments.size() <= 1 && (segments.empty() || segments[0].Language == TPrinterLanguage::Pcl5))
        return std::make_unique<TPclFileDocument>(bytes, use, fillColour);
    std::vector<std::unique_ptr<TPageDocument>> parts;
    for (const TLanguageSegment& segment : segments) {
        const std::string_view part = bytes.substr(segment.Offset, segment.Length);
        if (segment.Language == TPrinterLanguage::PclXl)
            parts.push_back(std::make_unique<TPclXlDocument>(std::string(part)));
        else
            parts.push_back(std::make_unique<TPclFileDocument>(part, use, fillColour));
    }
    if (parts.size() == 1)
        return std::move(parts.front());
    return std::make_unique<TMixedJobDocument>(std::move(parts));
}

std::unique_ptr<TPageDocument> OpenPrinterFile(const std::string& path) {
    THLWMemorystream bytes;
    if (!bytes.LoadFromFile(path))
        throw std::runtime_error("Cannot open " + path);
    return OpenPrinterJob(bytes.View(), TPclFileDocument::TUse::View);
}

} // namespace pg
