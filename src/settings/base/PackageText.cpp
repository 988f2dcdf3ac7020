#include "PackageText.h"

#include "Strings.h"

namespace pg {

void AppendUtf8Char(std::string& out, uint32_t ch) {
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch < 0xE000))
        ch = 0xFFFD;
    if (ch < 0x80) {
        out += char(ch);
    } else if (ch < 0x800) {
        out += char(0xC0 | (ch >> 6));
        out += char(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        out += char(0xE0 | (ch >> 12));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    } else {
        out += char(0xF0 | (ch >> 18));
        out += char(0x80 | ((ch >> 12) & 0x3F));
        out += char(0x80 | ((ch >> 6) & 0x3F));
        out += char(0x80 | (ch & 0x3F));
    }
}

namespace {

// The byte of a character; -1 when the code page has none.
int PackageByte(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100))
        return int(cp);
    for (int b = 0x80; b < 0xA0; ++b)
        if (WindowsCodePoint(uint8_t(b)) == cp)
            return b;
    return cp < 0xA0 ? int(cp) : -1; // a C1 control: the byte of the same number
}

// Decodes one UTF-8 sequence at pos; false (pos unchanged) when the bytes there are malformed.
bool NextCodePoint(std::string_view s, size_t& pos, uint32_t& cp) {
    const auto b0 = uint8_t(s[pos]);
    const int length = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    if (length == 0 || pos + size_t(length) > s.size())
        return false;
    cp = length == 1 ? b0 : b0 & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto b = uint8_t(s[pos + size_t(i)]);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    pos += size_t(length);
    return true;
}

} // namespace

uint32_t PackageCodePoint(uint8_t byte) {
    const uint32_t cp = WindowsCodePoint(byte);
    return cp ? cp : byte;
}

std::string PackageTextToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        AppendUtf8Char(out, PackageCodePoint(uint8_t(c)));
    return out;
}

std::string Utf8ToPackageText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        uint32_t cp = 0;
        if (!NextCodePoint(utf8, pos, cp)) {
            out += utf8[pos++];
            continue;
        }
        const int b = PackageByte(cp);
        out += b < 0 ? '?' : char(b);
    }
    return out;
}

} // namespace pg
