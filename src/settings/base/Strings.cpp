#include "Strings.h"

#include <charconv>

namespace pg {

static char Up(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 32) : c;
}
static char Low(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = Up(c);
    return r;
}

std::string LowerCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = Low(c);
    return r;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Up(a[i]) != Up(b[i]))
            return false;
    return true;
}

static bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(0, e));
}

std::vector<std::string> Split(std::string_view s, std::string_view sep) {
    std::vector<std::string> parts;
    if (sep.empty()) {
        parts.emplace_back(s);
        return parts;
    }
    size_t start = 0;
    for (;;) {
        size_t p = s.find(sep, start);
        if (p == std::string_view::npos) {
            parts.emplace_back(s.substr(start));
            return parts;
        }
        parts.emplace_back(s.substr(start, p - start));
        start = p + sep.size();
    }
}

std::vector<std::string> SplitLines(std::string_view s) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\r' && s[i] != '\n')
            continue;
        lines.emplace_back(s.substr(start, i - start));
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < s.size())
        lines.emplace_back(s.substr(start));
    return lines;
}

int64_t StrToInt64Def(std::string_view s, int64_t def) {
    std::string t = Trim(s);
    std::string_view v = t;
    if (!v.empty() && v.front() == '+')
        v.remove_prefix(1);
    if (v.empty())
        return def;
    int64_t out = 0;
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    if (ec != std::errc() || ptr != v.data() + v.size())
        return def;
    return out;
}

int32_t StrToIntDef(std::string_view s, int32_t def) {
    int64_t v = StrToInt64Def(s, int64_t(def));
    if (v < INT32_MIN || v > INT32_MAX)
        return def;
    return int32_t(v);
}

std::string IntToStr(int64_t v) {
    return std::to_string(v);
}

std::string PadLeft(std::string_view s, size_t width, char fill) {
    if (s.size() >= width)
        return std::string(s);
    return std::string(width - s.size(), fill) + std::string(s);
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string BytesToHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const unsigned char b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

uint32_t WindowsCodePoint(uint8_t byte) {
    // 0x80..0x9F differ from Latin-1; the rest of the code page is Latin-1.
    static constexpr uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                           0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

std::string Capitalise(std::string_view text) {
    std::string out = LowerCase(text);
    bool start = true;
    for (char& c : out) {
        if (start && c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        start = c == ' ';
    }
    return out;
}

const char* YesNoFlag(bool flag) {
    return flag ? "Y" : "N";
}

const char* YesNoText(bool flag) {
    return flag ? "Yes" : "No";
}

bool IsLetterPaper(std::string_view paperName) {
    const std::string upper = UpperCase(paperName);
    return upper == "LTR" || upper == "LETTER";
}

} // namespace pg
