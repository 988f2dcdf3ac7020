#pragma once
// Rendering one page for the page window: the page drawn by its document on a page bitmap at
// 300 dots per inch (a picture page in its own colours), and its conversion into the 24-bit
// picture the window smooths and scales.

#include "DocSet.h"
#include "HLWStream.h"
#include "ImageAntialias.h"
#include "PageBitmap.h"
#include "PageDocument.h"
#include "PagePicture.h"
#include "PclPageDocuments.h"

#include <memory>
#include <string>

namespace pg {

// The page's fill data followed by its template data; nullptr when the node has no page.
std::unique_ptr<THLWMemorystream> JoinPageStreams(const TInfo& info);

// The picture of a page bitmap. With colour the page palette's colours are kept (fill text
// stays blue); without it every pixel that is not white becomes black.
TRgbImage ConvertPageBitmap(const TPageBitmap& bitmap, bool colour);

// Writes the bitmap as an 8-bit Windows bitmap file with the page palette; false on failure.
bool SavePageBitmap8(const TPageBitmap& bitmap, const std::string& path);

struct TRenderOptions {
    std::string PaperHint;
    bool Colour = true; // "FormFillColor" not 0
    // When set, the page bitmap is also written here before it is converted.
    std::string DumpFile;
};

// Page `page` of the document drawn on a page bitmap in the format the fill colour asks for.
TPageBitmap RenderPageBitmap(TPageDocument& document, int page, const TRunOptions& options);
// The page as the window shows it: a PCL page drawn on the page bitmap and converted; a picture
// page in its own colours.
TRgbImage RenderPage(TPageDocument& document, int page, const TRenderOptions& options);
// What the page window keeps of a page: the picture of a picture page as it is kept (line art
// one bit a pixel), every other page as RenderPage draws it.
TPagePicture RenderPagePicture(TPageDocument& document, int page, const TRenderOptions& options);

// The same for a page of PCL that stands on its own (it loses its letter and legal commands
// first), as the window draws a package page.
TPageBitmap RenderPageBitmap(const THLWMemorystream& stream, const std::string& paperHint);
TRgbImage RenderPage(const THLWMemorystream& stream, const TRenderOptions& options);

} // namespace pg
