#pragma once
// The picture device: keeps the colour pictures drawn on a page, for documents whose pages are
// pictures (a scanned image), as the page window shows them and `render` writes them. The
// interpreter's own marks are the page-bitmap device's business: this device takes them and
// leaves its page as it is, as the text device leaves what is not text.

#include "PCLDevice.h"

#include <cstdint>
#include <vector>

namespace pg {

class TPictureDevice : public TPCLDevice {
public:
    // A white page.
    void StartPage(int width, int height) override;
    // What is drawn at the top left stays; new room is white.
    void ResizePage(int width, int height) override;
    int PageWidth() const override { return width_; }
    int PageHeight() const override { return height_; }

    void DrawTextRun(const TDeviceFont&, std::span<const TPlacedChar>) override {}
    int MeasureChar(const TDeviceFont&, uint32_t) override { return 0; }
    void DrawGlyph(int, int, const TBitImage&, const TPaint& = TPaint()) override {}
    void DrawRasterRow(int, int, std::span<const uint8_t>, size_t, TRasterDirection,
                       const TPaint& = TPaint()) override {}
    void FillRectangle(int, int, int, int, const TPaint&) override {}
    void FillPolygon(std::span<const TPolygonRing>, TFillRule, const TPaint&) override {}
    void DrawLine(int, int, int, int, int, uint32_t) override {}
    void FillEllipse(int, int, int, int, uint32_t) override {}
    // Copies the picture's pixels over the page, clipped to it.
    void DrawPicture(int x, int y, const TPicture& picture) override;

    // The page: three bytes a pixel (blue, green, red), rows top to bottom, PageWidth() * 3
    // bytes each.
    const std::vector<uint8_t>& Pixels() const { return pixels_; }
    // Whether pictures were drawn and every one of them was black and white.
    bool Bilevel() const { return pictures_ > 0 && bilevel_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
    int pictures_ = 0;
    bool bilevel_ = true;
};

} // namespace pg
