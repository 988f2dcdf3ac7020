// The TIFF path of the scanning plug-in on arbitrary bytes: libtiff through our reader to a
// Windows bitmap, and that bitmap through the page window's decoder. A bitmap that comes out
// must decode to the size its TIFF said.

#include "BmpImage.h"
#include "TiffBmp.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const pg::scan::TTiffBmp bmp =
        pg::scan::TiffToBmp(std::string_view(reinterpret_cast<const char*>(data), size));
    if (bmp.Bmp.empty()) {
        if (bmp.Error.empty())
            std::abort(); // a failure must say why
        return 0;
    }
    std::string error;
    const pg::TPagePicture image = pg::DecodeBmp(bmp.Bmp, error);
    const auto width = int32_t(uint8_t(bmp.Bmp[18]) | uint8_t(bmp.Bmp[19]) << 8 | uint8_t(bmp.Bmp[20]) << 16);
    if (image.Empty() || image.Width() != width)
        std::abort();
    return 0;
}
