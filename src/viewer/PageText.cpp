#include "PageText.h"

#include "FontEngine.h"
#include "PclPageDocuments.h"

namespace pg {

std::vector<TTextLine> PageTextLines(TPageDocument& document, int page) {
    // Drawn as the window draws the page, so that positions are those of the page on screen.
    TTextDevice device(&TFontEngine::Shared());
    document.RunPage(page, device, {});
    return device.Lines();
}

std::vector<TTextLine> PageTextLines(THLWMemorystream pcl) {
    TPclPageDocument page(pcl.Release());
    return PageTextLines(page, 1);
}

} // namespace pg
