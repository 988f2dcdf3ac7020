#include "PclXlImage.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace pg::xl {

namespace {

// Limits of one image: its size, and what its rows may cost to decode.
constexpr int kMaxImageSide = 65535;
constexpr size_t kMaxRowBytes = 1 << 20;
constexpr int64_t kDecodeBudget = int64_t(512) << 20;
// Bytes of decoded rows kept before they are drawn.
constexpr size_t kChunkBytes = 1 << 18;

uint32_t Bgr(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16;
}

bool IsBlack(uint32_t paint) {
    return (paint & 0xFFFFFF) == 0;
}

// The value of pixel x of a row of depth-bit values.
inline uint32_t PixelValue(const uint8_t* row, int x, int depth) {
    switch (depth) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (row[x >> 1] >> (x & 1 ? 0 : 4)) & 0x0F;
    default:
        return row[x];
    }
}

struct TJpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void JpegFail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Jump, 1);
}

void JpegQuiet(j_common_ptr, int) {}

} // namespace

size_t DecodeRunLength(std::string_view in, std::vector<uint8_t>& out, size_t limit) {
    size_t pos = 0;
    while (pos < in.size() && out.size() < limit) {
        const uint8_t n = uint8_t(in[pos++]);
        if (n < 128) {
            const size_t count = std::min<size_t>({size_t(n) + 1, in.size() - pos, limit - out.size()});
            out.insert(out.end(), in.begin() + std::ptrdiff_t(pos), in.begin() + std::ptrdiff_t(pos + count));
            pos += size_t(n) + 1;
        } else if (n > 128) {
            if (pos >= in.size())
                break;
            const size_t count = std::min<size_t>(257 - n, limit - out.size());
            out.insert(out.end(), count, uint8_t(in[pos++]));
        }
    }
    return std::min(pos, in.size());
}

bool TDeltaRowDecoder::NextRow(std::string_view in, size_t& pos) {
    if (in.size() - std::min(pos, in.size()) < 2)
        return false;
    const size_t count = uint8_t(in[pos]) | size_t(uint8_t(in[pos + 1])) << 8;
    pos += 2;
    const size_t end = std::min(in.size(), pos + count);
    size_t out = 0;
    while (pos < end) {
        const uint8_t command = uint8_t(in[pos++]);
        size_t replace = (command >> 5) + 1;
        size_t offset = command & 0x1F;
        if (offset == 0x1F) {
            uint8_t more = 0xFF;
            while (more == 0xFF && pos < end) {
                more = uint8_t(in[pos++]);
                offset += more;
            }
        }
        out += offset;
        for (; replace > 0 && pos < end; --replace, ++pos, ++out)
            if (out < seed_.size())
                seed_[out] = uint8_t(in[pos]);
    }
    pos = end;
    return true;
}

// ---- Operators -----------------------------------------------------------------------------

void TInterpreter::BeginImage(const TAttributes& a, bool pattern) {
    image_.reset();
    auto image = std::make_unique<TImageState>();
    image->Pattern = pattern;
    image->PatternId = a.Integer(aPatternDefineID);
    image->Width = int(std::clamp<int64_t>(a.Integer(aSourceWidth), 0, kMaxImageSide));
    image->Height = int(std::clamp<int64_t>(a.Integer(aSourceHeight), 0, kMaxImageSide));
    const int64_t depth = a.Integer(aColorDepth);
    image->Depth = depth == 0 ? 1 : depth == 1 ? 4 : 8;
    image->Indexed = a.Integer(aColorMapping) == 1;
    image->Components = image->Indexed || gs_.ColourSpace == 1 ? 1 : 3;
    image->RowBytes = (size_t(image->Width) * size_t(image->Depth) * size_t(image->Components) + 7) / 8;
    image->Budget = kDecodeBudget;
    // Direct colour comes in bytes only.
    if (image->Width == 0 || image->Height == 0 || image->RowBytes > kMaxRowBytes ||
        (image->Components == 3 && image->Depth != 8))
        return;
    // The image's pixel (u, v) lies at the cursor plus (u, v) scaled to the destination size.
    const double dw = a.Number(aDestinationSize, 0, image->Width),
                 dh = a.Number(aDestinationSize, 1, image->Height);
    image->ToPage = gs_.Ctm;
    const TPagePoint origin = Cursor();
    image->ToPage.E = origin.X;
    image->ToPage.F = origin.Y;
    image->ToPage.Scale(dw / image->Width, dh / image->Height);
    image->Invertible = image->ToPage.Invert(image->ToImage);

    // What each value paints, for images of few values.
    const int components = gs_.ColourSpace == 2 ? 3 : 1;
    const auto colourOf = [&](uint32_t value) -> uint32_t {
        const int levels = (1 << image->Depth) - 1;
        if (image->Indexed) {
            const size_t at = size_t(value) * size_t(components);
            if (at + size_t(components) > gs_.Palette.size())
                return value == 0 ? 0 : 0xFFFFFF; // no palette: 0 black, otherwise white
            const auto p = [&](size_t i) { return uint8_t(gs_.Palette[at + i]); };
            return components == 3 ? Bgr(p(0), p(1), p(2)) : Bgr(p(0), p(0), p(0));
        }
        const uint8_t g = uint8_t(value * 255 / uint32_t(levels));
        return Bgr(g, g, g);
    };
    if (image->Components == 1)
        for (uint32_t v = 0; v < (1u << image->Depth); ++v) {
            const uint32_t colour = colourOf(v);
            image->Paints.push_back(pattern ? colour : PixelPaint(colour));
        }
    image_ = std::move(image);
}

// What a pixel of this colour paints: its colour combined with the brush by the logical
// operation, or kLeave.
uint32_t TInterpreter::PixelPaint(uint32_t colour) const {
    TInk ink = gs_.Brush;
    // A null brush stands for black where the operation uses it.
    if (ink.Kind == TInk::TKind::Null)
        ink = TInk{};
    uint32_t paint = 0;
    return PaintColour(ink, colour, paint) ? paint : kLeave;
}

void TInterpreter::ReadImage(const TOperation& op, bool pattern) {
    TImageState* image = image_.get();
    // Without a device an image only has to be passed over; a pattern is kept for later pages.
    if (image == nullptr || image->Pattern != pattern || image->Width == 0 || (!device_ && !pattern))
        return;
    const TAttributes& a = *op.Attributes;
    const int start = int(std::clamp<int64_t>(a.Integer(aStartLine, image->NextRow), 0, image->Height));
    const int rows = int(std::clamp<int64_t>(a.Integer(aBlockHeight), 0, image->Height - start));
    const int64_t compression = a.Integer(aCompressMode);
    const int64_t padding = std::clamp<int64_t>(a.Integer(aPadBytesMultiple, 4), 1, 4);
    if (image->Compression >= 0 && image->Compression != compression)
        image->Delta.reset();
    image->Compression = int(compression);
    if (compression == 2) {
        // JPEG: a block that starts a picture of its own (some writers send one per block of
        // rows) ends the one before; a picture is decoded once it is whole.
        if (op.Data.starts_with("\xFF\xD8") && !image->Jpeg.empty())
            DecodeJpeg();
        if (image->Jpeg.empty())
            image->JpegStart = start;
        if (image->Jpeg.size() + op.Data.size() <= size_t(kDecodeBudget))
            image->Jpeg.append(op.Data);
        return;
    }
    if (rows == 0)
        return;
    const size_t rowBytes = image->RowBytes;
    const size_t padded = (rowBytes + size_t(padding) - 1) / size_t(padding) * size_t(padding);
    std::vector<uint8_t> expanded;
    std::string_view data = op.Data;
    if (compression == 1) {
        // Run-length coded rows keep their padding.
        const size_t limit =
            std::min<size_t>(padded * size_t(rows), size_t(std::max<int64_t>(image->Budget, 0)));
        expanded.reserve(std::min<size_t>(limit, 1 << 24));
        DecodeRunLength(op.Data, expanded, limit);
        data = std::string_view(reinterpret_cast<const char*>(expanded.data()), expanded.size());
    } else if (compression == 3) {
        if (!image->Delta)
            image->Delta = std::make_unique<TDeltaRowDecoder>(rowBytes);
    } else if (compression != 0) {
        return;
    }
    size_t pos = 0;
    for (int row = start; row < start + rows; ++row) {
        const uint8_t* bytes = nullptr;
        if (compression == 3) {
            if (!image->Delta->NextRow(op.Data, pos))
                break;
            bytes = image->Delta->Row().data();
        } else {
            if (pos + rowBytes > data.size())
                break;
            bytes = reinterpret_cast<const uint8_t*>(data.data()) + pos;
            pos += padded;
        }
        image->Budget -= int64_t(rowBytes);
        if (image->Budget < 0)
            break;
        AddImageRow(row, bytes);
    }
}

// Takes one decoded row: into the pattern's colour, or into the rows waiting to be drawn.
void TInterpreter::AddImageRow(int row, const uint8_t* bytes) {
    TImageState& image = *image_;
    image.NextRow = row + 1;
    if (image.Pattern) {
        for (int x = 0; x < image.Width; ++x) {
            uint32_t colour = 0;
            if (image.Components == 3) {
                const uint8_t* p = bytes + size_t(x) * 3 * size_t(image.Depth / 8);
                colour = Bgr(p[0], p[1], p[2]);
            } else {
                colour = image.Paints[PixelValue(bytes, x, image.Depth) % image.Paints.size()];
            }
            for (int c = 0; c < 3; ++c)
                image.Sum[c] += (colour >> (8 * c)) & 0xFF;
        }
        image.Pixels += uint64_t(image.Width);
        return;
    }
    if (!device_ || !image.Invertible)
        return;
    if (image.ChunkRows > 0 && image.ChunkStart + image.ChunkRows != row)
        DrawImageChunk();
    if (image.ChunkRows == 0) {
        image.ChunkStart = row;
        image.Chunk.clear();
        image.Chunk.reserve(std::max(kChunkBytes, image.RowBytes));
    }
    image.Chunk.insert(image.Chunk.end(), bytes, bytes + image.RowBytes);
    ++image.ChunkRows;
    if (image.Chunk.size() + image.RowBytes > kChunkBytes)
        DrawImageChunk();
}

void TInterpreter::EndImage(bool pattern) {
    TImageState* image = image_.get();
    if (image == nullptr || image->Pattern != pattern)
        return;
    if (!image->Jpeg.empty())
        DecodeJpeg();
    if (pattern) {
        auto stored = std::make_shared<TRasterPattern>();
        stored->Width = image->Width;
        stored->Height = image->Height;
        if (image->Pixels > 0)
            stored->Mean = Bgr(uint8_t(image->Sum[0] / image->Pixels), uint8_t(image->Sum[1] / image->Pixels),
                               uint8_t(image->Sum[2] / image->Pixels));
        if (session_.Patterns.size() < 4096 || session_.Patterns.contains(image->PatternId))
            session_.Patterns[image->PatternId] = std::move(stored);
    } else if (image->ChunkRows > 0) {
        DrawImageChunk();
    }
    image_.reset();
}

void TInterpreter::DecodeJpeg() {
    TImageState& image = *image_;
    jpeg_decompress_struct info{};
    TJpegError error{};
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = JpegFail;
    error.Manager.emit_message = JpegQuiet;
    // Nothing with a destructor may start between here and a failure's jump back.
    std::vector<uint8_t> line, row;
    if (setjmp(error.Jump) == 0) {
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(image.Jpeg.data()), image.Jpeg.size());
        if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
            info.out_color_space = image.Components == 3 ? JCS_RGB : JCS_GRAYSCALE;
            jpeg_start_decompress(&info);
            const int components = info.output_components;
            line.resize(size_t(info.output_width) * size_t(components));
            row.assign(std::max(image.RowBytes, line.size()), 0);
            for (int y = image.JpegStart; y < image.Height && info.output_scanline < info.output_height;
                 ++y) {
                JSAMPROW rows[1] = {line.data()};
                if (jpeg_read_scanlines(&info, rows, 1) != 1)
                    break;
                std::fill(row.begin(), row.end(), 0);
                // Grey as the image asks for it, whatever the picture holds.
                const size_t pixels = std::min<size_t>(size_t(image.Width), info.output_width);
                for (size_t x = 0; x < pixels; ++x) {
                    if (image.Components == 3)
                        std::copy_n(&line[x * size_t(components)], 3, &row[x * 3]);
                    else
                        row[x] = line[x * size_t(components)];
                }
                if (image.Depth != 8 && image.Components == 1)
                    break; // JPEG pictures have 8-bit samples only
                AddImageRow(y, row.data());
            }
            jpeg_abort_decompress(&info);
        }
    }
    jpeg_destroy_decompress(&info);
    image.Jpeg.clear();
}

// Draws the rows waiting: every page pixel whose middle lies on one of them takes the paint of
// the image pixel there.
void TInterpreter::DrawImageChunk() {
    TImageState& image = *image_;
    const int first = image.ChunkStart, rows = image.ChunkRows;
    image.ChunkRows = 0;
    if (!device_ || rows == 0 || gs_.Clip.IsEmpty())
        return;
    const int pageW = device_->PageWidth(), pageH = device_->PageHeight();
    // The rows' box on the page.
    double top = INFINITY, bottom = -INFINITY;
    for (const double u : {0.0, double(image.Width)})
        for (const double v : {double(first), double(first + rows)}) {
            const TPagePoint p = image.ToPage.Apply(u, v);
            top = std::min(top, p.Y);
            bottom = std::max(bottom, p.Y);
        }
    int clipLeft = 0, clipTop = 0, clipRight = pageW, clipBottom = pageH;
    gs_.Clip.Bounds(pageW, pageH, clipLeft, clipTop, clipRight, clipBottom);
    const int y0 = std::max(ToPixel(std::floor(std::max(top, -1.0))), clipTop);
    const int y1 = std::min(ToPixel(std::ceil(std::min(bottom, double(pageH) + 1))), clipBottom);
    if (y0 >= y1)
        return;
    const TMatrix& inv = image.ToImage;
    // Images of few values that paint black or nothing are drawn as raster rows.
    const bool blackOnly =
        image.Components == 1 && std::all_of(image.Paints.begin(), image.Paints.end(),
                                             [](uint32_t p) { return p == kLeave || IsBlack(p); });
    // Each page row: the span of pixels whose middles fall on the rows, then their paints.
    struct TSpan {
        int Left = 0, Right = 0;
    };
    std::vector<TSpan> spans(size_t(y1 - y0));
    int boxLeft = pageW, boxRight = 0;
    for (int y = y0; y < y1; ++y) {
        const double yc = y + 0.5;
        // u(x) = u0 + du x and v(x) = v0 + dv x for the pixel middle x + 0.5.
        const double u0 = inv.A * 0.5 + inv.C * yc + inv.E, du = inv.A;
        const double v0 = inv.B * 0.5 + inv.D * yc + inv.F, dv = inv.B;
        double lo = 0, hi = pageW;
        const auto limit = [&](double f0, double df, double fmin, double fmax) {
            if (df == 0) {
                if (!(f0 >= fmin && f0 < fmax))
                    hi = lo;
                return;
            }
            double a = (fmin - f0) / df, b = (fmax - f0) / df;
            if (a > b)
                std::swap(a, b);
            lo = std::max(lo, std::ceil(a));
            hi = std::min(hi, std::ceil(b));
        };
        limit(u0, du, 0, image.Width);
        limit(v0, dv, first, first + rows);
        int left = ToPixel(std::max(lo, 0.0)), right = ToPixel(std::min(hi, double(pageW)));
        int clipL = 0, clipR = pageW;
        if (!gs_.Clip.Unclipped() && !gs_.Clip.RowSpan(y, pageW, clipL, clipR))
            continue;
        left = std::max(left, clipL);
        right = std::min(right, clipR);
        if (left >= right)
            continue;
        spans[size_t(y - y0)] = {left, right};
        boxLeft = std::min(boxLeft, left);
        boxRight = std::max(boxRight, right);
    }
    if (boxLeft >= boxRight)
        return;
    // Calls take(x, paint) for the pixels of the span on row y, stepping through the image
    // from pixel to pixel.
    const auto sampleRow = [&](int y, TSpan span, auto&& take) {
        const double xc = span.Left + 0.5, yc = y + 0.5;
        double u = inv.A * xc + inv.C * yc + inv.E, v = inv.B * xc + inv.D * yc + inv.F;
        const auto index = [](double f, int lo, int hi) { return f <= lo ? lo : f >= hi ? hi : int(f); };
        for (int x = span.Left; x < span.Right; ++x, u += inv.A, v += inv.B) {
            const int vi = index(v, first, first + rows - 1), ui = index(u, 0, image.Width - 1);
            const uint8_t* row = image.Chunk.data() + size_t(vi - first) * image.RowBytes;
            if (image.Components == 1) {
                take(x, image.Paints[PixelValue(row, ui, image.Depth)]);
                continue;
            }
            const uint8_t* p = row + size_t(ui) * 3;
            const uint32_t colour = Bgr(p[0], p[1], p[2]);
            if (colour != image.LastColour) {
                image.LastColour = colour;
                image.LastPaint = PixelPaint(colour);
            }
            take(x, image.LastPaint);
        }
    };
    // On a device of black and white, greys and colours become dots as dense as they are dark.
    if (blackOnly || device_->Monochrome()) {
        std::vector<uint8_t> bits(size_t(boxRight - boxLeft + 7) / 8);
        const bool upright = blackOnly && inv.B == 0 && inv.C == 0;
        std::vector<int> columns;
        std::vector<uint8_t> black;
        if (upright) {
            for (int x = boxLeft; x < boxRight; ++x)
                columns.push_back(std::clamp(ToPixel(inv.A * (x + 0.5) + inv.E), 0, image.Width - 1));
            for (uint32_t paint : image.Paints)
                black.push_back(paint != kLeave);
        }
        for (int y = y0; y < y1; ++y) {
            const TSpan span = spans[size_t(y - y0)];
            if (span.Left >= span.Right)
                continue;
            std::fill(bits.begin(), bits.end(), uint8_t(0));
            bool any = false;
            if (upright) {
                // Neither turned nor slanted: the row is one image row, each column one image
                // column.
                const int v = std::clamp(ToPixel(inv.D * (y + 0.5) + inv.F), first, first + rows - 1);
                const uint8_t* row = image.Chunk.data() + size_t(v - first) * image.RowBytes;
                for (int x = span.Left; x < span.Right; ++x)
                    if (black[PixelValue(row, columns[size_t(x - boxLeft)], image.Depth)]) {
                        const int bit = x - span.Left;
                        bits[size_t(bit) >> 3] |= uint8_t(0x80 >> (bit & 7));
                        any = true;
                    }
            } else {
                sampleRow(y, span, [&](int x, uint32_t paint) {
                    if (paint == kLeave || !DitherBlack(x, y, Darkness(paint)))
                        return;
                    const int bit = x - span.Left;
                    bits[size_t(bit) >> 3] |= uint8_t(0x80 >> (bit & 7));
                    any = true;
                });
            }
            if (any)
                device_->DrawRasterRow(span.Left, y, bits, size_t(span.Right - span.Left),
                                       TRasterDirection::Across);
        }
        return;
    }
    // Colours: one picture of the box, white where nothing is painted.
    const int width = boxRight - boxLeft, height = y1 - y0;
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 3, 0xFF);
    for (int y = y0; y < y1; ++y) {
        const TSpan span = spans[size_t(y - y0)];
        uint8_t* row = pixels.data() + size_t(y - y0) * size_t(width) * 3;
        sampleRow(y, span, [&](int x, uint32_t paint) {
            if (paint == kLeave)
                return;
            uint8_t* p = row + size_t(x - boxLeft) * 3;
            p[0] = uint8_t(paint >> 16);
            p[1] = uint8_t(paint >> 8);
            p[2] = uint8_t(paint);
        });
    }
    TPicture picture;
    picture.Pixels = pixels;
    picture.Width = width;
    picture.Height = height;
    picture.Stride = size_t(width) * 3;
    device_->DrawPicture(boxLeft, y0, picture);
}

} // namespace pg::xl
