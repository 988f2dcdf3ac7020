#pragma once
// Text of PCL XL: resident fonts by the names printers give them ("Courier", "ArialBdIt",
// "TimesNewRmn"), drawn with the same system faces as PCL 5 text, and fonts the stream
// downloads: bitmap fonts drawn as glyph images, TrueType fonts drawn from their outlines.
// Upright text in a resident font goes to the device as a text run (real text in a PDF);
// turned, slanted or stretched text, and TrueType downloads, are filled as outlines, with their
// characters told to the device for its text.

#include <cstdint>
#include <string>
#include <string_view>

namespace pg::xl {

// The system face that stands in for a resident font of the name.
struct TResidentFace {
    std::string Family;
    bool Bold = false;
    bool Italic = false;
};
TResidentFace ResidentFace(std::string_view name);

// The Unicode character of a text code in the symbol set (590 is Unicode itself, 277 is
// Roman-8; every other set is read as Windows Latin 1); 0 for none.
uint32_t SymbolSetCharacter(uint32_t code, int symbolSet);
// The Windows-1252 byte of a Unicode character; 0 when the code page has none.
uint8_t WindowsByte(uint32_t character);

} // namespace pg::xl
