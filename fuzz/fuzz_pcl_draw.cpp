// The PCL interpreter drawing on arbitrary bytes: text, soft-font glyphs, raster rows,
// rectangle fills, lines and signature boxes through the page-bitmap device, and the first
// page's text through the text device with its grouping into words and lines, and the first
// page as a thumbnail (a quarter of the page's resolution, text drawn small).
//
// The interpreter starts every page as a 4200 x 4200 drawing area. Whitening and drawing on
// such a page would cost most of an input's time, so the device here tells the interpreter
// the sizes it asked for but keeps a bitmap of 1/14 of them (300 x 300 for the drawing area):
// the interpreter takes the same paths as for a real page, and the bitmap clips everything
// beyond its edges as it clips anything drawn off a real page.
//
// The last byte chooses the options a caller can set.

#include "FontEngine.h"
#include "PCLParse.h"
#include "PageBitmapDevice.h"
#include "PageDocument.h"
#include "SilentPrompter.h"
#include "TextDevice.h"
#include "ThumbnailDevice.h"

#include <cstddef>
#include <cstdint>

namespace {

class TSmallPageDevice : public pg::TPageBitmapDevice {
public:
    using TPageBitmapDevice::TPageBitmapDevice;

    void StartPage(int width, int height) override {
        width_ = width;
        height_ = height;
        TPageBitmapDevice::StartPage(Small(width), Small(height));
    }
    void ResizePage(int width, int height) override {
        width_ = width;
        height_ = height;
        TPageBitmapDevice::ResizePage(Small(width), Small(height));
    }
    int PageWidth() const override { return width_; }
    int PageHeight() const override { return height_; }

private:
    static int Small(int size) { return size <= 0 ? size : (size + 13) / 14; }
    int width_ = 0;
    int height_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pg::fuzz::Silence();
    const uint8_t options = size > 0 ? data[size - 1] : 0;
    pg::TPCLBuffer buffer;
    // Without a fill colour the pages are monochrome: the 1-bit drawing paths.
    pg::TRunOptions look;
    look.FillColour = options & 1 ? 0 : pg::kDefaultFillColour;
    buffer.SetFillColor(look.FillColour);
    buffer.AppendData(data, size);
    pg::TPageBitmap bitmap(0, 0, look.PageBitmapFormat());
    TSmallPageDevice device(bitmap, &pg::TFontEngine::Shared());
    // The page window's way: the first page drawn while parsing, then sized.
    buffer.Parse(&device);
    buffer.FinishFirstPage(device, options & 2 ? "LGL" : "LTR");
    // The printer's and the page window's later pages: one page drawn anew.
    if (options & 4)
        buffer.RenderPage(device, buffer.GetPageCount(), options & 8, options & 16 ? "LGL" : "");
    if (options & 32) {
        pg::TTextDevice text(&pg::TFontEngine::Shared());
        buffer.RenderPage(text, 1, false, "");
        (void)text.Lines();
    }
    // The thumbnail device draws at a quarter of the full page, not on the small page above, so
    // it is slower: one input in four takes it.
    if ((options & 192) == 192) {
        pg::TThumbnailDevice thumbnail(&pg::TFontEngine::Shared());
        buffer.RenderPage(thumbnail, 1, false, options & 2 ? "LGL" : "LTR");
    }
    return 0;
}
