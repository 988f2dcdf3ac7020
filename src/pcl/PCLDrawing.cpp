// Drawing hooks of the interpreter, called only while rendering. The scanner and the handlers
// decide when something is drawn; the text, soft-font, raster and rectangle renderers decide
// what it looks like. Until a renderer is in place its hook leaves no marks on the page, but
// the state the description ties to drawing (cursor moves after a raster row) is kept here.

#include "PCLParse.h"

namespace pg {

// System-font text: pending the text renderer (fonts, width tables, cursor advance).
void TPCLBuffer::DrawTextRun(std::string_view) {}

// Soft-font text: pending the soft-font renderer (glyph blocks, advances).
void TPCLBuffer::DrawSoftFontRun(const TSoftFont&, std::string_view) {}

// Raster row: the pixels are pending the raster renderer; the cursor moves on in every mode,
// one dot down per transferred row in portrait, one dot left in the other orientations.
void TPCLBuffer::DrawRasterRow(std::string_view) {
    if (Page.Orientation == 0)
        Page.CursorY = int32_t(uint32_t(Page.CursorY) + Raster.RasterRowCount);
    else
        Page.CursorX = int32_t(uint32_t(Page.CursorX) - Raster.RasterRowCount);
    Raster.RasterRowCount = 0;
}

// Rectangle fill: pending the rectangle renderer (fill index, AND combine).
void TPCLBuffer::FillRectangle(int32_t) {}

// Signature box: pending the rectangle renderer (5-pixel outline).
void TPCLBuffer::SignatureBox(int32_t, int32_t, int32_t, int32_t) {}

} // namespace pg
