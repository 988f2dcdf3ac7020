#pragma once
// How PCL command texts are read: the lookup key of a command and its numeric value; and the
// arithmetic of page positions.
// A command text begins with the escape byte, for instance "\x1b&l2A".

#include <cstdint>
#include <string>
#include <string_view>

namespace pg {

inline constexpr char kEsc = 27;

// The command text without escape bytes, blanks, signs, points and digits: "\x1b&l2A" gives
// "&lA". The two-character command ESC 9 would lose its only character to the digit rule; it
// is filed under "&9", the key the command table gives it.
std::string CommandKey(std::string_view command);

// The signs, points and digits of the text, in order, cut before the first point, read as a
// signed decimal; def when they do not form a 32-bit number.
int32_t IntegerValue(std::string_view command, int32_t def = 0);
// The same characters, not cut, read as a decimal number; 0 when they do not form one.
double RealValue(std::string_view command);
// The command moves relative to the current position: it carries a sign.
bool IsRelative(std::string_view command);

// Nearest integer, halves to the even neighbour (37.5 gives 38, 2.5 gives 2). Values beyond
// the 32-bit range (and NaN) are held at the range's ends (NaN gives 0).
int32_t RoundHalfEven(double v);

// Decipoints (1/720 inch) to dots (1/300 inch), rounded.
int32_t DecipointsToDots(double decipoints);

// Sums of positions wrap around in 32 bits rather than overflow.
inline int32_t Wrap32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// A page position for a device: held at the ends of the int range.
inline int ClampToInt(int64_t v) {
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : int(v);
}

} // namespace pg
