// Raster and rectangle drawing hooks of the interpreter, called only while rendering. The
// scanner and the handlers decide when something is drawn; these decide what it looks like.
// Text runs are drawn in PCLText.cpp.

#include "PCLParse.h"

namespace pg {

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
