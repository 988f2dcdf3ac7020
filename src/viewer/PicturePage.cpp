#include "PicturePage.h"

#include <algorithm>
#include <vector>

namespace pg {

namespace {

// Rows of line art handed to a device at a time, as colour.
constexpr int kBandRows = 256;

} // namespace

TPageFacts TPicturePageDocument::PageFacts(int page, const TRunOptions& options) {
    (void)options;
    TPageFacts facts;
    if (!HasPage(page))
        return facts;
    facts.Width = picture_.Width();
    facts.Height = picture_.Height();
    facts.Landscape = facts.Width > facts.Height;
    // The paper a scanned page goes on: legal when it is at most 0.65 times as wide as high.
    facts.Letter = facts.Height == 0 || double(facts.Width) / facts.Height > 0.65;
    return facts;
}

TPageFacts TPicturePageDocument::RunPage(int page, TPCLDevice& device, const TRunOptions& options) {
    device.StartPage(picture_.Width(), picture_.Height());
    if (!HasPage(page) || picture_.Empty())
        return PageFacts(page, options);
    if (picture_.Bilevel.Empty()) {
        const TRgbImage& colour = picture_.Colour;
        TPicture picture;
        picture.Pixels = {colour.Data(), colour.Stride() * size_t(colour.Height())};
        picture.Width = colour.Width();
        picture.Height = colour.Height();
        picture.Stride = colour.Stride();
        picture.Bilevel = colour.Monochrome;
        device.DrawPicture(0, 0, picture);
        return PageFacts(page, options);
    }
    const TMonoImage& mono = picture_.Bilevel;
    std::vector<uint8_t> band;
    for (int first = 0; first < mono.Height(); first += kBandRows) {
        const int rows = std::min(kBandRows, mono.Height() - first);
        mono.ExpandRows(first, rows, band);
        TPicture picture;
        picture.Pixels = band;
        picture.Width = mono.Width();
        picture.Height = rows;
        picture.Stride = size_t(mono.Width()) * 3;
        picture.Bilevel = mono.Monochrome();
        device.DrawPicture(0, first, picture);
    }
    return PageFacts(page, options);
}

TPageDocumentTraits TPicturePageDocument::Traits() const {
    TPageDocumentTraits traits;
    traits.Navigable = false;
    traits.Annotations = false;
    traits.Pictures = true;
    return traits;
}

const TPagePicture* PictureOfDocument(const TPageDocument& document) {
    const auto* pictures = dynamic_cast<const TPicturePageDocument*>(&document);
    return pictures == nullptr ? nullptr : &pictures->Picture();
}

} // namespace pg
