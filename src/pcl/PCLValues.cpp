#include "PCLValues.h"

#include "Strings.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace pg {

namespace {

bool IsNumberChar(char c) {
    return c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9');
}

std::string NumberChars(std::string_view command) {
    std::string out;
    for (char c : command)
        if (IsNumberChar(c))
            out += c;
    return out;
}

} // namespace

std::string CommandKey(std::string_view command) {
    std::string key;
    key.reserve(command.size());
    for (char c : command)
        if (c != kEsc && c != ' ' && !IsNumberChar(c))
            key += c;
    if (key.empty() && command.size() == 2 && command[0] == kEsc && command[1] == '9')
        return "&9";
    return key;
}

// Reads the number characters in place: an optional "+", an optional "-", then digits only,
// the way a signed decimal conversion of the gathered characters reads them.
int32_t IntegerValue(std::string_view command, int32_t def) {
    size_t i = 0;
    auto next = [&]() -> int {
        for (; i < command.size(); ++i)
            if (IsNumberChar(command[i]))
                return command[i++];
        return -1;
    };
    int c = next();
    if (c == '+')
        c = next();
    const bool negative = c == '-';
    if (negative)
        c = next();
    if (c < '0' || c > '9')
        return def;
    int64_t value = 0;
    for (; c >= '0' && c <= '9'; c = next()) {
        value = value * 10 + (c - '0');
        if (value > int64_t(INT32_MAX) + 1)
            return def;
    }
    if (c != -1 && c != '.')
        return def;
    value = negative ? -value : value;
    if (value > INT32_MAX)
        return def;
    return int32_t(value);
}

double RealValue(std::string_view command) {
    const std::string digits = NumberChars(command);
    std::string_view text = digits;
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(value))
        return 0;
    return value;
}

bool IsRelative(std::string_view command) {
    for (char c : command)
        if (c == '+' || c == '-')
            return true;
    return false;
}

int32_t RoundHalfEven(double v) {
    if (std::isnan(v))
        return 0;
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    if (v <= lo)
        return std::numeric_limits<int32_t>::min();
    if (v >= hi)
        return std::numeric_limits<int32_t>::max();
    const double low = std::floor(v);
    const double fraction = v - low;
    double r = low;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(low, 2.0) != 0.0))
        r = low + 1.0;
    return static_cast<int32_t>(r);
}

int32_t DecipointsToDots(double decipoints) {
    return RoundHalfEven(decipoints * 300.0 / 720.0);
}

} // namespace pg
