#pragma once
// The thumbnail device: draws a page at a quarter of its resolution for a small picture of it.
// Each cell of 4 x 4 page pixels holds how dark its pixels are together (0 .. 16 x 255), so
// what is drawn is already averaged; text is drawn with its font at a quarter of its size, so
// a page costs a sixteenth of what the page bitmap spends on its characters. Layout is not
// affected: characters measure at their full size, and positions stay page pixels.

#include "PCLDevice.h"
#include "PageBitmapDevice.h"

#include <cstdint>
#include <span>
#include <vector>

namespace pg {

class TThumbnailDevice : public TPCLDevice {
public:
    // Page pixels per cell along each side.
    static constexpr int kCell = 4;
    // A cell's darkness when all its pixels are black.
    static constexpr uint16_t kFullCell = kCell * kCell * 255;

    // Text needs a rasterizer; without one, text runs leave no marks and characters measure 0.
    explicit TThumbnailDevice(TCharRasterizer* rasterizer = nullptr) : rasterizer_(rasterizer) {}

    void StartPage(int width, int height) override;
    void ResizePage(int width, int height) override;
    int PageWidth() const override { return width_; }
    int PageHeight() const override { return height_; }

    void DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) override;
    int MeasureChar(const TDeviceFont& font, uint32_t ch) override;
    void DrawGlyph(int x, int y, const TBitImage& glyph, const TPaint& paint = TPaint()) override;
    void DrawRasterRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount,
                       TRasterDirection direction, const TPaint& paint = TPaint()) override;
    void FillRectangle(int left, int top, int width, int height, const TPaint& paint) override;
    void FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule, const TPaint& paint) override;
    void DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) override;
    void FillEllipse(int left, int top, int right, int bottom, uint32_t colour) override;

    // The cells: ceil(page width / 4) by ceil(page height / 4).
    int CellColumns() const { return columns_; }
    int CellRows() const { return rows_; }
    std::span<const uint16_t> CellRow(int row) const {
        return {cells_.data() + size_t(row) * size_t(columns_), size_t(columns_)};
    }
    // Whether nothing was drawn on the row of cells.
    bool CellRowBlank(int row) const { return inked_[size_t(row)] == 0; }

private:
    // Adds darkness (0..255 per page pixel) over the page pixels left .. right - 1,
    // top .. bottom - 1.
    void AddRect(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t darkness);
    // Darkness per page pixel covered (0..255) on a cell.
    void AddToCell(int column, int row, uint32_t amount);
    void Resize(int width, int height, bool keep);

    TCharRasterizer* rasterizer_;
    int width_ = 0;
    int height_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    std::vector<uint16_t> cells_;
    std::vector<uint8_t> inked_;
};

} // namespace pg
