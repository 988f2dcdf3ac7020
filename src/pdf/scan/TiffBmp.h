#pragma once
// The first page of a TIFF image as a Windows bitmap file: what the scanning plug-in's
// "DllTiffToBmp" hands to the page window. Line art stays 1 bit per pixel (a 300-dpi letter
// page is then 1 MB instead of 25 MB); every other kind of image becomes 24-bit colour.

#include <cstdint>
#include <string>
#include <string_view>

namespace pg::scan {

// Images beyond either bound are refused from their tags, before any pixel memory is taken.
inline constexpr uint32_t kMaxTiffSide = 20000;
inline constexpr uint64_t kMaxTiffBytes = uint64_t(512) << 20;

struct TTiffBmp {
    std::string Bmp;   // the bitmap file; empty on failure
    std::string Error; // why there is none, in words for the user
};

TTiffBmp TiffToBmp(std::string_view tiff);
TTiffBmp TiffFileToBmp(const std::string& path);

} // namespace pg::scan
