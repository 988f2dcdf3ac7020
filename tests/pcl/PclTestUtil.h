#pragma once
// Helpers for writing PCL in tests: '~' stands for the escape byte.

#include "FontEngine.h"
#include "PCLParse.h"
#include "PageBitmapDevice.h"
#include "PageDocument.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <string>

namespace pg::test {

inline std::string P(std::string text) {
    for (char& c : text)
        if (c == '~')
            c = 27;
    return text;
}

// An interpreter with a page bitmap of its own, drawn through the page-bitmap device as the
// page window and the printer path draw. Parse(true) draws the first page while parsing; the
// next GetPageBitmap sizes that page, every later one draws the page asked for anew.
class TBitmapPcl : public TPCLBuffer {
public:
    using TPCLBuffer::Parse;
    void Parse(bool render) {
        if (!render) {
            Parse();
            return;
        }
        StartBitmap();
        Parse(device_.get());
        firstPageDrawn_ = true;
    }
    TPageBitmap& GetPageBitmap(bool print, int page, const std::string& paperHint) {
        if (firstPageDrawn_) {
            firstPageDrawn_ = false;
            FinishFirstPage(*device_, paperHint);
            return *bitmap_;
        }
        StartBitmap();
        RenderPage(*device_, page, print, paperHint);
        return *bitmap_;
    }

private:
    // A bitmap in the format the interpreter's fill colour asks for, as the callers make it.
    void StartBitmap() {
        TRunOptions look;
        look.FillColour = FontState().FillColor;
        if (bitmap_ && bitmap_->Format() == look.PageBitmapFormat())
            return;
        bitmap_ = std::make_unique<TPageBitmap>(0, 0, look.PageBitmapFormat());
        device_ = std::make_unique<TPageBitmapDevice>(*bitmap_, &TFontEngine::Shared());
    }
    std::unique_ptr<TPageBitmap> bitmap_;
    std::unique_ptr<TPageBitmapDevice> device_;
    bool firstPageDrawn_ = false;
};

// An interpreter loaded with the PCL and parsed (without rendering unless asked).
inline std::unique_ptr<TBitmapPcl> Parsed(const std::string& pcl, bool render = false) {
    auto buffer = std::make_unique<TBitmapPcl>();
    buffer->AppendData(pcl);
    buffer->Parse(render);
    return buffer;
}

// Pixels of the colour index in the box, clipped to the page; kAnyInk counts every pixel that is
// not white.
constexpr int kAnyInk = -1;
inline int CountPixels(const TPageBitmap& page, int index, int left = 0, int top = 0, int right = INT_MAX,
                       int bottom = INT_MAX) {
    int n = 0;
    for (int y = std::max(top, 0); y < std::min(bottom, page.Height()); ++y)
        for (int x = std::max(left, 0); x < std::min(right, page.Width()); ++x)
            n += index == kAnyInk ? page.Pixel(x, y) != kPaletteWhite : page.Pixel(x, y) == index;
    return n;
}

// Soft-font downloads: a bitmap character descriptor and its rows, a font header, the
// download of a header for a font identifier and of a character for a code.
inline std::string Glyph(int leftOffset, int topOffset, int width, int height, int advanceQuarterDots,
                         const std::string& rows) {
    std::string g(16, '\0');
    g[0] = 4;  // bitmap format
    g[2] = 14; // descriptor size
    g[3] = 1;  // class: uncompressed bitmap
    g[6] = char(uint16_t(leftOffset) >> 8);
    g[7] = char(leftOffset & 0xFF);
    g[9] = char(topOffset);
    g[11] = char(width);
    g[13] = char(height);
    g[15] = char(advanceQuarterDots);
    return g + rows;
}

inline std::string Header(int format = 0, int heightQuarterDots = 200) {
    std::string h(64, '\0');
    h[1] = 64;
    h[2] = char(format);
    h[18] = char(heightQuarterDots >> 8);
    h[19] = char(heightQuarterDots & 0xFF);
    return h;
}

inline std::string Download(int id, const std::string& header) {
    return P("~*c" + std::to_string(id) + "D~)s" + std::to_string(header.size()) + "W") + header;
}

inline std::string Char(int code, const std::string& glyph) {
    return P("~*c" + std::to_string(code) + "E~(s" + std::to_string(glyph.size()) + "W") + glyph;
}

inline std::string OutputOf(TPCLBuffer& buffer) {
    return std::string(buffer.GetOutput().View());
}

inline std::string PageOf(TPCLBuffer& buffer, int page) {
    THLWMemorystream* s = buffer.GetPageStream(page);
    return s ? std::string(s->View()) : std::string("<none>");
}

} // namespace pg::test
