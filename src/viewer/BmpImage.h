#pragma once
// A Windows bitmap file (as the scanning plug-in makes of a TIFF page) turned into the page
// window's picture: uncompressed 1-, 4-, 8- and 24-bit images, bottom-up or top-down. Every
// size and offset is checked against the bytes before a pixel is read. A 1-bit image stays one
// bit a pixel; the others become 24-bit colour, within kMaxColourPictureBytes.

#include "PagePicture.h"

#include <string>
#include <string_view>

namespace pg {

// The picture; an empty one with the reason in error when the bytes are no bitmap we read.
TPagePicture DecodeBmp(std::string_view bytes, std::string& error);

} // namespace pg
