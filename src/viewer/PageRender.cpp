#include "PageRender.h"

#include "FontEngine.h"
#include "PageBitmapDevice.h"
#include "Paths.h"
#include "PictureDevice.h"
#include "PicturePage.h"

#include <cstring>

namespace pg {

std::unique_ptr<THLWMemorystream> JoinPageStreams(const TInfo& info) {
    const THLWMemorystream* fill = info.FillStream();
    const THLWMemorystream* templ = info.TemplateStream();
    if (fill == nullptr || templ == nullptr)
        return nullptr;
    auto joined = std::make_unique<THLWMemorystream>();
    joined->AppendStream(*fill);
    joined->AppendStream(*templ);
    joined->Seek(0);
    return joined;
}

namespace {

void ConvertIndexed(const TPageBitmap& bitmap, bool colour, TRgbImage& out) {
    const auto& palette = PagePalette();
    for (int y = 0; y < bitmap.Height(); ++y) {
        if (bitmap.IsRowBlank(y))
            continue; // the picture starts white
        const std::span<const uint8_t> src = bitmap.Row(y);
        uint8_t* dst = out.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x, dst += 3) {
            const uint8_t index = src[size_t(x)];
            if (index == kPaletteWhite)
                continue; // the picture starts white
            const uint32_t c = colour ? palette[index] : 0;
            if (colour && c == 0x00FFFFFF)
                continue;
            dst[0] = uint8_t(c >> 16);
            dst[1] = uint8_t(c >> 8);
            dst[2] = uint8_t(c);
        }
    }
}

void ConvertMono(const TPageBitmap& bitmap, TRgbImage& out) {
    for (int y = 0; y < bitmap.Height(); ++y) {
        if (bitmap.IsRowBlank(y))
            continue;
        const std::span<const uint8_t> src = bitmap.Row(y);
        uint8_t* dst = out.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            if ((src[size_t(x) >> 3] & (0x80 >> (x & 7))) == 0)
                std::memset(dst + size_t(x) * 3, 0, 3);
    }
}

void PutLE(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

} // namespace

TRgbImage ConvertPageBitmap(const TPageBitmap& bitmap, bool colour) {
    TRgbImage out(bitmap.Width(), bitmap.Height());
    out.Monochrome = !colour;
    if (out.Empty())
        return out;
    if (bitmap.Format() == TPixelFormat::Mono1)
        ConvertMono(bitmap, out);
    else
        ConvertIndexed(bitmap, colour, out);
    return out;
}

bool SavePageBitmap8(const TPageBitmap& bitmap, const std::string& path) {
    const uint32_t width = uint32_t(bitmap.Width());
    const uint32_t height = uint32_t(bitmap.Height());
    const uint32_t rowBytes = (width + 3) & ~3u;
    const uint32_t offset = 14 + 40 + 256 * 4;
    std::string out;
    out.reserve(offset + size_t(rowBytes) * height);
    out += "BM";
    PutLE(out, offset + rowBytes * height, 4);
    PutLE(out, 0, 4);
    PutLE(out, offset, 4);
    PutLE(out, 40, 4);
    PutLE(out, width, 4);
    PutLE(out, height, 4);
    PutLE(out, 1, 2);
    PutLE(out, 8, 2);
    PutLE(out, 0, 4);
    PutLE(out, rowBytes * height, 4);
    PutLE(out, 11811, 4); // 300 dots per inch in dots per metre
    PutLE(out, 11811, 4);
    PutLE(out, 256, 4);
    PutLE(out, 0, 4);
    for (uint32_t c : PagePalette())
        PutLE(out, ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF), 4); // BGRA quads
    std::string row(rowBytes, '\0');
    for (int y = int(height) - 1; y >= 0; --y) {
        for (uint32_t x = 0; x < width; ++x)
            row[x] = char(bitmap.Pixel(int(x), y));
        out += row;
    }
    return AtomicWriteFile(path, out);
}

TPageBitmap RenderPageBitmap(TPageDocument& document, int page, const TRunOptions& options) {
    TPageBitmap bitmap(0, 0, options.PageBitmapFormat());
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    document.RunPage(page, device, options);
    return bitmap;
}

TRgbImage RenderPage(TPageDocument& document, int page, const TRenderOptions& options) {
    TRunOptions run;
    run.PaperHint = options.PaperHint;
    if (document.Traits().Pictures) {
        TPictureDevice device;
        document.RunPage(page, device, run);
        TRgbImage picture(device.PageWidth(), device.PageHeight());
        if (!picture.Empty())
            std::memcpy(picture.Row(0), device.Pixels().data(), device.Pixels().size());
        picture.Monochrome = device.Bilevel();
        return picture;
    }
    const TPageBitmap bitmap = RenderPageBitmap(document, page, run);
    if (!options.DumpFile.empty())
        SavePageBitmap8(bitmap, options.DumpFile);
    return ConvertPageBitmap(bitmap, options.Colour);
}

TPagePicture RenderPagePicture(TPageDocument& document, int page, const TRenderOptions& options) {
    const TPagePicture* picture = PictureOfDocument(document);
    if (picture == nullptr || !document.HasPage(page))
        return {.Bilevel = {}, .Colour = RenderPage(document, page, options)};
    return *picture;
}

TPageBitmap RenderPageBitmap(const THLWMemorystream& stream, const std::string& paperHint) {
    TPclPageDocument page{std::string(stream.View())};
    TRunOptions options;
    options.PaperHint = paperHint;
    return RenderPageBitmap(page, 1, options);
}

TRgbImage RenderPage(const THLWMemorystream& stream, const TRenderOptions& options) {
    TPclPageDocument page{std::string(stream.View())};
    return RenderPage(page, 1, options);
}

} // namespace pg
