#pragma once
// The text of one page as the page window draws it: the page run by its document through the
// text device.

#include "HLWStream.h"
#include "PageDocument.h"
#include "TextDevice.h"

#include <vector>

namespace pg {

// The page's lines in reading order; characters measure as the page window measures them.
std::vector<TTextLine> PageTextLines(TPageDocument& document, int page);
// The same for a page of PCL that stands on its own (fill followed by template, or a copy of a
// page of a plain file), drawn as the window draws a package page.
std::vector<TTextLine> PageTextLines(THLWMemorystream pcl);

} // namespace pg
