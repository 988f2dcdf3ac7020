#pragma once
// Helpers for writing PCL in tests: '~' stands for the escape byte.

#include "FontEngine.h"
#include "PCLParse.h"
#include "PageBitmapDevice.h"

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
        if (bitmap_ && bitmap_->Format() == PageBitmapFormat())
            return;
        bitmap_ = std::make_unique<TPageBitmap>(0, 0, PageBitmapFormat());
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

inline std::string OutputOf(TPCLBuffer& buffer) {
    return std::string(buffer.GetOutput().View());
}

inline std::string PageOf(TPCLBuffer& buffer, int page) {
    THLWMemorystream* s = buffer.GetPageStream(page);
    return s ? std::string(s->View()) : std::string("<none>");
}

} // namespace pg::test
