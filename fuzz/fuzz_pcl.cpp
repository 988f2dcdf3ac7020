// Feeds arbitrary bytes to the PCL interpreter: once parsed without rendering (split and
// re-emit, then every page rendered on its own), once parsed with rendering into a bitmap.

#include "PCLParse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        pg::TPCLBuffer buffer;
        buffer.AppendData(data, size);
        buffer.Parse(false);
        const int pages = buffer.GetPageCount();
        for (int page = 1; page <= pages && page <= 3; ++page)
            buffer.GetPageBitmap(page % 2 == 0, page, "LTR");
        buffer.GetOutput();
    }
    {
        pg::TPCLBuffer buffer;
        buffer.SetFillColor(size % 2 ? 0 : 0x00FF0000);
        buffer.SetShowControlCodes(size % 3 == 0);
        buffer.AddSubstitution("&lH", "\x1b&l7H");
        buffer.AppendData(data, size);
        buffer.Parse(true);
        buffer.GetPageBitmap(false, 1, "LGL");
    }
    return 0;
}
