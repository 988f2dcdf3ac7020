#pragma once
// The PDF device: draws the interpreter's pages into a PDF document through cairo's PDF
// surface. Text runs stay text (the system font the interpreter chose, its subset embedded,
// so readers can search and copy the words); rectangles, polygons (with their fill rule),
// lines and ellipses are vector paths;
// raster rows and downloaded glyphs become 1-bit image masks, gathered into bands of rows.
// Fonts go in without their hinting, one per text size with the interpreter's advances, so
// that a run is written as plain strings rather than a position correction after each glyph.
//
// A PDF page's size must be fixed before anything is drawn on it, but the interpreter sizes
// its page while drawing and gives the final size only when the page is done. The device
// therefore records a page and writes it out in FinishPage, on the sheet the caller names.
//
// Positions are page pixels (300 per inch); a pixel is 72/300 of a PDF point.

#include "PCLDevice.h"
#include "PageBitmapDevice.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct hb_set_t; // harfbuzz's set of characters

namespace pg {

class TPdfDevice : public TPCLDevice {
public:
    // colour: colours as drawn (blue fill text stays blue); otherwise every colour but white
    // is black, as a printer prints it, and the interpreter is told the page is monochrome.
    // Characters measure as the rasterizer measures them (the page bitmap's font engine, so
    // that a page lays out as on screen); without one they measure 0.
    explicit TPdfDevice(bool colour = false, TCharRasterizer* rasterizer = nullptr);
    ~TPdfDevice() override;
    TPdfDevice(const TPdfDevice&) = delete;
    TPdfDevice& operator=(const TPdfDevice&) = delete;

    void StartPage(int width, int height) override;
    void ResizePage(int width, int height) override;
    int PageWidth() const override;
    int PageHeight() const override;
    bool Monochrome() const override;

    void DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) override;
    int MeasureChar(const TDeviceFont& font, uint32_t ch) override;
    void DrawGlyph(int x, int y, const TBitImage& glyph, const TPaint& paint = TPaint()) override;
    void DrawRasterRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount,
                       TRasterDirection direction, const TPaint& paint = TPaint()) override;
    void FillRectangle(int left, int top, int width, int height, const TPaint& paint) override;
    void FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule, const TPaint& paint) override;
    void DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) override;
    void StrokePath(std::span<const TPolygonRing> paths, bool closed, const TStrokeStyle& style) override;
    void FillEllipse(int left, int top, int right, int bottom, uint32_t colour) override;

    // Writes the page drawn since StartPage as a PDF page of sheetWidth x sheetHeight pixels;
    // what lies outside the sheet is cut off. A page not started comes out blank.
    void FinishPage(int sheetWidth, int sheetHeight);
    int PagesWritten() const;

    // The drawing one page may hold until it is written, in bytes of recorded operations
    // (192 MB unless set). Past it the rest of the page is left out and the user is told once
    // per document.
    void SetPageBudget(size_t bytes);

    // Ends the document. The PDF's bytes, or empty when cairo reported an error (then
    // error() says which).
    std::string Finish();
    const std::string& Error() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};

// The face at index of a font file cut down to the characters addCharacters puts into the set
// it is given: glyphs without hinting or layout tables (positions come from the interpreter),
// as a plain font file again. Empty when the file cannot be read or cut.
std::string SubsetFontFile(const std::string& path, int index,
                           const std::function<void(hb_set_t*)>& addCharacters);

} // namespace pg
