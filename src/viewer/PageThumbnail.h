#pragma once
// Page thumbnails: a page drawn small in shades of grey for the page window's strip, and the
// cache that keeps them per form and page, so a page is drawn small at most once.

#include "HLWStream.h"
#include "PageBitmap.h"
#include "PageDocument.h"
#include "ThumbnailDevice.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pg {

// The width thumbnails are drawn at; the height follows the page's shape.
inline constexpr int kThumbnailWidth = 104;

// One byte per pixel, 0 black .. 255 white, rows top to bottom.
class TGreyImage {
public:
    TGreyImage() = default;
    // A white image.
    TGreyImage(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    const uint8_t* Row(int y) const { return pixels_.data() + size_t(y) * size_t(width_); }
    uint8_t* Row(int y) { return pixels_.data() + size_t(y) * size_t(width_); }
    uint8_t Pixel(int x, int y) const { return Row(y)[x]; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
};

// The page bitmap shrunk to width pixels (the height keeps the page's shape): each pixel the
// average darkness of the dots it covers, brightened towards black the way the eye needs at
// this size, so a line of text shows as a grey band and a one-dot rule stays visible.
TGreyImage ShrinkPageBitmap(const TPageBitmap& bitmap, int width);
// The same from what the thumbnail device drew.
TGreyImage ShrinkThumbnailCells(const TThumbnailDevice& device, int width);

// Page `page` of the document as a thumbnail width pixels wide, drawn at a quarter of the
// page's resolution.
TGreyImage ThumbnailOfPage(TPageDocument& document, int page, int width, const std::string& paperHint);
// The same for a page of PCL that stands on its own (it loses its letter and legal commands
// first), as the window draws a package page.
TGreyImage RenderThumbnail(THLWMemorystream& stream, int width, const std::string& paperHint);
// The same drawn at full size and then shrunk: slower, but what the page window shows, dot for
// dot, in small.
TGreyImage RenderThumbnailFullSize(THLWMemorystream& stream, int width, const std::string& paperHint);

// Thumbnails by source and page: the source is what the page's document draws from (the form,
// or the plain file's document). The owner clears it when its sources go away.
class TThumbnailCache {
public:
    // Nullptr when the page has no thumbnail yet.
    const TGreyImage* Find(const void* source, int page) const;
    void Store(const void* source, int page, TGreyImage image);
    void Clear() { images_.clear(); }
    size_t Size() const { return images_.size(); }

private:
    std::map<std::pair<const void*, int>, TGreyImage> images_;
};

} // namespace pg
