#pragma once
// A TIFF file as the page window's picture: the scanning plug-in turns the file's first page
// into a bitmap, which is decoded here. As a page document (one page, a picture in colour) it
// is registered with the page documents, so that the window and `render` both open it the way
// they open any loose file.

#include "ImageAntialias.h"
#include "PageDocument.h"

#include <memory>
#include <string>

namespace pg {

// True for a name whose three characters after the last "." are "TIF" in any case
// (scan.tif, scan.TIFF).
bool IsTiffName(const std::string& path);
// True for "XML" the same way (data.xml, data.xmlx).
bool IsXmlName(const std::string& path);

// The picture of the file's first page. Empty when the plug-in is not loaded (error stays
// empty: the program then opens nothing, silently) or when the file cannot be read (error says
// why).
TRgbImage LoadTiffImage(const std::string& path, std::string& error);

// A picture as a page document: one page of the picture's size, drawn in its colours.
class TPicturePageDocument : public TPageDocument {
public:
    explicit TPicturePageDocument(TRgbImage picture) : picture_(std::move(picture)) {}

    const TRgbImage& Picture() const { return picture_; }
    int PageCount() const override { return 1; }
    TPageFacts PageFacts(int page, const TRunOptions& options = {}) override;
    TPageFacts RunPage(int page, TPCLDevice& device, const TRunOptions& options) override;
    TPageDocumentTraits Traits() const override;

private:
    TRgbImage picture_;
};

// The TIFF kind ("TIFF": the names IsTiffName takes), registered with the page documents: the
// picture of the file's first page, made by the scanning plug-in, which is loaded from
// pluginFolder first when it is not loaded yet.
void RegisterTiffPageDocuments(const std::string& pluginFolder);

} // namespace pg
