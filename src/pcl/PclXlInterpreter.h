#pragma once
// The PCL XL interpreter: runs the operators a TReader hands out against a session (units,
// downloaded fonts, stored streams and patterns) and a page (graphics state, path, clip), and
// draws through a TPCLDevice. Without a device it keeps the state only, which is how a file
// is split into pages: the session as it stands when a page begins is kept, and the page is
// drawn later from there.

#include "PCLDevice.h"
#include "PclXlGeometry.h"
#include "PclXlStream.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pg::xl {

// A character of a downloaded font, as its data stood.
struct TCharData {
    std::string Bytes;
};

// A font downloaded with BeginFontHeader .. EndFontHeader and filled with BeginChar .. EndChar.
struct TDownloadedFont {
    std::string Header;
    // The characters by code; each shared with the sessions kept at page starts.
    std::map<uint32_t, std::shared_ptr<const TCharData>> Chars;
    // Whether the header describes a bitmap font (else a TrueType one).
    bool Bitmap() const { return Header.size() > 4 && uint8_t(Header[4]) == 254; }
    // The symbol set the font is made for (0 when it names none).
    uint16_t SymbolSet() const {
        return Header.size() > 3 ? uint16_t(uint8_t(Header[2]) << 8 | uint8_t(Header[3])) : 0;
    }
    // The resolution of a bitmap font's glyphs (its "BR" segment), 300 when it names none.
    int ResolutionX = 300, ResolutionY = 300;
    // Faces built from the font's data for drawing outlines (TrueType), made on first use.
    mutable std::shared_ptr<void> Face;
};

// A raster pattern defined with BeginRastPattern .. EndRastPattern. Devices fill with one
// colour, so a pattern paints with the mean colour of its pixels.
struct TRasterPattern {
    int Width = 0, Height = 0;
    uint32_t Mean = 0; // 0x00BBGGRR
};

// What lasts for a session: taken whole when a page begins, shared where it does not change.
struct TSession {
    int Measure = 0; // 0 inch, 1 millimetre, 2 tenths of a millimetre
    double UnitsX = 300, UnitsY = 300;
    bool DataBigEndian = false;
    std::map<std::string, std::shared_ptr<TDownloadedFont>> Fonts;
    std::map<std::string, std::shared_ptr<const std::string>> Streams;
    std::map<int64_t, std::shared_ptr<const TRasterPattern>> Patterns;
    // Downloads under way.
    std::string FontName;
    std::shared_ptr<TDownloadedFont> FontBeingRead;
    std::string CharFontName;
    std::string StreamName;
    std::shared_ptr<std::string> StreamBeingRead;
};

// How a page begins: its paper and orientation, as BeginPage named them.
struct TPageSetup {
    int Orientation = 0; // 0 portrait, 1 landscape, 2 reverse portrait, 3 reverse landscape
    int Width = 2550;    // portrait size in pixels of 300 per inch
    int Height = 3300;
    int MediaSize = 0; // the enumeration, -1 for a custom size
    std::string MediaName = "LETTER";
    bool Duplex = false;
    int Copies = 1;
};

// What is painted with: nothing, a colour (0x00BBGGRR), or a raster pattern.
struct TInk {
    enum class TKind : uint8_t { Null, Colour, Pattern };
    TKind Kind = TKind::Colour;
    uint32_t Colour = 0;
    int64_t Pattern = 0;
    TPagePoint PatternOrigin;
    double PatternWidth = 0, PatternHeight = 0; // page pixels of one tile, 0 for its own size
};

struct TGraphicsState {
    TMatrix Ctm;
    int ColourSpace = 1; // 1 grey, 2 RGB (sRGB is read as RGB)
    std::string Palette; // bytes of the palette, or empty for direct colour
    TInk Brush, Pen;
    double PenWidth = 1; // user units
    TLineCap Cap = TLineCap::Butt;
    TLineJoin Join = TLineJoin::Miter;
    double MiterLimit = 10;
    std::vector<double> Dashes; // user units
    double DashOffset = 0;
    uint8_t Rop = 252;
    bool SourceTransparent = false;
    bool PaintTransparent = false;
    TFillRule FillRule = TFillRule::NonZero;
    TFillRule ClipRule = TFillRule::NonZero;
    TClip Clip;
    // Text.
    std::string FontName;
    double CharSize = 0;
    int SymbolSet = 0;
    double CharAngle = 0, CharScaleX = 1, CharScaleY = 1, CharShearX = 0, CharShearY = 0;
    double CharBold = 0;
};

// How dark a colour is, 0 for white to 255 for black.
uint8_t Darkness(uint32_t colour);
// Whether pixel (x, y) is black where a colour of the darkness is shown in black and white
// dots (an 8 x 8 ordered dither).
bool DitherBlack(int x, int y, uint8_t darkness);

class TInterpreter {
public:
    // Limits on what a stream may make us do.
    static constexpr int kMaxGraphicsStates = 256;
    static constexpr int kMaxStreamDepth = 8;

    // Draws on device (nullptr: keeps the state only).
    explicit TInterpreter(TPCLDevice* device);
    ~TInterpreter();

    TSession& Session() { return session_; }
    const TPageSetup& Page() const { return page_; }
    bool InPage() const { return inPage_; }

    // Runs the reader's operators. onPageStart(offset) is told where each BeginPage starts
    // (before it runs); onPageEnd() after each EndPage has run. With stopAfterPage the run
    // ends after the first EndPage.
    struct TCallbacks {
        std::function<void(size_t offset)> PageStart;
        std::function<void()> PageEnd;
    };
    void Run(TReader& reader, const TCallbacks& callbacks, bool stopAfterPage);

    // The page's size as drawn (landscape pages wider than high).
    int DeviceWidth() const;
    int DeviceHeight() const;

private:
    struct TImageState;
    struct TText;

    bool Execute(const TOperation& op);
    void BeginSession(const TAttributes& a);
    void BeginPage(const TAttributes& a);
    void EndPage(const TAttributes& a);
    void ExecStream(const TAttributes& a);

    // Graphics state.
    void SetColourSpace(const TAttributes& a);
    TInk InkFrom(const TAttributes& a, bool& nothing);
    void SetPageScale(const TAttributes& a);
    void SetClipRectangle(const TAttributes& a);
    void SetClipFromPath(const TAttributes& a, bool replace);
    void SetLineDash(const TAttributes& a);

    // Paths.
    TPagePoint Cursor() const;
    void SetCursorUser(double x, double y);
    void AddLines(const TOperation& op, bool relative);
    void AddCurves(const TOperation& op, bool relative);
    void AddArc(const TAttributes& a, int shape); // 0 arc, 1 chord, 2 pie, 3 ellipse
    void AddRectangle(const TAttributes& a);
    void AddRoundRectangle(const TAttributes& a);
    void PaintPath();
    void FillRings(std::span<const TPolygonRing> rings, TFillRule rule, const TInk& ink);

    // Paint.
    // The colour a solid ink paints with the current ROP over a source of colour source; false
    // when it leaves the page as it is.
    bool PaintColour(const TInk& ink, uint32_t source, uint32_t& colour) const;

    // Images and patterns (PclXlImage.cpp).
    void BeginImage(const TAttributes& a, bool pattern);
    void ReadImage(const TOperation& op, bool pattern);
    void EndImage(bool pattern);
    uint32_t PixelPaint(uint32_t colour) const;
    void AddImageRow(int row, const uint8_t* bytes);
    void DecodeJpeg();
    void DrawImageChunk();

    // Fonts and text (PclXlText.cpp).
    void BeginFontHeader(const TAttributes& a);
    void ReadFontHeader(const TOperation& op);
    void EndFontHeader();
    void BeginChar(const TAttributes& a);
    void ReadChar(const TOperation& op);
    void RemoveFont(const TAttributes& a);
    void SetFont(const TAttributes& a);
    void Text(const TAttributes& a, bool toPath);
    int DrawBitmapChar(const TDownloadedFont& font, const std::string& data, TPagePoint origin,
                       uint32_t colour);

    TPCLDevice* device_;
    TSession session_;
    TPageSetup page_;
    bool inPage_ = false;
    bool stop_ = false;
    int streamDepth_ = 0;
    TGraphicsState gs_;
    std::vector<TGraphicsState> saved_;
    TPath path_;
    TPagePoint cursor_{};
    bool hasCursor_ = false;
    TMatrix pageCtm_;
    std::unique_ptr<TImageState> image_;
};

} // namespace pg::xl
