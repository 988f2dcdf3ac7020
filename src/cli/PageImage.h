#pragma once
// Page bitmaps written as image files, as render writes them: a palette PNG of the page
// (colour), a 1-bit PNG where every pixel that is not white is black (the page window's
// black-and-white view), or the same black and white as a raw PBM (P4).

#include "ImageAntialias.h"
#include "PageBitmap.h"

#include <string>

namespace pg::cli {

enum class TPageImageFormat { PngColour, PngMono, Pbm };

// Writes the bitmap whole or not at all (a temporary file renamed over the target). An existing
// read-only file is refused. False, with the reason in error, when nothing was written.
bool WritePageImage(const TPageBitmap& page, TPageImageFormat format, const std::string& path,
                    std::string& error);
// A page window picture (a scanned image) as an 8-bit RGB PNG, written the same way.
bool WriteRgbPng(const TRgbImage& image, const std::string& path, std::string& error);

} // namespace pg::cli
