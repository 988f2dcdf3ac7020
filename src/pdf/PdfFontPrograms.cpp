#include "PdfFontPrograms.h"

#include "PdfDevice.h"
#include "Strings.h"

#include <fontconfig/fontconfig.h>
#include <hb-subset.h>
#include <hb.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pg {

namespace {

// The font dictionaries of one face and the characters they show.
struct TFaceFonts {
    std::vector<QPDFObjectHandle> Fonts;
    std::set<uint32_t> CodePoints;
};

// A ToUnicode map's single-byte codes and the text (UTF-16BE as hex digits) each stands for.
using TUnicodeMap = std::map<int, std::string>;

// The "<code> <text>" pairs of the map's bfchar sections; false for a map that holds anything
// else (ranges, codes of more than a byte), which is left as it is.
bool ReadUnicodeMap(QPDFObjectHandle stream, TUnicodeMap& map) {
    if (!stream.isStream())
        return false;
    const std::shared_ptr<Buffer> data = stream.getStreamData();
    const std::string text(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    if (text.find("bfrange") != std::string::npos)
        return false;
    size_t at = 0;
    while ((at = text.find("beginbfchar", at)) != std::string::npos) {
        const size_t end = text.find("endbfchar", at);
        if (end == std::string::npos)
            return false;
        size_t pos = at + 11;
        for (;;) {
            const size_t open = text.find('<', pos);
            if (open == std::string::npos || open > end)
                break;
            const size_t close = text.find('>', open);
            const size_t open2 = text.find('<', close);
            const size_t close2 = open2 == std::string::npos ? open2 : text.find('>', open2);
            if (close == std::string::npos || close2 == std::string::npos || close2 > end ||
                close - open != 3)
                return false;
            const int code = int(std::strtol(text.substr(open + 1, 2).c_str(), nullptr, 16));
            const std::string target = UpperCase(text.substr(open2 + 1, close2 - open2 - 1));
            if (const auto known = map.find(code); known != map.end() && known->second != target)
                return false;
            map[code] = target;
            pos = close2 + 1;
        }
        at = end;
    }
    return true;
}

std::string UnicodeMapText(const TUnicodeMap& map) {
    std::string text = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo\n<< /Registry (Adobe)\n   /Ordering (UCS)\n   /Supplement 0\n>> def\n"
                       "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                       "1 begincodespacerange\n<00> <ff>\nendcodespacerange\n";
    // At most 100 entries to a section.
    auto entry = map.begin();
    while (entry != map.end()) {
        const size_t count = std::min<size_t>(100, size_t(std::distance(entry, map.end())));
        text += std::to_string(count) + " beginbfchar\n";
        for (size_t i = 0; i < count; ++i, ++entry) {
            char code[8];
            std::snprintf(code, sizeof code, "<%02x> ", entry->first);
            text += code + ("<" + entry->second + ">\n");
        }
        text += "endbfchar\n";
    }
    return text + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// One ToUnicode map for the fonts of a face, when their maps agree on every code they share.
void ShareUnicodeMaps(QPDF& document, const std::vector<QPDFObjectHandle>& fonts) {
    TUnicodeMap map;
    for (QPDFObjectHandle font : fonts)
        if (!ReadUnicodeMap(font.getKey("/ToUnicode"), map))
            return;
    QPDFObjectHandle stream = document.newStream(UnicodeMapText(map));
    for (QPDFObjectHandle font : fonts)
        font.replaceKey("/ToUnicode", stream);
}

// "ABCDEF+LiberationSerif-Bold": the name after a subset tag; empty for a name without one.
std::string UntaggedName(const std::string& name) {
    if (name.size() <= 7 || name[6] != '+' ||
        !std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; }))
        return {};
    return name.substr(7);
}

// A simple TrueType font in WinAnsi encoding with an embedded program, as cairo writes a
// subset of a system face.
bool IsSubsetTrueType(QPDFObjectHandle font, std::string& face) {
    if (!font.isDictionary() || !font.getKey("/Type").isNameAndEquals("/Font") ||
        !font.getKey("/Subtype").isNameAndEquals("/TrueType") ||
        !font.getKey("/Encoding").isNameAndEquals("/WinAnsiEncoding") || !font.getKey("/BaseFont").isName() ||
        !font.getKey("/FirstChar").isInteger() || !font.getKey("/Widths").isArray())
        return false;
    QPDFObjectHandle descriptor = font.getKey("/FontDescriptor");
    if (!descriptor.isDictionary() || !descriptor.getKey("/FontFile2").isStream())
        return false;
    face = UntaggedName(font.getKey("/BaseFont").getName().substr(1));
    return !face.empty();
}

// The characters a font shows: the codes it gives a width.
void AddCodePoints(QPDFObjectHandle font, std::set<uint32_t>& codePoints) {
    const int first = font.getKey("/FirstChar").getIntValueAsInt();
    std::vector<QPDFObjectHandle> widths = font.getKey("/Widths").getArrayAsVector();
    for (size_t i = 0; i < widths.size(); ++i) {
        const int code = first + int(i);
        if (code < 0 || code > 255 || !widths[i].isNumber() || widths[i].getNumericValue() <= 0)
            continue;
        if (const uint32_t cp = WindowsCodePoint(uint8_t(code)))
            codePoints.insert(cp);
    }
}

// The file and face index the system has under the PostScript name; false when it has none.
bool FontFileNamed(const std::string& postscriptName, std::string& path, int& index) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_POSTSCRIPT_NAME, reinterpret_cast<const FcChar8*>(postscriptName.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    bool found = false;
    FcChar8* name = nullptr;
    FcChar8* file = nullptr;
    // The match is the nearest font; only the face of that very name will do.
    if (match && FcPatternGetString(match, FC_POSTSCRIPT_NAME, 0, &name) == FcResultMatch &&
        postscriptName == reinterpret_cast<const char*>(name) &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        path = reinterpret_cast<const char*>(file);
        index = 0;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        found = true;
    }
    if (match)
        FcPatternDestroy(match);
    return found;
}

// The face's glyphs for the characters, without hinting or layout tables, as a font file;
// empty when it cannot be made.
std::string SubsetProgram(const std::string& path, int index, const std::set<uint32_t>& codePoints) {
    return SubsetFontFile(path, index, [&codePoints](hb_set_t* unicodes) {
        for (const uint32_t cp : codePoints)
            hb_set_add(unicodes, cp);
    });
}

} // namespace

int ShareFontPrograms(QPDF& document) {
    // The fonts the pages name (cairo names every font in the resources of the page that uses
    // it), each once.
    std::map<std::string, TFaceFonts> faces;
    std::set<QPDFObjGen> seen;
    for (QPDFObjectHandle page : document.getAllPages()) {
        QPDFObjectHandle resources = page.getKey("/Resources");
        QPDFObjectHandle named = resources.isDictionary() ? resources.getKey("/Font") : QPDFObjectHandle();
        if (!named.isDictionary())
            continue;
        for (auto& [key, font] : named.ditems()) {
            std::string face;
            if (!font.isIndirect() || !seen.insert(font.getObjGen()).second || !IsSubsetTrueType(font, face))
                continue;
            TFaceFonts& fonts = faces[face];
            fonts.Fonts.push_back(font);
            AddCodePoints(font, fonts.CodePoints);
        }
    }
    int dropped = 0;
    for (auto& [face, fonts] : faces) {
        if (fonts.Fonts.size() < 2)
            continue;
        std::string path;
        int index = 0;
        if (!FontFileNamed(face, path, index))
            continue;
        const std::string program = SubsetProgram(path, index, fonts.CodePoints);
        if (program.empty())
            continue;
        QPDFObjectHandle stream = document.newStream(program);
        stream.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(int64_t(program.size())));
        QPDFObjectHandle descriptor = fonts.Fonts.front().getKey("/FontDescriptor");
        descriptor.replaceKey("/FontFile2", stream);
        const QPDFObjectHandle name = fonts.Fonts.front().getKey("/BaseFont");
        for (QPDFObjectHandle& font : fonts.Fonts) {
            font.replaceKey("/FontDescriptor", descriptor);
            font.replaceKey("/BaseFont", name);
        }
        ShareUnicodeMaps(document, fonts.Fonts);
        dropped += int(fonts.Fonts.size()) - 1;
    }
    return dropped;
}

} // namespace pg
