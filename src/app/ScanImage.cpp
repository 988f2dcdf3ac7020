#include "ScanImage.h"

#include "BmpImage.h"
#include "Paths.h"
#include "ScanPlugin.h"
#include "Strings.h"

namespace pg {

bool IsTiffName(const std::string& path) {
    return UpperCase(ExtensionPart(path)) == "TIF";
}

bool IsXmlName(const std::string& path) {
    return UpperCase(ExtensionPart(path)) == "XML";
}

TRgbImage LoadTiffImage(const std::string& path, std::string& error) {
    error.clear();
    if (!ScanPluginLoaded())
        return {};
    const auto bitmap = TiffToBmp(path);
    if (bitmap == nullptr) {
        error = ScanPluginError();
        if (error.empty())
            error = "The scanning plug-in made no picture of " + path;
        return {};
    }
    return DecodeBmp(bitmap->View(), error);
}

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
    TPicture picture;
    picture.Pixels = {picture_.Data(), picture_.Stride() * size_t(picture_.Height())};
    picture.Width = picture_.Width();
    picture.Height = picture_.Height();
    picture.Stride = picture_.Stride();
    picture.Bilevel = picture_.Monochrome;
    device.DrawPicture(0, 0, picture);
    return PageFacts(page, options);
}

TPageDocumentTraits TPicturePageDocument::Traits() const {
    TPageDocumentTraits traits;
    traits.Navigable = false;
    traits.Annotations = false;
    traits.Pictures = true;
    return traits;
}

void RegisterTiffPageDocuments(const std::string& pluginFolder) {
    TPageDocumentKind kind;
    kind.Name = "TIFF";
    kind.Recognises = IsTiffName;
    kind.Open = [pluginFolder](const std::string& path,
                               std::string& error) -> std::unique_ptr<TPageDocument> {
        LoadScanPlugin(pluginFolder);
        if (!ScanPluginLoaded()) {
            error =
                "The scanning plug-in (libPagellanScan.so) is not installed; " + path + " cannot be shown.";
            return nullptr;
        }
        TRgbImage picture = LoadTiffImage(path, error);
        if (picture.Empty())
            return nullptr;
        return std::make_unique<TPicturePageDocument>(std::move(picture));
    };
    RegisterPageDocumentKind(std::move(kind));
}

} // namespace pg
