// A page of a PCL document to stand on its own: the state earlier pages left, as commands,
// then the page's own stream.

#include "PCLParse.h"
#include "PCLValues.h"
#include "Strings.h"

#include <cstdio>
#include <functional>

namespace pg {

namespace {

// A value with up to two decimals, as PCL parameters are written ("10.5").
std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    std::string s = text;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

// A value with its sign, "+" included.
std::string Signed(int64_t v) {
    return (v >= 0 ? "+" : "") + IntToStr(v);
}

} // namespace

// The palette in force and the foreground colour, as commands: a simple palette by its mode, a
// configured one by its header (eight bits a primary) and the entries that differ from a new
// palette's; the foreground colour is chosen through its entry holding it for a moment.
void TPCLBuffer::ColourCommands(const TPCLColourState& colour,
                                const std::function<void(const std::string&)>& command) {
    if (!colour.ColourMode)
        return;
    const TPCLPalette& palette = colour.Palette;
    const bool cmy = palette.ColourSpace == 1;
    const auto assign = [&](size_t index, uint32_t rgb) {
        std::string text = "*v";
        for (int i = 0; i < 3; ++i) {
            const uint32_t light = rgb >> (8 * i) & 0xFF;
            text += IntToStr(cmy ? 255 - light : light) + char('a' + i);
        }
        command(text + IntToStr(int64_t(index)) + "I");
    };
    if (palette.Simple) {
        command("*r" + IntToStr(int(palette.SimpleMode)) + "U");
    } else {
        const char header[6] = {
            char(palette.ColourSpace), char(palette.Encoding), char(palette.BitsPerIndex), 8, 8, 8};
        command("*v6W" + std::string(header, 6));
        const std::vector<uint32_t> fresh = TPCLPalette::DefaultEntries(palette.BitsPerIndex, cmy);
        for (size_t i = 0; i < palette.Entries.size(); ++i)
            if (i >= fresh.size() || fresh[i] != palette.Entries[i])
                assign(i, palette.Entries[i]);
    }
    const size_t index = size_t(std::max(colour.ForegroundIndex, 0));
    if (palette.Simple || index >= palette.Entries.size()) {
        command("*v" + IntToStr(colour.ForegroundIndex) + "S");
        return;
    }
    assign(index, colour.Foreground);
    command("*v" + IntToStr(int64_t(index)) + "S");
    assign(index, palette.Entries[index]);
}

// The print model a page begins with, as commands: the patterns in force, the current pattern,
// the transparency modes, the logical operation, the pattern reference point (the cursor goes
// there and back) and the print direction.
void TPCLBuffer::PrintModelCommands(const TPCLGraphicsState& at,
                                    const std::function<void(const std::string&)>& command) {
    const TPCLRasterState& r = at.Raster;
    const TPCLPageState& p = at.Page;
    const TPCLRasterState reset;
    ColourCommands(at.Colour, command);
    for (const auto& [id, pattern] : at.Patterns) {
        command("*c" + IntToStr(id) + "G");
        command("*c" + IntToStr(int64_t(pattern->Definition.size())) + "W" + pattern->Definition);
        if (pattern->Permanent)
            command("*c5Q");
    }
    if (r.CurrentPattern != reset.CurrentPattern) {
        command("*c" + IntToStr(r.CurrentPatternID) + "G");
        command("*v" + IntToStr(r.CurrentPattern) + "T");
    }
    if (!at.Patterns.empty() || r.CurrentPattern != reset.CurrentPattern)
        command("*c" + IntToStr(r.PatternID) + "G");
    if (!r.SourceTransparent)
        command("*v1N");
    if (!r.PatternTransparent)
        command("*v1O");
    if (r.LogicalOperation != reset.LogicalOperation)
        command("*l" + IntToStr(r.LogicalOperation) + "O");
    const bool movedReference =
        r.PatternRefX != reset.PatternRefX || r.PatternRefY != reset.PatternRefY || !r.PatternsTurn;
    // Signed values move relative to the cursor: from the origin they reach any position.
    const auto moveTo = [&](int64_t x, int64_t y) {
        command("*p0x0Y");
        command("*p" + Signed(x) + "x" + Signed(y) + "Y");
    };
    if (movedReference) {
        moveTo(int64_t(r.PatternRefX) - p.LeftOffset, int64_t(r.PatternRefY) - p.TopMargin);
        command(r.PatternsTurn ? "*p0R" : "*p1R");
    }
    if (p.PrintDirection != 0)
        command("&a" + IntToStr(p.PrintDirection * 90) + "P");
    if (movedReference)
        moveTo(p.CursorX, p.CursorY);
}

// The state a page begins with, as commands: what differs from a printer reset, then the
// fonts and macros earlier pages left in force, then the page itself.
std::string TPCLBuffer::StandalonePage(int page) const {
    if (page < 1 || page > GetPageCount())
        return {};
    const TPCLGraphicsState& at = PageStarts[size_t(page - 1)];
    std::string out;
    auto command = [&](const std::string& text) {
        out += char(kEsc);
        out += text;
    };
    for (const auto& [id, font] : at.SoftFonts) {
        command("*c" + IntToStr(id) + "D");
        const std::string header = RewriteFontHeader(font->Header());
        command(")s" + IntToStr(int64_t(header.size())) + "W");
        out += header;
        for (const auto& [code, glyph] : font->Glyphs()) {
            command("*c" + IntToStr(code) + "E");
            for (const std::string& block : glyph->Blocks) {
                command("(s" + IntToStr(int64_t(block.size())) + "W");
                out += block;
            }
        }
        if (font->Permanent)
            command("*c5F");
    }
    if (!at.SoftFonts.empty())
        command("*c" + IntToStr(at.Font.FontID) + "D");
    const std::string endDefinition = "\x1b&f1X";
    for (const auto& [id, macro] : at.Macros) {
        command("&f" + IntToStr(id) + "Y");
        command("&f0X");
        out += macro->Body;
        if (!std::string_view(macro->Body).ends_with(endDefinition))
            out += endDefinition;
        if (macro->Permanent)
            command("&f10X");
    }
    const TPCLPageState& p = at.Page;
    const TPCLFontState& f = at.Font;
    const TPCLPageState reset;
    const TPCLFontState resetFont;
    if (!at.Macros.empty() || p.MacroID != 0)
        command("&f" + IntToStr(p.MacroID) + "Y");
    if (p.UnitOfMeasure != reset.UnitOfMeasure)
        command("&u" + IntToStr(p.UnitOfMeasure) + "D");
    if (p.Orientation != 0)
        command("&l" + IntToStr(p.Orientation) + "O");
    if (p.LinesPerInch != reset.LinesPerInch)
        command("&l" + IntToStr(p.LinesPerInch) + "D");
    if (p.HMI != reset.HMI)
        command("&k" + Number(p.HMI) + "H");
    if (p.LeftOffset != reset.LeftOffset)
        command("&a" + IntToStr(p.LeftOffset) + "L");
    if (p.TopMargin != reset.TopMargin && p.LinesPerInch > 0 && p.TopMargin * p.LinesPerInch % 300 == 0)
        command("&l" + IntToStr(p.TopMargin * p.LinesPerInch / 300) + "E");
    if (f.PrimarySymbolSet != resetFont.PrimarySymbolSet)
        command("(" + IntToStr(f.PrimarySymbolSet / 32) + char('@' + f.PrimarySymbolSet % 32));
    if (f.PrimarySpacing != resetFont.PrimarySpacing)
        command("(s" + IntToStr(f.PrimarySpacing) + "P");
    if (f.PrimaryPitch != resetFont.PrimaryPitch)
        command("(s" + IntToStr(f.PrimaryPitch) + "H");
    if (f.PrimaryHeight != resetFont.PrimaryHeight)
        command("(s" + Number(f.PrimaryHeight) + "V");
    if (f.PrimaryStyle != resetFont.PrimaryStyle)
        command("(s" + IntToStr(f.PrimaryStyle) + "S");
    if (f.PrimaryStrokeWeight != resetFont.PrimaryStrokeWeight)
        command("(s" + IntToStr(f.PrimaryStrokeWeight) + "B");
    if (f.PrimaryTypeface != resetFont.PrimaryTypeface)
        command("(s" + IntToStr(f.PrimaryTypeface) + "T");
    if (f.SecondarySymbolSet != resetFont.SecondarySymbolSet)
        command(")" + IntToStr(f.SecondarySymbolSet / 32) + char('@' + f.SecondarySymbolSet % 32));
    if (f.SecondarySpacing != resetFont.SecondarySpacing)
        command(")s" + IntToStr(f.SecondarySpacing) + "P");
    if (f.SecondaryStyle != resetFont.SecondaryStyle)
        command(")s" + IntToStr(f.SecondaryStyle) + "S");
    if (f.SecondaryStrokeWeight != resetFont.SecondaryStrokeWeight)
        command(")s" + IntToStr(f.SecondaryStrokeWeight) + "B");
    if (f.SecondaryTypeface != resetFont.SecondaryTypeface)
        command(")s" + IntToStr(f.SecondaryTypeface) + "T");
    if (f.SelectedFont >= 0)
        command("(" + IntToStr(f.SelectedFont) + "X");
    PrintModelCommands(at, command);
    // Shift out: the page's text begins in the secondary font.
    if (f.ShiftedOut)
        out += '\x0E';
    out += PageList[size_t(page - 1)]->View();
    return out;
}

} // namespace pg
