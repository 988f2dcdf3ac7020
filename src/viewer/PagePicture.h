#pragma once
// The picture of a scanned page as the page window keeps it. Line art stays one bit a pixel,
// as the scanning plug-in hands it over: a 300-dpi legal page is then 1.3 MB instead of 32 MB,
// and the largest page a scan may have (20,000 pixels a side) 50 MB instead of 1.2 GB. Every
// other picture is 24-bit colour, and is refused beyond kMaxColourPictureBytes before anything
// is taken for it.

#include "ImageAntialias.h"
#include "MonoImage.h"

#include <cstdint>

namespace pg {

// What a colour picture may take once expanded: 64 million pixels, more than a 600-dpi legal
// page in colour.
inline constexpr uint64_t kMaxColourPictureBytes = uint64_t(192) << 20;

// A page picture: line art (Bilevel) or colour (Colour); at most one of them is not empty.
struct TPagePicture {
    TMonoImage Bilevel;
    TRgbImage Colour;

    bool Empty() const { return Bilevel.Empty() && Colour.Empty(); }
    int Width() const { return Bilevel.Empty() ? Colour.Width() : Bilevel.Width(); }
    int Height() const { return Bilevel.Empty() ? Colour.Height() : Bilevel.Height(); }
    uint32_t Pixel(int x, int y) const { return Bilevel.Empty() ? Colour.Pixel(x, y) : Bilevel.Pixel(x, y); }
    // Every pixel black or white.
    bool Monochrome() const { return Bilevel.Empty() ? Colour.Monochrome : Bilevel.Monochrome(); }
};

} // namespace pg
