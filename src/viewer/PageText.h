#pragma once
// The text of one page as the page window draws it: the page's PCL (fill followed by
// template, or a page of a plain file) run through a fresh interpreter into the text device.

#include "HLWStream.h"
#include "TextDevice.h"

#include <vector>

namespace pg {

// The page's lines in reading order; characters measure as the page window measures them.
std::vector<TTextLine> PageTextLines(THLWMemorystream pcl);

} // namespace pg
