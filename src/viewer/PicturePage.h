#pragma once
// A picture as a page document (a scanned TIFF page): one page of the picture's size, drawn in
// its colours. Line art is kept one bit a pixel; the page window shows it as it is kept, and a
// device is handed it in bands of 24-bit rows, so no copy of the whole page in colour is made.

#include "PageDocument.h"
#include "PagePicture.h"

namespace pg {

class TPicturePageDocument : public TPageDocument {
public:
    explicit TPicturePageDocument(TPagePicture picture) : picture_(std::move(picture)) {}

    const TPagePicture& Picture() const { return picture_; }
    int PageCount() const override { return 1; }
    TPageFacts PageFacts(int page, const TRunOptions& options = {}) override;
    TPageFacts RunPage(int page, TPCLDevice& device, const TRunOptions& options) override;
    TPageDocumentTraits Traits() const override;

private:
    TPagePicture picture_;
};

// The picture of a document that is a picture page; nullptr for every other document.
const TPagePicture* PictureOfDocument(const TPageDocument& document);

} // namespace pg
