#pragma once
// A TIFF file as the page window's picture: the scanning plug-in turns the file's first page
// into a bitmap, which is decoded here (line art stays one bit a pixel). As a page document
// (TPicturePageDocument) it is registered with the page documents, so that the window and
// `render` both open it the way they open any loose file.

#include "PicturePage.h"

#include <memory>
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
TPagePicture LoadTiffImage(const std::string& path, std::string& error);

// The TIFF kind ("TIFF": the names IsTiffName takes), registered with the page documents: the
// picture of the file's first page, made by the scanning plug-in, which is loaded from
// pluginFolder first when it is not loaded yet.
void RegisterTiffPageDocuments(const std::string& pluginFolder);

} // namespace pg
