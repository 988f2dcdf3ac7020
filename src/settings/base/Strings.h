#pragma once
// Small helpers for the single-byte (Windows-1252) texts that packages and settings carry.
// Every function works on bytes; letters are the ASCII ones.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b); // equal without regard to ASCII case
std::string Trim(std::string_view s);                  // drops bytes <= ' ' at both ends
std::string TrimRight(std::string_view s);

// Splits at every occurrence of sep; n separators give n + 1 parts.
std::vector<std::string> Split(std::string_view s, std::string_view sep);
// Lines ended by CR, LF or CR LF; a final line without an end is kept, an empty tail is not.
std::vector<std::string> SplitLines(std::string_view s);

// Decimal integer with optional sign and blanks around it; anything else gives def.
int32_t StrToIntDef(std::string_view s, int32_t def);
int64_t StrToInt64Def(std::string_view s, int64_t def);
std::string IntToStr(int64_t v);
std::string PadLeft(std::string_view s, size_t width, char fill);
// "Y"/"N": the flags of the package containers.
const char* YesNoFlag(bool flag);
// "Yes"/"No": the flags of the older settings and of the window's reports.
const char* YesNoText(bool flag);
// Letter when the paper name, in upper case, is "LTR" or "LETTER"; every other name is legal.
bool IsLetterPaper(std::string_view paperName);
// Lower case, then every letter that starts the text or follows a blank in upper case.
std::string Capitalise(std::string_view text);

// The value of a hexadecimal digit of either case; -1 for any other character.
int HexDigitValue(char c);
// Every byte as two lower-case hexadecimal digits.
std::string BytesToHex(std::string_view bytes);

// The Unicode character of a byte in the Windows-1252 code page (0 for the five unused bytes).
uint32_t WindowsCodePoint(uint8_t byte);

} // namespace pg
