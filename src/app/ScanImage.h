#pragma once
// A TIFF file as the page window's picture: the scanning plug-in turns the file's first page
// into a bitmap, which is decoded here. The window and `render` both come this way.

#include "ImageAntialias.h"

#include <string>

namespace pg {

// True for a name whose three characters after the last "." are "TIF" in any case
// (scan.tif, scan.TIFF).
bool IsTiffName(const std::string& path);
// True for "XML" the same way (data.xml, data.xmlx).
bool IsXmlName(const std::string& path);

// The picture of the file's first page. Empty when the plug-in is not loaded (error stays
// empty: the program then opens nothing, silently) or when the file cannot be read (error says
// why).
TRgbImage LoadTiffImage(const std::string& path, std::string& error);

} // namespace pg
