#pragma once
// The text device: records the text the interpreter draws on a page instead of drawing it.
// Each run keeps its font and the positions and advances of its characters in page pixels;
// soft-font text comes in through SoftFontText when its codes are printable. Lines() groups
// the characters into words and lines by where they stand on the page, not by the order the
// stream drew them in, so a line drawn in pieces (a template label, then the fill beside it)
// reads as one line. Words are UTF-8: each character is the one its byte stands for in the
// symbol set it was drawn in.

#include "PCLDevice.h"
#include "PageBitmapDevice.h"

#include <string>
#include <vector>

namespace pg {

// One run as drawn: its font (Family empty for a soft font; Height the cell height in
// pixels) and its characters.
struct TTextRun {
    TDeviceFont Font;
    std::vector<TPlacedChar> Chars;
};

// A word (UTF-8) and the box it covers on the page, in page pixels.
struct TTextWord {
    std::string Text;
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// A line of words, left to right.
struct TTextLine {
    std::vector<TTextWord> Words;
    int Top = 0, Bottom = 0;
    // The words joined by single spaces.
    std::string Text() const;
};

class TTextDevice : public TPCLDevice {
public:
    // Characters measure as the rasterizer measures them (the page bitmap's font engine, so
    // positions are those of the page on screen); without one they measure 0.
    explicit TTextDevice(TCharRasterizer* rasterizer = nullptr) : rasterizer_(rasterizer) {}

    const std::vector<TTextRun>& Runs() const { return runs_; }
    // The page's words in reading order: lines top to bottom, words left to right.
    std::vector<TTextLine> Lines() const;
    // The lines' text, one line per "\n"-ended line.
    std::string Text() const;

    void StartPage(int width, int height) override;
    void ResizePage(int width, int height) override;
    int PageWidth() const override { return width_; }
    int PageHeight() const override { return height_; }

    void DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) override;
    int MeasureChar(const TDeviceFont& font, uint32_t ch) override;
    void SoftFontText(int height, std::span<const TPlacedChar> chars) override;
    void DrawGlyph(int, int, const TBitImage&, const TPaint& = TPaint()) override {}
    void DrawRasterRow(int, int, std::span<const uint8_t>, size_t, TRasterDirection,
                       const TPaint& = TPaint()) override {}
    void FillRectangle(int, int, int, int, const TPaint&) override {}
    void FillPolygon(std::span<const TPolygonRing>, TFillRule, const TPaint&) override {}
    void DrawLine(int, int, int, int, int, uint32_t) override {}
    void FillEllipse(int, int, int, int, uint32_t) override {}

private:
    TCharRasterizer* rasterizer_;
    std::vector<TTextRun> runs_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace pg
