#pragma once
// A PCL XL page in a downloaded TrueType font, for the tests (it needs FreeType to find the
// glyphs of the characters).

#include "PclXlSamples.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace pg::test {

// The system's Liberation Sans, downloaded as a TrueType font the way printer drivers send one:
// the global tables in the header's "GT" segment, each character its glyph's outline. Empty
// when the font file is not installed.
inline std::string XlTrueTypePage(bool bigEndian = false) {
    using namespace xlsample;
    const std::string path = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
    std::ostringstream read;
    read << std::ifstream(path, std::ios::binary).rdbuf();
    const std::string ttf = read.str();
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (ttf.empty() || FT_Init_FreeType(&library) != 0)
        return {};
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        FT_Done_FreeType(library);
        return {};
    }
    const auto u16 = [&](size_t at) { return uint32_t(uint8_t(ttf[at])) << 8 | uint8_t(ttf[at + 1]); };
    const auto u32 = [&](size_t at) { return u16(at) << 16 | u16(at + 2); };
    std::map<std::string, std::string> tables;
    for (size_t i = 0, n = u16(4); i < n; ++i) {
        const size_t rec = 12 + 16 * i;
        tables[ttf.substr(rec, 4)] = ttf.substr(u32(rec + 8), u32(rec + 12));
    }
    const auto be16 = [](uint32_t v) { return std::string{char(v >> 8), char(v)}; };
    const auto be32 = [&](uint32_t v) { return be16(v >> 16) + be16(v & 0xFFFF); };
    // The global tables, as a font file's table directory with offsets from the segment start.
    const std::vector<std::string> global = {"cvt ", "fpgm", "gdir", "head", "hhea", "hmtx", "maxp", "prep"};
    std::string directory = be32(0x00010000) + be16(uint32_t(global.size())) + be16(0) + be16(0) + be16(0);
    std::string body;
    size_t offset = 12 + 16 * global.size();
    for (const std::string& tag : global) {
        const std::string& data = tables[tag];
        directory += tag + be32(0) + be32(uint32_t(offset + body.size())) + be32(uint32_t(data.size()));
        body += data;
        body.resize((body.size() + 3) & ~size_t(3), '\0');
    }
    const std::string gt = directory + body;
    std::string header("\x00\x00\x02\x75\x01\x00", 6);
    header += be16(256) + "GT" + be32(uint32_t(gt.size())) + gt + std::string("\xFF\xFF\x00\x00\x00\x00", 6);
    const std::string& head = tables["head"];
    const bool longLoca = head.size() >= 52 && head[50] == 0 && head[51] == 1;
    const std::string& loca = tables["loca"];
    const std::string& glyf = tables["glyf"];
    const auto glyphData = [&](uint32_t g) {
        const auto l16 = [&](size_t at) { return uint32_t(uint8_t(loca[at])) << 8 | uint8_t(loca[at + 1]); };
        const uint32_t from = longLoca ? (l16(4 * g) << 16 | l16(4 * g + 2)) : 2 * l16(2 * g);
        const uint32_t to = longLoca ? (l16(4 * g + 4) << 16 | l16(4 * g + 6)) : 2 * l16(2 * g + 2);
        return glyf.substr(from, to - from);
    };
    TXlWriter w(bigEndian);
    w.BeginSessionAndPage();
    w.UByte(1).Attr(aColorSpace).Op(kSetColorSpace);
    Brush(w, 0);
    const std::string name = "TrueTypeTest    ";
    w.UByteArray(name).Attr(aFontName).UByte(0).Attr(aFontFormat).Op(kBeginFontHeader);
    // The header in two blocks, as long headers come.
    const size_t half = header.size() / 2;
    w.UInt16(uint16_t(half)).Attr(aFontHeaderLength).Op(kReadFontHeader).Data(header.substr(0, half));
    w.UInt16(uint16_t(header.size() - half))
        .Attr(aFontHeaderLength)
        .Op(kReadFontHeader)
        .Data(header.substr(half));
    w.Op(kEndFontHeader);
    w.UByteArray(name).Attr(aFontName).Op(kBeginChar);
    const std::string text = "TrueType Loan 2024";
    std::string sent;
    for (char c : text) {
        if (sent.find(c) != std::string::npos)
            continue;
        sent += c;
        const uint32_t glyph = FT_Get_Char_Index(face, uint8_t(c));
        const std::string outline = glyphData(glyph);
        const std::string data =
            std::string("\x01\x00", 2) + be16(uint32_t(4 + outline.size())) + be16(glyph) + outline;
        w.UInt16(uint8_t(c))
            .Attr(aCharCode)
            .UInt16(uint16_t(data.size()))
            .Attr(aCharDataSize)
            .Op(kReadChar)
            .Data(data);
    }
    w.Op(kEndChar);
    // Each character advances by its own width, as drivers send it.
    const auto line = [&](std::string_view chars, int size) {
        std::string spacing;
        for (char c : chars) {
            FT_Load_Glyph(face, FT_Get_Char_Index(face, uint8_t(c)), FT_LOAD_NO_SCALE);
            spacing.push_back(char(face->glyph->metrics.horiAdvance * size / face->units_per_EM));
        }
        w.UByteArray(chars).Attr(aTextData).UByteArray(spacing).Attr(aXSpacingData).Op(kText);
    };
    Font(w, name, 100, 629);
    Cursor(w, 150, 400);
    line(text, 100);
    Font(w, name, 200, 629);
    Cursor(w, 150, 800);
    line("Loan", 200);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    w.EndPageAndSession();
    return w.Bytes();
}

} // namespace pg::test
