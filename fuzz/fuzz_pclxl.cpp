// The PCL XL reader and interpreter on arbitrary bytes: the job cut into its languages, the
// stream split into pages (fonts, streams and patterns kept at each page start), the first
// pages drawn through the page-bitmap device and the first page's text through the text device.
//
// As in fuzz_pcl_draw, the device tells the interpreter the page size it asked for but keeps a
// bitmap of 1/14 of it: everything takes the paths of a real page, and what lies beyond the
// small bitmap is clipped as anything off a real page is.

#include "FontEngine.h"
#include "PageBitmapDevice.h"
#include "PclXlDocument.h"
#include "PrinterLanguage.h"
#include "TextDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

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
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)pg::SplitPrinterLanguages(bytes);
    pg::TPclXlDocument document(bytes);
    pg::TRunOptions options;
    options.FillColour = 0;
    pg::TPageBitmap bitmap(0, 0, options.PageBitmapFormat());
    TSmallPageDevice device(bitmap, &pg::TFontEngine::Shared());
    for (int page = 1; page <= std::min(document.PageCount(), 3); ++page)
        document.RunPage(page, device, options);
    if (document.PageCount() > 0) {
        pg::TTextDevice text(&pg::TFontEngine::Shared());
        document.RunPage(1, text, options);
        (void)text.Lines();
    }
    return 0;
}
