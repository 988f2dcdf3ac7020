// Feeds arbitrary bytes to the PCL interpreter: parsed without rendering (split and re-emit,
// then a page rendered on its own), and parsed with rendering into a bitmap. Page bitmaps
// are large, so the rendering runs are left to a part of the inputs chosen by the first byte.

#include "FontEngine.h"
#include "PCLParse.h"
#include "PageBitmapDevice.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t choice = size > 0 ? data[0] : 0;
    {
        pg::TPCLBuffer buffer;
        buffer.AppendData(data, size);
        buffer.Parse();
        if (choice & 1) {
            pg::TPageBitmap bitmap(0, 0, buffer.PageBitmapFormat());
            pg::TPageBitmapDevice device(bitmap, &pg::TFontEngine::Shared());
            buffer.RenderPage(device, buffer.GetPageCount() > 1 ? 2 : 1, choice & 4, "LTR");
        }
        buffer.GetOutput();
    }
    if (choice & 2) {
        pg::TPCLBuffer buffer;
        buffer.SetFillColor(choice & 8 ? 0 : 0x00FF0000);
        buffer.SetShowControlCodes(choice & 16);
        buffer.AddSubstitution("&lH", "\x1b&l7H");
        buffer.AppendData(data, size);
        pg::TPageBitmap bitmap(0, 0, buffer.PageBitmapFormat());
        pg::TPageBitmapDevice device(bitmap, &pg::TFontEngine::Shared());
        buffer.Parse(&device);
        buffer.FinishFirstPage(device, "LGL");
    }
    return 0;
}
