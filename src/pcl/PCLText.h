#pragma once
// Font selection and character widths of PCL text drawn with system fonts: the typeface
// names, the family substitution, the style and height rules and the advance of each
// character; and the drawing of text runs in system fonts and in downloaded bitmap fonts.

#include "PCLState.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pg {

// The family name of a PCL typeface number; "Unknown" for a number not in the list.
std::string_view TypefaceName(uint16_t typeface);

// True when the family name, in upper case, is "ARIAL" or "TIMES NEW ROMAN" or an installed
// font family.
bool IsInstalledFont(std::string_view family);

// The system font chosen for the primary font attributes.
struct TTextFont {
    std::string Family; // after substitution: "ARIAL", "TIMES NEW ROMAN", "Courier New", ...
    bool Bold = false;
    bool Italic = false;
    int Height = 0;     // cell height in pixels
    int Allowance = 10; // from the drawing position's top down to the PCL baseline, less the height
    uint32_t Colour = 0;
};

TTextFont SelectTextFont(const TPCLFontState& font, uint16_t currentPattern, bool printMode);

// The fixed-pitch advance: the horizontal motion index (1/120 inch) in dots, rounded.
int32_t HMIWidth(double hmi);

// The advance of the (Unicode) character ch in dots. measure gives the system font's own width
// of ch; it is asked for installed families that have no width table, and for characters that
// the tables (made for the Windows code page) do not hold.
int32_t CharWidth(const TTextFont& textFont, const TPCLFontState& font, double hmi, uint32_t ch,
                  const std::function<int(uint32_t)>& measure);

class TPCLInterpreter;

// One run in the current font from the cursor; the cursor then moves by the run's advance and
// by the line feeds inside it. Bytes stand for the characters of the font's symbol set, or of
// symbolSet when it is not -1. Called only while rendering.
void DrawTextRun(TPCLInterpreter& interpreter, std::string_view run, int32_t symbolSet = -1);
// A run in a downloaded font: a bitmap font's glyphs at the cursor, black (bytes without a
// glyph are skipped without moving); a scalable font's text in the system fonts.
void DrawSoftFontRun(TPCLInterpreter& interpreter, const TSoftFont& font, std::string_view run);

} // namespace pg
