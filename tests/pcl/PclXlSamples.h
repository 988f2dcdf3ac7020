#pragma once
// PCL XL pages written for the tests, one for each family of operators. The reference pictures
// in data/pclxl were drawn from these very streams by the reference PCL XL interpreter.

#include "PclXlWriter.h"

#include <string>

namespace pg::test {

namespace xlsample {

using namespace pg::xl;

inline void Brush(TXlWriter& w, int grey) {
    if (grey < 0)
        w.UByte(0).Attr(aNullBrush).Op(kSetBrushSource);
    else
        w.UByte(uint8_t(grey)).Attr(aGrayLevel).Op(kSetBrushSource);
}

inline void Pen(TXlWriter& w, int grey, int width = 0) {
    if (grey < 0)
        w.UByte(0).Attr(aNullPen).Op(kSetPenSource);
    else
        w.UByte(uint8_t(grey)).Attr(aGrayLevel).Op(kSetPenSource);
    if (width > 0)
        w.UInt16(uint16_t(width)).Attr(aPenWidth).Op(kSetPenWidth);
}

inline void Cursor(TXlWriter& w, int x, int y) {
    w.SInt16Xy(int16_t(x), int16_t(y)).Attr(aPoint).Op(kSetCursor);
}

inline void Box(TXlWriter& w, int x1, int y1, int x2, int y2) {
    w.SInt16Box(int16_t(x1), int16_t(y1), int16_t(x2), int16_t(y2)).Attr(aBoundingBox);
}

// Text with every character advancing by the same distance.
inline void Text(TXlWriter& w, std::string_view text, int advance) {
    w.UByteArray(text)
        .Attr(aTextData)
        .UByteArray(std::string(text.size(), char(advance)))
        .Attr(aXSpacingData);
    w.Op(kText);
}

inline void Font(TXlWriter& w, std::string name, int size, int symbolSet) {
    name.resize(16, ' ');
    w.UByteArray(name).Attr(aFontName).UInt16(uint16_t(size)).Attr(aCharSize);
    w.UInt16(uint16_t(symbolSet)).Attr(aSymbolSet).Op(kSetFont);
}

} // namespace xlsample

// Rectangles, rounded rectangles, ellipses, pies, chords, arcs, curves, lines with caps, joins
// and dashes, an even-odd star, a clip rectangle and a turned, scaled shape.
inline std::string XlShapesPage(bool bigEndian = false) {
    using namespace xlsample;
    TXlWriter w(bigEndian);
    w.BeginSessionAndPage();
    w.UByte(1).Attr(aColorSpace).Op(kSetColorSpace);
    Brush(w, -1);
    Pen(w, 0, 8);
    Box(w, 150, 150, 750, 450);
    w.Op(kRectangle);
    Brush(w, 0);
    Box(w, 900, 150, 1500, 450);
    w.UInt16Xy(120, 120).Attr(aEllipseDimension).Op(kRoundRectangle);
    Brush(w, -1);
    Box(w, 1650, 150, 2350, 450);
    w.Op(kEllipse);
    Brush(w, 0);
    Pen(w, -1);
    Box(w, 150, 600, 750, 1200);
    w.SInt16Xy(750, 900).Attr(aStartPoint).SInt16Xy(450, 600).Attr(aEndPoint).Op(kPie);
    Box(w, 900, 600, 1500, 1200);
    w.SInt16Xy(1500, 600).Attr(aStartPoint).SInt16Xy(900, 1200).Attr(aEndPoint).Op(kChord);
    Brush(w, -1);
    Pen(w, 0, 12);
    w.Op(kNewPath);
    Box(w, 1650, 600, 2350, 1200);
    w.SInt16Xy(2350, 900).Attr(aStartPoint).SInt16Xy(2000, 600).Attr(aEndPoint);
    w.UByte(1).Attr(aArcDirection).Op(kArcPath).Op(kPaintPath);
    w.Op(kNewPath);
    Cursor(w, 150, 1500);
    w.SInt16Xy(450, 1300).Attr(aControlPoint1).SInt16Xy(750, 1700).Attr(aControlPoint2);
    w.SInt16Xy(1050, 1400).Attr(aEndPoint).Op(kBezierPath).Op(kPaintPath);
    // A zigzag of points in the data, with round joins and caps.
    Pen(w, 0, 30);
    w.UByte(1).Attr(aLineJoinStyle).Op(kSetLineJoin).UByte(1).Attr(aLineCapStyle).Op(kSetLineCap);
    w.Op(kNewPath);
    Cursor(w, 1250, 1650);
    w.UInt16(4).Attr(aNumberOfPoints).UByte(3).Attr(aPointType).Op(kLinePath);
    w.Data(w.Numbers16({1450, 1350, 1650, 1650, 1850, 1350, 2050, 1650}));
    w.Op(kPaintPath);
    // Dashes, square caps, miter joins.
    Pen(w, 0, 6);
    w.UByte(2).Attr(aLineCapStyle).Op(kSetLineCap).UByte(0).Attr(aLineJoinStyle).Op(kSetLineJoin);
    w.SInt16Array({40, 20}).Attr(aLineDashStyle).SInt16(0).Attr(aDashOffset).Op(kSetLineDash);
    w.Op(kNewPath);
    Cursor(w, 150, 1900);
    w.SInt16Xy(2350, 1900).Attr(aEndPoint).Op(kLinePath).Op(kPaintPath);
    w.UByte(0).Attr(aSolidLine).Op(kSetLineDash);
    // A five-pointed star filled even-odd: its middle stays white.
    Brush(w, 0);
    Pen(w, -1);
    w.UByte(1).Attr(aFillMode).Op(kSetFillMode).Op(kNewPath);
    Cursor(w, 1900, 2000);
    for (const auto& [x, y] : {std::pair{2100, 2600}, {1600, 2230}, {2200, 2230}, {1700, 2600}})
        w.SInt16Xy(int16_t(x), int16_t(y)).Attr(aEndPoint).Op(kLinePath);
    w.Op(kCloseSubPath).Op(kPaintPath);
    // A rectangle cut by a clip rectangle.
    w.Op(kPushGS);
    Box(w, 300, 2300, 900, 2700);
    w.UByte(0).Attr(aClipRegion).Op(kSetClipRectangle);
    Box(w, 150, 2200, 1050, 2800);
    w.Op(kRectangle).Op(kPopGS);
    // A rectangle moved, turned by 30 degrees and stretched.
    w.Op(kPushGS);
    w.SInt16Xy(1200, 3000).Attr(aPageOrigin).Op(kSetPageOrigin);
    w.SInt16(30).Attr(aPageAngle).Op(kSetPageRotation);
    w.Real32Xy(1.5f, 1.0f).Attr(aPageScale).Op(kSetPageScale);
    Box(w, -200, -100, 200, 100);
    w.Op(kRectangle).Op(kPopGS);
    w.EndPageAndSession();
    return w.Bytes();
}

// Text in resident fonts, turned, slanted, stretched, and 16-bit Unicode text.
inline std::string XlTextPage(bool bigEndian = false) {
    using namespace xlsample;
    TXlWriter w(bigEndian);
    w.BeginSessionAndPage();
    w.UByte(1).Attr(aColorSpace).Op(kSetColorSpace);
    Brush(w, 0);
    Font(w, "Courier", 50, 629);
    Cursor(w, 150, 300);
    Text(w, "Courier at twelve points", 30);
    Font(w, "Arial", 58, 629);
    Cursor(w, 150, 450);
    Text(w, "Arial text, Loan Agreement 2024", 32);
    Font(w, "Arial         Bd", 58, 629);
    Cursor(w, 150, 600);
    Text(w, "Arial bold: $123,456.78", 34);
    Font(w, "TimesNewRmn", 50, 629);
    Cursor(w, 150, 750);
    Text(w, "Times with spacing", 26);
    Font(w, "TimesNewRmn BdIt", 50, 277);
    Cursor(w, 150, 900);
    Text(w, "Times bold italic in Roman-8", 30);
    // Turned a quarter and slanted.
    Font(w, "Arial", 75, 629);
    w.Op(kPushGS);
    w.SInt16Xy(2200, 2600).Attr(aPageOrigin).Op(kSetPageOrigin);
    w.SInt16(-90).Attr(aPageAngle).Op(kSetPageRotation);
    Cursor(w, 0, 0);
    Text(w, "Turned text", 42);
    w.Op(kPopGS);
    w.Real32(30).Attr(aCharAngle).Op(kSetCharAngle);
    Cursor(w, 300, 1500);
    Text(w, "Angled", 42);
    w.Real32(0).Attr(aCharAngle).Op(kSetCharAngle);
    w.Real32Xy(2.0f, 1.0f).Attr(aCharScale).Op(kSetCharScale);
    Cursor(w, 150, 1800);
    Text(w, "Wide", 70);
    w.Real32Xy(1.0f, 1.0f).Attr(aCharScale).Op(kSetCharScale);
    Font(w, "Arial", 58, 590);
    Cursor(w, 150, 2100);
    w.UInt16Array({'U', 0xDC, 'n', 'i', 'c', 'o', 'd', 'e', ' ', 0x20AC, '1', '0'}).Attr(aTextData);
    w.UByteArray(std::string(12, char(34))).Attr(aXSpacingData).Op(kText);
    w.EndPageAndSession();
    return w.Bytes();
}

// A 16 x 16 checkerboard of 4-pixel squares, one bit a pixel, each row padded to 4 bytes.
inline std::string XlChecker(bool padded) {
    std::string rows;
    for (int y = 0; y < 16; ++y) {
        const char a = char((y / 4) % 2 ? 0x0F : 0xF0);
        rows += std::string{char(a), char(a)};
        if (padded)
            rows += std::string(2, '\0');
    }
    return rows;
}

// Images: one bit a pixel uncompressed, run-length coded and delta-row coded, 8-bit grey, a
// palette, an image over a black bar with the logical operation that keeps the bar, and a
// turned image.
inline std::string XlImagesPage(bool bigEndian = false) {
    using namespace xlsample;
    TXlWriter w(bigEndian);
    w.BeginSessionAndPage();
    w.UByte(1).Attr(aColorSpace).Op(kSetColorSpace);
    Brush(w, 0);
    const auto begin = [&](int x, int y, int depth, int mapping, int size, int dest) {
        Cursor(w, x, y);
        w.UByte(uint8_t(mapping)).Attr(aColorMapping).UByte(uint8_t(depth)).Attr(aColorDepth);
        w.UInt16(uint16_t(size)).Attr(aSourceWidth).UInt16(uint16_t(size)).Attr(aSourceHeight);
        w.UInt16Xy(uint16_t(dest), uint16_t(dest)).Attr(aDestinationSize).Op(kBeginImage);
    };
    const auto read = [&](int rows, int compression, const std::string& data) {
        w.UInt16(0).Attr(aStartLine).UInt16(uint16_t(rows)).Attr(aBlockHeight);
        w.UByte(uint8_t(compression)).Attr(aCompressMode).Op(kReadImage).Data(data);
    };
    begin(150, 150, 0, 0, 16, 400);
    read(16, 0, XlChecker(true));
    w.Op(kEndImage);
    // Run-length coded: each row two literal bytes and two repeated zero bytes.
    begin(650, 150, 0, 0, 16, 400);
    std::string rle;
    for (int y = 0; y < 16; ++y) {
        const char a = char((y / 4) % 2 ? 0x0F : 0xF0);
        rle += std::string{char(1), a, a, char(0xFF), char(0)};
    }
    read(16, 1, rle);
    w.Op(kEndImage);
    // Delta rows: the first row set whole, then rows repeated or changed where they differ.
    begin(1150, 150, 0, 0, 16, 400);
    std::string delta;
    for (int y = 0; y < 16; ++y) {
        if (y % 4 != 0) {
            delta += std::string(2, '\0');
            continue;
        }
        const char a = char((y / 4) % 2 ? 0x0F : 0xF0);
        delta += std::string{char(3), char(0), char(0x20), a, a};
    }
    read(16, 3, delta);
    w.Op(kEndImage);
    // 8-bit grey: black and white stripes, 8 x 8 scaled up.
    begin(1650, 150, 2, 0, 8, 400);
    std::string grey;
    for (int y = 0; y < 8; ++y)
        grey += std::string("\x00\xFF\x00\xFF\x00\xFF\x00\xFF", 8);
    read(8, 0, grey);
    w.Op(kEndImage);
    // A palette that swaps black and white.
    w.UByte(1).Attr(aColorSpace).UByte(2).Attr(aPaletteDepth).UByteArray(std::string("\xFF\x00", 2));
    w.Attr(aPaletteData).Op(kSetColorSpace);
    begin(150, 700, 0, 1, 16, 400);
    read(16, 0, XlChecker(true));
    w.Op(kEndImage);
    w.UByte(1).Attr(aColorSpace).Op(kSetColorSpace);
    // A black bar under an image drawn with source AND destination: the bar stays whole.
    Pen(w, -1);
    Box(w, 650, 850, 1050, 950);
    w.Op(kRectangle);
    w.UByte(136).Attr(aROP3).Op(kSetROP);
    begin(650, 700, 0, 0, 16, 400);
    read(16, 0, XlChecker(true));
    w.Op(kEndImage);
    w.UByte(252).Attr(aROP3).Op(kSetROP);
    // Turned a quarter: the checkerboard's top edge runs down the page.
    w.Op(kPushGS);
    w.SInt16Xy(1650, 1300).Attr(aPageOrigin).Op(kSetPageOrigin);
    w.SInt16(90).Attr(aPageAngle).Op(kSetPageRotation);
    begin(0, -400, 0, 0, 16, 400);
    read(8, 0, XlChecker(true).substr(0, 32));
    w.Op(kEndImage);
    w.Op(kPopGS);
    w.EndPageAndSession();
    return w.Bytes();
}

// Two pages: landscape, then reverse portrait printed twice.
inline std::string XlOrientationPages(bool bigEndian = false) {
    using namespace xlsample;
    TXlWriter w(bigEndian);
    w.BeginSessionAndPage(1);
    w.UByte(1).Attr(aColorSpace).Op(kSetColorSpace);
    Brush(w, 0);
    Box(w, 100, 100, 700, 300);
    w.Op(kRectangle);
    Font(w, "Arial", 100, 629);
    Cursor(w, 100, 600);
    Text(w, "Landscape page", 55);
    w.Op(kEndPage);
    w.UByte(2).Attr(aOrientation).UByte(0).Attr(aMediaSize).Op(kBeginPage);
    w.UByte(1).Attr(aColorSpace).Op(kSetColorSpace);
    Brush(w, 0);
    Box(w, 100, 100, 700, 300);
    w.Op(kRectangle);
    Font(w, "Arial", 100, 629);
    Cursor(w, 100, 600);
    Text(w, "Upside down", 55);
    w.UInt16(2).Attr(aPageCopies).Op(kEndPage);
    w.Op(kCloseDataSource).Op(kEndSession);
    return w.Bytes();
}

// A downloaded bitmap font (Windows Latin 1) with the letters H and I, written with and
// without spacing.
inline std::string XlBitmapFontPage(bool bigEndian = false) {
    using namespace xlsample;
    TXlWriter w(bigEndian);
    w.BeginSessionAndPage();
    w.UByte(1).Attr(aColorSpace).Op(kSetColorSpace);
    Brush(w, 0);
    const std::string name = "BitmapTestFont  ";
    // Header: format 0, portrait, symbol set 629, bitmap, 2 characters; a 300 dpi "BR" segment.
    std::string header("\x00\x00\x02\x75\xFE\x00\x00\x02", 8);
    header += std::string("BR\x00\x00\x00\x04\x01\x2C\x01\x2C", 10);
    header += std::string("\xFF\xFF\x00\x00\x00\x00", 6);
    w.UByteArray(name).Attr(aFontName).UByte(0).Attr(aFontFormat).Op(kBeginFontHeader);
    w.UInt16(uint16_t(header.size())).Attr(aFontHeaderLength).Op(kReadFontHeader).Data(header);
    w.Op(kEndFontHeader);
    w.UByteArray(name).Attr(aFontName).Op(kBeginChar);
    // 40 x 60 glyphs standing on the baseline: H with a bar, I a single stem.
    const auto glyph = [](bool h) {
        std::string g("\x00\x00\x00\x00\x00\x3C\x00\x28\x00\x3C", 10);
        for (int y = 0; y < 60; ++y) {
            const bool bar = h && y >= 26 && y < 34;
            g += h ? std::string{char(0xFF), char(bar ? 0xFF : 0), char(bar ? 0xFF : 0), char(bar ? 0xFF : 0),
                                 char(0xFF)}
                   : std::string{char(0), char(0x0F), char(0xFF), char(0xF0), char(0)};
        }
        return g;
    };
    for (const char c : {'H', 'I'}) {
        const std::string data = glyph(c == 'H');
        w.UInt16(uint16_t(uint8_t(c))).Attr(aCharCode).UInt16(uint16_t(data.size())).Attr(aCharDataSize);
        w.Op(kReadChar).Data(data);
    }
    w.Op(kEndChar);
    Font(w, name, 100, 629);
    Cursor(w, 300, 400);
    w.UByteArray("HIH IH").Attr(aTextData).UByteArray(std::string(6, char(60))).Attr(aXSpacingData).Op(kText);
    w.EndPageAndSession();
    return w.Bytes();
}

} // namespace pg::test
