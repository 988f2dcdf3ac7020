// Text drawing of the interpreter, called only while rendering: system-font text runs with the
// interpreter's own advances, and soft-font text runs with their downloaded glyphs.

#include "PCLText.h"

#include "FontEngine.h"
#include "PCLFontWidths.h"
#include "PCLInterpreter.h"
#include "PCLValues.h"
#include "Strings.h"
#include "SymbolSets.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace pg {

namespace {

constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;
constexpr uint8_t kBullet = 177;
constexpr uint32_t kBlack = 0x00000000;
constexpr uint32_t kWhite = 0x00FFFFFF;

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Families that forms name but systems rarely have, drawn with a face of similar design when
// that face is installed. Times and Arial stand in for the serif and sans-serif designs. (The
// Times and Univers names are substituted before this list is consulted.)
constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kSimilarFamilies = {{
    {"GARAMOND ANTIQUA", "TIMES NEW ROMAN"},
    {"NEW CENTURY", "TIMES NEW ROMAN"},
    {"ITC ZAPF", "TIMES NEW ROMAN"},
    {"CG OMEGA", "ARIAL"},
    {"ANTIQUE OLIVE", "ARIAL"},
    {"HELVETICA", "ARIAL"},
    {"UNKNOWN", "ARIAL"},
    {"ALBERTUS", "GEORGIA"},
    {"CORONET", "MONOTYPE CORSIVA"},
    {"MARIGOLD", "MONOTYPE CORSIVA"},
    {"CLARENDON", "IMPACT"},
    {"PALATINO", "PALATINO LINOTYPE"},
    {"ITC AVANT", "CENTURY GOTHIC"},
    {"ITC BOOKMAN", "BOOKMAN OLD STYLE"},
}};

} // namespace

std::string_view TypefaceName(uint16_t typeface) {
    switch (typeface) {
    case 0:
        return "LinePrinter";
    case 3:
    case 4099:
        return "Courier";
    case 5:
        return "Times Roman";
    case 52:
    case 4148:
        return "Univers";
    case 1988:
        return "ITC Bookman";
    case 4101:
        return "CG Times";
    case 4102:
        return "Letter Gothic";
    case 4113:
        return "CG Omega";
    case 4116:
        return "Coronet";
    case 4119:
        return "CG Century Schoolbook";
    case 4127:
        return "ITC Avant Garde";
    case 4140:
        return "Clarendon";
    case 4168:
        return "Antique Olive";
    case 4197:
        return "Garamond Antiqua";
    case 4297:
        return "Marigold";
    case 4362:
        return "Albertus";
    case 16602:
        return "Arial";
    case 16686:
        return "Symbol";
    case 16901:
        return "Times New Roman";
    case 24580:
        return "Helvetica";
    case 24591:
        return "Palatino";
    case 24607:
        return "ITC Avant";
    case 24703:
        return "New Century";
    case 31402:
        return "Wingdings";
    case 45099:
        return "ITC Zapf";
    default:
        return "Unknown";
    }
}

bool IsInstalledFont(std::string_view family) {
    const std::string upper = UpperCase(family);
    if (upper == "ARIAL" || upper == "TIMES NEW ROMAN")
        return true;
    const std::vector<std::string>& installed = InstalledFontFamilies();
    return std::binary_search(installed.begin(), installed.end(), upper);
}

TTextFont SelectTextFont(const TPCLFontState& font, uint16_t currentPattern, bool printMode) {
    TTextFont t;
    t.Colour = currentPattern == 1 ? kWhite : kBlack;
    t.Family = std::string(TypefaceName(font.PrimaryTypeface));
    const std::string upper = UpperCase(t.Family);
    if (Contains(upper, "UNIV")) {
        t.Family = "ARIAL";
    } else if (Contains(upper, "CG TIMES") || Contains(upper, "TIMES ROMAN")) {
        t.Family = "TIMES NEW ROMAN";
    } else if (Contains(upper, "TIMES")) {
        t.Family = "Times New Roman";
    } else if (Contains(upper, "COUR")) {
        t.Family = "Courier New";
        t.Allowance = 15;
        if (currentPattern == 0)
            t.Colour = font.FillColor;
    } else {
        // Other families: a similar installed face, compared on the upper-case name.
        for (const auto& [name, similar] : kSimilarFamilies) {
            if (upper == name && IsInstalledFont(similar)) {
                t.Family = std::string(similar);
                break;
            }
        }
    }
    t.Italic = font.PrimaryStyle == 1;
    t.Bold = font.PrimaryStrokeWeight == 3;
    t.Height = RoundHalfEven(font.PrimaryHeight / 72.0 * 300.0);
    if (t.Family == "Courier New") {
        // Fill data stands out on screen in bold; printed, it is plain.
        t.Bold = !printMode;
        if (printMode)
            t.Italic = false;
    }
    return t;
}

int32_t HMIWidth(double hmi) {
    return RoundHalfEven(hmi / 120.0 * 300.0);
}

int32_t CharWidth(const TTextFont& textFont, const TPCLFontState& font, double hmi, uint32_t ch,
                  const std::function<int(uint32_t)>& measure) {
    const bool arial = textFont.Family == "ARIAL" || textFont.Family == "Unknown";
    if (arial || textFont.Family == "TIMES NEW ROMAN") {
        int entry = 0;
        if (ch == ' ') {
            if (font.PrimarySpacing != 1)
                return HMIWidth(hmi);
            entry = UpperCase(textFont.Family) == "ARIAL" ? 138 : 123;
        } else {
            // The tables hold the characters of the Windows code page.
            const int byte = WindowsByte(ch);
            if (byte < 0)
                return measure(ch);
            const TWidthTable& table =
                PCLFontWidthTable(arial ? TWidthFamily::Arial : TWidthFamily::Times, textFont.Bold,
                                  textFont.Italic, font.PrimarySymbolSet == symbolset::kPc8);
            entry = table[size_t(byte)];
        }
        return RoundHalfEven(font.PrimaryHeight / 100.0 * entry);
    }
    if (Contains(UpperCase(textFont.Family), "COUR") || !IsInstalledFont(textFont.Family))
        return HMIWidth(hmi);
    return measure(ch);
}

// One run in the current font from the drawing position; the cursor then moves by the run's
// advance and by the line feeds inside it. The characters are painted with the current
// pattern; in another print direction they turn with it.
void DrawTextRun(TPCLInterpreter& ip, std::string_view run, int32_t symbolSet) {
    TPCLFontState fontState = ip.State.Font.Active();
    if (symbolSet >= 0)
        fontState.PrimarySymbolSet = int16_t(symbolSet);
    TPCLPageState& page = ip.State.Page;
    const TTextFont textFont = SelectTextFont(fontState, ip.State.Raster.CurrentPattern, page.PrintMode);
    // Characters are drawn 4 pixels taller than the font height but measured at the height itself.
    TDeviceFont drawFont{textFont.Family, ClampToInt(int64_t(textFont.Height) + 4), textFont.Bold,
                         textFont.Italic, textFont.Colour};
    drawFont.Paint = ip.CurrentPaint(textFont.Colour);
    // Devices that draw text in one colour take the foreground colour.
    if (drawFont.Paint.Kind == TPaint::TKind::Colour)
        drawFont.Colour = drawFont.Paint.Colour;
    drawFont.Angle = 90 * page.PrintDirection;
    // Positions are laid out as at 0 degrees, then turned onto the page.
    const auto onPage = [&](int64_t px, int64_t py) {
        return ip.PagePoint(px - page.LeftOffset, py - page.TopMargin);
    };
    TDeviceFont measureFont = drawFont;
    measureFont.Height = textFont.Height;
    TPCLDevice& device = ip.Device();
    const auto measure = [&](uint32_t ch) { return device.MeasureChar(measureFont, ch); };
    const bool twice = Contains(UpperCase(textFont.Family), "COUR") && fontState.PrimaryStrokeWeight == 3;
    const int64_t top = int64_t(page.TopMargin) + page.CursorY;
    int64_t x = int64_t(page.LeftOffset) + page.CursorX;
    int64_t y = textFont.Allowance + top - textFont.Height;
    int64_t advance = 0;
    int64_t down = 0;
    std::vector<TPlacedChar> chars;
    chars.reserve(run.size());
    // Characters go to the device in batches; a batch is drawn before each bullet and underline,
    // so that everything lands in the order of the run and the marks lie over the characters.
    const auto drawChars = [&] {
        if (!chars.empty())
            device.DrawTextRun(drawFont, chars);
        chars.clear();
    };
    for (const char ch : run) {
        const uint8_t c = uint8_t(ch);
        if (c == kLineFeed) {
            y += ip.LineAdvance();
            down += ip.LineAdvance();
            continue;
        }
        if (c == kCarriageReturn) {
            x = page.LeftOffset;
            continue;
        }
        // Byte 177 is the forms' bullet in every text symbol set (in the math sets it is a
        // sign of its own); it takes the room of the character it replaces in the Windows
        // code page.
        const bool bullet = c == kBullet && fontState.PrimarySymbolSet != symbolset::kMath8 &&
                            fontState.PrimarySymbolSet != symbolset::kPsMath;
        const uint32_t u =
            bullet ? WindowsCodePoint(c) : SymbolSetChar(uint16_t(fontState.PrimarySymbolSet), c);
        // Control codes of the set print nothing and do not move.
        if (u == 0)
            continue;
        const int32_t w = CharWidth(textFont, fontState, page.HMI, u, measure);
        if (bullet) {
            drawChars();
            const TPCLPagePoint a = onPage(x, y + 15), b = onPage(x + 15, y + 30);
            device.FillEllipse(ClampToInt(std::min(a.X, b.X)), ClampToInt(std::min(a.Y, b.Y)),
                               ClampToInt(std::max(a.X, b.X)), ClampToInt(std::max(a.Y, b.Y)), kBlack);
        } else {
            const TPCLPagePoint at = onPage(x, y);
            chars.push_back({c, ClampToInt(at.X), ClampToInt(at.Y), w, u});
            if (twice) {
                const TPCLPagePoint again = onPage(x + 6, y);
                chars.push_back({c, ClampToInt(again.X), ClampToInt(again.Y), w, u});
            }
        }
        advance += w;
        if (fontState.Underline) {
            drawChars();
            const TPCLPagePoint from = onPage(x, top + 5), to = onPage(x + w, top + 5);
            device.DrawLine(ClampToInt(from.X), ClampToInt(from.Y), ClampToInt(to.X), ClampToInt(to.Y), 2,
                            kBlack);
        }
        x += w;
    }
    drawChars();
    page.CursorX = int32_t(uint32_t(int64_t(page.CursorX) + advance));
    page.CursorY = int32_t(uint32_t(int64_t(page.CursorY) + down));
}

namespace {

// The printable codes of a soft-font run with their cells, laid out as DrawSoftFontRun
// places the glyphs; other codes (bar codes, signatures and logos often sit below the space)
// tell nothing a reader could search for.
void TellSoftFontText(TPCLInterpreter& ip, const TSoftFont& font, std::string_view run) {
    // A font bound to a symbol set the interpreter knows reads in it; other fonts' codes read
    // as the Windows code page.
    const int symbolSet = font.SymbolSet();
    const bool mapped = symbolSet >= 0 && KnownSymbolSet(uint16_t(symbolSet));
    const TPCLPageState& page = ip.State.Page;
    int height = font.CellHeight();
    if (height <= 0)
        for (const auto& [code, glyph] : font.Glyphs())
            height = std::max(height, glyph->TopOffset);
    std::vector<TPlacedChar> chars;
    const int64_t baseline = int64_t(page.TopMargin) + page.CursorY;
    int64_t x = int64_t(page.LeftOffset) + page.CursorX;
    int quarters = 0;
    for (const char ch : run) {
        const uint8_t c = uint8_t(ch);
        const TSoftGlyph* g = font.FindGlyph(c);
        if (!g)
            continue;
        quarters += g->AdvanceQuarter;
        const int advance = quarters / 4;
        quarters -= advance * 4;
        const uint32_t u = mapped ? SymbolSetChar(uint16_t(symbolSet), c) : 0;
        if (c >= 32 && c != 127 && (!mapped || u != 0))
            chars.push_back({c, ClampToInt(x), ClampToInt(baseline - height), advance, u});
        x += advance;
    }
    if (!chars.empty())
        ip.Device().SoftFontText(height, chars);
}

} // namespace

// A run in a downloaded bitmap font: each byte's glyph at the cursor, black; bytes without a
// glyph are skipped without moving. A scalable font's glyphs are outlines, not bitmaps: its
// text is drawn with the system fonts instead, so that it stays readable.
void DrawSoftFontRun(TPCLInterpreter& ip, const TSoftFont& font, std::string_view run) {
    if (font.Scalable()) {
        const int symbolSet = font.SymbolSet();
        DrawTextRun(ip, run, symbolSet >= 0 && KnownSymbolSet(uint16_t(symbolSet)) ? symbolSet : -1);
        return;
    }
    TPCLPageState& page = ip.State.Page;
    TPCLDevice& device = ip.Device();
    TellSoftFontText(ip, font, run);
    const TPaint paint = ip.CurrentPaint(kBlack);
    // The delta X is in quarter dots: the run keeps the quarters that whole dots leave over,
    // so that a word of a finer font does not drift left by a fraction per letter.
    int quarters = 0;
    for (const char ch : run) {
        const TSoftGlyph* g = font.FindGlyph(uint8_t(ch));
        if (!g)
            continue;
        quarters += g->AdvanceQuarter;
        const int advance = quarters / 4;
        quarters -= advance * 4;
        if (g->Width > 1 && g->Height > 0) {
            const TBitImage image{std::span<const uint8_t>(g->Bits), g->Width, g->Height, g->BytesPerRow};
            const TPCLPagePoint at =
                ip.PagePoint(int64_t(page.CursorX) + g->LeftOffset, int64_t(page.CursorY) - g->TopOffset);
            device.DrawGlyph(ClampToInt(at.X), ClampToInt(at.Y), image, paint);
        }
        page.CursorX = int32_t(uint32_t(page.CursorX) + uint32_t(advance));
    }
}

} // namespace pg
