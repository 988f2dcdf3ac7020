#pragma once
// PCL symbol sets: which character a byte of text stands for. A symbol set is named by a number
// and a letter (`ESC(8U` selects Roman-8); its value is number * 32 + letter - 64 (8U is 277),
// the form font headers carry. The sets the interpreter knows map each byte to a Unicode
// character; text in any other set reads as the Windows code page, as it always has.

#include <cstdint>

namespace pg {

// number * 32 + letter - 64; a number outside 0 .. 1023 or a letter outside '@' .. '^' reads as
// 0 and '@'.
uint16_t SymbolSetValue(int64_t number, char letter);

namespace symbolset {
inline constexpr uint16_t kIso6 = 21;           // 0U, ASCII
inline constexpr uint16_t kIsoLatin1 = 14;      // 0N, ISO 8859-1
inline constexpr uint16_t kLegal = 53;          // 1U
inline constexpr uint16_t kPsMath = 173;        // 5M
inline constexpr uint16_t kRoman8 = 277;        // 8U, the reset default
inline constexpr uint16_t kMath8 = 269;         // 8M
inline constexpr uint16_t kWindowsLatin2 = 293; // 9E
inline constexpr uint16_t kPc8 = 341;           // 10U, code page 437
inline constexpr uint16_t kPc850 = 405;         // 12U
inline constexpr uint16_t kPiFont = 501;        // 15U
inline constexpr uint16_t kWindowsLatin1 = 629; // 19U, Windows 3.1 Latin 1
} // namespace symbolset

// Whether the set is one of those above.
bool KnownSymbolSet(uint16_t symbolSet);

// The character byte stands for in the set: 0 when the byte is a control code there (nothing
// is printed and the text does not move), a space where the set prints nothing but moves on
// (codes it leaves empty). Bytes below 32 are control codes in every set. A set that is not
// known gives the Windows-1252 character (a space for the five bytes it leaves unused).
uint32_t SymbolSetChar(uint16_t symbolSet, uint8_t byte);

// The Windows-1252 byte of a character; -1 when the code page has none.
int WindowsByte(uint32_t ch);

} // namespace pg
