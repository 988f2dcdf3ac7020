#pragma once
// Rendering one page for the page window: the page's PCL (fill followed by template) without
// its letter and legal commands, a fresh interpreter, the page bitmap, and its conversion into
// the 24-bit picture the window smooths and scales.

#include "DocSet.h"
#include "HLWStream.h"
#include "ImageAntialias.h"
#include "PCLParse.h"
#include "PageBitmap.h"

#include <memory>
#include <string>

namespace pg {

// The page's fill data followed by its template data; nullptr when the node has no page.
std::unique_ptr<THLWMemorystream> JoinPageStreams(const TInfo& info);

// A copy of page `page` (1..count) of a parsed file, to be shown on its own: in front of it
// the state, soft fonts and macros that earlier pages left in force (a landscape command or a
// font download on an earlier page holds for the pages after it). Empty when there is no such
// page.
THLWMemorystream FilePageCopy(TPCLBuffer& file, int page);

// Deletes every letter and legal page-size command (ESC&l2A, ESC&l3A) from the stream.
void RemovePageSizeCommands(THLWMemorystream& stream);

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

// The first page of the stream drawn by a fresh interpreter at 300 dots per inch (the stream
// loses its letter and legal commands first).
TPageBitmap RenderPageBitmap(THLWMemorystream& stream, const std::string& paperHint);

// Renders the first page of the stream with a fresh interpreter (the stream loses its letter
// and legal commands first) and converts it.
TRgbImage RenderPage(THLWMemorystream& stream, const TRenderOptions& options);

} // namespace pg
