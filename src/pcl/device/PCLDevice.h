#pragma once
// The output device the PCL interpreter draws through. The interpreter decides what goes
// where (positions in page pixels, fonts, colours); a device decides how it is drawn. The
// caller owns the device and hands it to the interpreter's render calls: the page-bitmap device
// (PageBitmapDevice.h) draws onto a TPageBitmap; other devices (PDF, a recorder of text runs)
// take its place without the interpreter knowing.
//
// Colours are 0x00BBGGRR values. Positions are page pixels (300 per inch), y downwards.

#include "PCLPatterns.h"
#include "Strings.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace pg {

// One character of a text run, placed by the interpreter at the top left of its cell: the
// byte of the stream and the Unicode character it stands for in its symbol set.
struct TPlacedChar {
    uint8_t Code = 0;
    int X = 0;
    int Y = 0;
    // How far the interpreter moves after the character (0 when not known); a device that
    // writes text with font metrics of its own can make them agree with the layout.
    int Advance = 0;
    // 0: the byte's character in the Windows code page.
    uint32_t Char = 0;

    // The character devices draw and record.
    uint32_t Unicode() const { return Char != 0 ? Char : WindowsCodePoint(Code); }
};

// Rows of a 1-bit image, top row first, leftmost pixel in the most significant bit.
struct TBitImage {
    std::span<const uint8_t> Bits;
    int Width = 0;
    int Height = 0;
    size_t BytesPerRow = 0;
};

// A picture in colour: rows top to bottom, three bytes a pixel (blue, green, red), each row
// Stride bytes after the one before.
struct TPicture {
    std::span<const uint8_t> Pixels;
    int Width = 0;
    int Height = 0;
    size_t Stride = 0;
    // Every pixel is black or white (a scanned page in one bit a pixel).
    bool Bilevel = false;
};

// The direction a raster row runs in from its first pixel.
enum class TRasterDirection { Across, Down };

// What text, glyphs, raster rows and fills paint with, and how it combines with the page. A
// device maps it to what it can draw; no device is told how another one stores its pixels.
//
// PCL paints a source (the characters, the raster bits, the area of a rectangle or polygon)
// through a pattern: where source and pattern both have ink, the paint's colour goes on the
// page. The logical operation and the transparency modes say what happens elsewhere
// (TPaintEffects, PCLPatterns.h). The interpreter hands devices concrete paints: a colour, a
// grey level, or a pattern with its tile.
struct TPaint {
    enum class TKind : uint8_t {
        Colour,  // Colour
        Grey,    // Level, anchored at RefX/RefY
        Pattern, // Tile (PatternType and Pattern name it), anchored at RefX/RefY
    };
    // Which pattern a pattern paint names.
    enum class TPatternType : uint8_t {
        CrossHatch,  // PCL cross-hatch pattern 1..6
        UserDefined, // a pattern the stream downloaded, by its identifier
        // The pattern selected last for text and fills (`*v#T`); the interpreter resolves it
        // before a device sees it.
        Current,
    };

    TKind Kind = TKind::Colour;
    uint32_t Colour = 0; // 0x00BBGGRR
    int Level = 100;     // percent of black: a shading, printed in the printer's grey bands
    TPatternType PatternType = TPatternType::CrossHatch;
    int Pattern = 0;
    // The pattern's pixels, nullptr until resolved, and how many quarter turns
    // counterclockwise the page shows them turned by.
    std::shared_ptr<const TPatternTile> Tile;
    uint8_t TileTurns = 0;
    // Where the pattern's tiles are anchored, in page pixels.
    int RefX = 0;
    int RefY = 0;
    // Transparency of white in the source and in the pattern, and the logical operation of
    // source, pattern (texture) and destination (a PCL ROP3 code; 252 is the reset default).
    bool SourceTransparent = true;
    bool PatternTransparent = true;
    uint8_t Rop = 252;

    static TPaint Solid(uint32_t colour) {
        TPaint paint;
        paint.Colour = colour;
        return paint;
    }
    static TPaint GreyLevel(int percent) {
        TPaint paint;
        paint.Kind = TKind::Grey;
        paint.Level = percent;
        return paint;
    }
    static TPaint PatternFill(TPatternType type, int pattern, int refX, int refY) {
        TPaint paint;
        paint.Kind = TKind::Pattern;
        paint.PatternType = type;
        paint.Pattern = pattern;
        paint.RefX = refX;
        paint.RefY = refY;
        return paint;
    }
    // Plain ink of the colour, through no pattern, white source pixels left alone: how most
    // text and every rule of a form is painted.
    bool PlainInk() const;
};

// A system font as the interpreter chose it, and the paint of its characters.
struct TDeviceFont {
    std::string Family; // "Courier New", "ARIAL", "Times New Roman", ...
    int Height = 0;     // cell height in pixels
    bool Bold = false;
    bool Italic = false;
    // The colour the interpreter chose (the paint's colour, for devices that draw one colour).
    uint32_t Colour = 0;
    // The direction the text runs in, degrees anticlockwise from left to right on the page (a
    // PCL print direction is a multiple of 90); each character is turned by it about the top
    // left of its cell (its TPlacedChar point).
    int Angle = 0;
    // How the characters are painted; by default in Colour.
    TPaint Paint = TPaint::Solid(Colour);

    // The angle in quarter turns, 0 to 3, when it is a multiple of 90 degrees; -1 otherwise.
    int QuarterTurns() const {
        const int a = ((Angle % 360) + 360) % 360;
        return a % 90 == 0 ? a / 90 : -1;
    }
};

// A point in page pixels, fractions kept.
struct TPagePoint {
    double X = 0;
    double Y = 0;
};

// One closed ring of a polygon; the last point joins the first.
using TPolygonRing = std::vector<TPagePoint>;

// Which points a set of rings encloses: an odd number of crossings, or a winding number other
// than 0.
enum class TFillRule { EvenOdd, NonZero };

// How a stroked path looks where it ends and where its segments meet.
enum class TLineCap : uint8_t { Butt, Square, Triangle, Round };
enum class TLineJoin : uint8_t { Miter, MiterBevel, Triangle, Round, Bevel, None };

// A pen: its width in pixels (fractions kept), its ends and joins, and its colour.
struct TStrokeStyle {
    double Width = 1;
    TLineCap Cap = TLineCap::Butt;
    TLineJoin Join = TLineJoin::Miter;
    double MiterLimit = 5; // longest mitre, in pen widths
    uint32_t Colour = 0;
};

class TPCLDevice {
public:
    virtual ~TPCLDevice() = default;

    // Page geometry. A page starts as a white drawing area; page-size and orientation commands
    // resize it while it is drawn (what is drawn at the top left stays), and the interpreter
    // gives it its final size when the page is done.
    virtual void StartPage(int width, int height) = 0;
    virtual void ResizePage(int width, int height) = 0;
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    // A device that draws only black and white: the interpreter draws colours as black on it.
    virtual bool Monochrome() const { return false; }

    // Characters of one run in one font, each at its cell's top left, background transparent.
    virtual void DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) = 0;
    // The advance of one (Unicode) character in the font, in pixels, as the device measures it.
    virtual int MeasureChar(const TDeviceFont& font, uint32_t ch) = 0;
    // A downloaded glyph: set bits are its ink, painted with paint (by default black, clear
    // bits leaving the page).
    virtual void DrawGlyph(int x, int y, const TBitImage& glyph, const TPaint& paint = TPaint()) = 0;
    // The character codes of a run in a downloaded bitmap font, told before its glyphs are
    // drawn: each at the top left of a cell `height` pixels tall that ends on the baseline.
    // Glyphs carry no text of their own, so a device that records text reads it from here;
    // drawing devices ignore it.
    virtual void SoftFontText(int height, std::span<const TPlacedChar> chars) {
        (void)height;
        (void)chars;
    }
    // One raster row of bitCount pixels from (x, y): set bits are its ink, painted with paint
    // (by default black, clear bits leaving the page). Bits past the data are clear.
    virtual void DrawRasterRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount,
                               TRasterDirection direction, const TPaint& paint = TPaint()) = 0;
    // A PCL rectangle: columns left .. left + width - 1, rows top .. top + height - 1, painted
    // with paint and combined with what the page holds there.
    virtual void FillRectangle(int left, int top, int width, int height, const TPaint& paint) = 0;
    // The area the rings enclose under the rule (HP-GL/2 fills). Rings of fewer than three
    // points enclose nothing.
    virtual void FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule, const TPaint& paint) = 0;
    virtual void DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) = 0;
    // Each path drawn with the pen: its points joined in order (closed: the last back to the
    // first), the pen centred on the line. A path of one point, or of points all alike, is a
    // dot as wide as the pen. By default the pen's outline is filled through FillPolygon (thin
    // pens through DrawLine); a device that strokes paths itself does better.
    virtual void StrokePath(std::span<const TPolygonRing> paths, bool closed, const TStrokeStyle& style);
    // The ellipse inside the box left .. right - 1, top .. bottom - 1.
    virtual void FillEllipse(int left, int top, int right, int bottom, uint32_t colour) = 0;
    // A picture with its top left at (x, y). A device that keeps colour pictures draws it as it
    // is; every other device gets its dark pixels (below half brightness) as black raster rows.
    virtual void DrawPicture(int x, int y, const TPicture& picture) {
        std::vector<uint8_t> bits(size_t(std::max(picture.Width, 0) + 7) / 8);
        for (int row = 0; row < picture.Height; ++row) {
            const size_t start = size_t(row) * picture.Stride;
            if (start + size_t(std::max(picture.Width, 0)) * 3 > picture.Pixels.size())
                break;
            std::fill(bits.begin(), bits.end(), uint8_t(0));
            const uint8_t* p = picture.Pixels.data() + start;
            for (int column = 0; column < picture.Width; ++column, p += 3)
                if (p[2] * 299 + p[1] * 587 + p[0] * 114 < 128 * 1000)
                    bits[size_t(column) >> 3] |= uint8_t(0x80 >> (column & 7));
            DrawRasterRow(x, y + row, bits, size_t(picture.Width), TRasterDirection::Across);
        }
    }
};

} // namespace pg
