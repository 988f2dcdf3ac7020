#include "PageText.h"

#include "FontEngine.h"
#include "PCLParse.h"
#include "PageRender.h"

namespace pg {

std::vector<TTextLine> PageTextLines(THLWMemorystream pcl) {
    // The page window renders without the letter and legal commands; so does its text, so
    // that positions are those of the page on screen.
    RemovePageSizeCommands(pcl);
    TPCLBuffer buffer;
    pcl.Seek(0);
    buffer.LoadFromStream(pcl);
    TTextDevice device(&TFontEngine::Shared());
    buffer.Parse(&device);
    buffer.FinishFirstPage(device, "");
    return device.Lines();
}

} // namespace pg
