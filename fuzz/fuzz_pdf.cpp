// Runs the PDF device on arbitrary bytes taken as PCL: the job is split, its first pages are
// drawn through the device (colour or black by the first byte) and the document is finished.
// Pages are capped so that one input stays fast.

#include "FontEngine.h"
#include "PCLParse.h"
#include "PdfDevice.h"
#include "SilentPrompter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pg::fuzz::Silence();
    const bool colour = size > 0 && (data[0] & 1);
    pg::TPCLBuffer buffer;
    if (!colour)
        buffer.SetFillColor(0);
    buffer.AppendData(data, size);
    pg::TPdfDevice device(colour, &pg::TFontEngine::Shared());
    try {
        buffer.Parse();
        for (int page = 1; page <= std::min(buffer.GetPageCount(), 3); ++page) {
            buffer.RenderPage(device, page, true, page % 2 ? "LTR" : "LGL");
            device.FinishPage(device.PageWidth(), device.PageHeight());
        }
    } catch (...) {
        // Interpreter errors are reported to the caller; the device must still finish.
    }
    device.StartPage(2550, 3300);
    device.FinishPage(2550, 3300);
    (void)device.Finish();
    return 0;
}
