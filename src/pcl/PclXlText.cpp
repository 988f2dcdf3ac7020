#include "PclXlText.h"

#include "PclXlInterpreter.h"
#include "Strings.h"
#include "SystemFonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

namespace pg::xl {

namespace {

// Limits on what a stream may download.
constexpr size_t kMaxFonts = 1024;
constexpr size_t kMaxFontHeader = 16u << 20;
constexpr size_t kMaxCharData = 1u << 20;
constexpr size_t kMaxChars = 65536;
// The largest cell the device's text is drawn at; larger text is filled as outlines.
constexpr int kMaxDeviceCell = 2000;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = char(std::tolower(uint8_t(c)));
    return lower;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// Roman-8's upper half (0xA0 .. 0xFF) in Unicode.
constexpr std::array<uint16_t, 96> kRoman8 = {
    0x00A0, 0x00C0, 0x00C2, 0x00C8, 0x00CA, 0x00CB, 0x00CE, 0x00CF, 0x00B4, 0x02CB, 0x02C6, 0x00A8,
    0x02DC, 0x00D9, 0x00DB, 0x20A4, 0x00AF, 0x00DD, 0x00FD, 0x00B0, 0x00C7, 0x00E7, 0x00D1, 0x00F1,
    0x00A1, 0x00BF, 0x00A4, 0x00A3, 0x00A5, 0x00A7, 0x0192, 0x00A2, 0x00E2, 0x00EA, 0x00F4, 0x00FB,
    0x00E1, 0x00E9, 0x00F3, 0x00FA, 0x00E0, 0x00E8, 0x00F2, 0x00F9, 0x00E4, 0x00EB, 0x00F6, 0x00FC,
    0x00C5, 0x00EE, 0x00D8, 0x00C6, 0x00E5, 0x00ED, 0x00F8, 0x00E6, 0x00C4, 0x00EC, 0x00D6, 0x00DC,
    0x00C9, 0x00EF, 0x00DF, 0x00D4, 0x00C1, 0x00C3, 0x00E3, 0x00D0, 0x00F0, 0x00CD, 0x00CC, 0x00D3,
    0x00D2, 0x00D5, 0x00F5, 0x0160, 0x0161, 0x00DA, 0x0178, 0x00FF, 0x00DE, 0x00FE, 0x00B7, 0x00B5,
    0x00B6, 0x00BE, 0x2014, 0x00BC, 0x00BD, 0x00AA, 0x00BA, 0x00AB, 0x25A0, 0x00BB, 0x00B1, 0x0000,
};

uint16_t BigEndian16(const std::string& s, size_t at) {
    return at + 2 <= s.size() ? uint16_t(uint8_t(s[at]) << 8 | uint8_t(s[at + 1])) : 0;
}

uint32_t BigEndian32(const std::string& s, size_t at) {
    return at + 4 <= s.size() ? uint32_t(BigEndian16(s, at)) << 16 | BigEndian16(s, at + 2) : 0;
}

void PutBigEndian16(std::string& s, size_t at, uint16_t v) {
    if (at + 2 <= s.size()) {
        s[at] = char(v >> 8);
        s[at + 1] = char(v);
    }
}

void Append16(std::string& s, uint16_t v) {
    s.push_back(char(v >> 8));
    s.push_back(char(v));
}

void Append32(std::string& s, uint32_t v) {
    Append16(s, uint16_t(v >> 16));
    Append16(s, uint16_t(v));
}

// A name given as an array of bytes or of 16-bit characters, as bytes.
std::string NameOf(const TValue& value) {
    if (value.Type == TDataType::UByte)
        return std::string(value.Elements);
    std::string name;
    for (size_t i = 0; i < std::min<size_t>(value.Size(), 256); ++i)
        name.push_back(char(value.Whole(i) & 0xFF));
    return name;
}

// The segments of a font header after its eight fixed bytes: a 16-bit identifier, a 32-bit
// size, the data.
std::map<uint16_t, std::string> FontSegments(const std::string& header) {
    std::map<uint16_t, std::string> segments;
    size_t at = 8;
    while (at + 6 <= header.size()) {
        const uint16_t id = BigEndian16(header, at);
        const uint32_t size = BigEndian32(header, at + 2);
        at += 6;
        if (id == 0xFFFF || size > header.size() - at)
            break;
        segments.emplace(id, header.substr(at, size));
        at += size;
    }
    return segments;
}

// ---- FreeType faces ------------------------------------------------------------------------

struct TSystemFace {
    FT_Face Face = nullptr;
    TCellMetrics Cell;
    bool Embolden = false, Oblique = false;
};

// A face made from a downloaded TrueType font: the font file built from its header and
// characters, and the face FreeType reads from it.
struct TBuiltFace {
    std::string File;
    FT_Face Face = nullptr;
    size_t Chars = 0;
    int UnitsPerEm = 2048;
    ~TBuiltFace();
};

// FreeType for the outlines and metrics of text: one library, its faces, and one lock, since
// faces may not be used by two threads at once.
class TFaces {
public:
    static TFaces& Shared() {
        // Never destroyed: faces built for fonts may outlive any order of static destruction.
        static TFaces* faces = new TFaces;
        return *faces;
    }
    std::recursive_mutex Lock;
    FT_Library Library = nullptr;

    const TSystemFace* System(const TResidentFace& want) {
        const auto key = std::tuple(want.Family, want.Bold, want.Italic);
        auto it = system_.find(key);
        if (it != system_.end())
            return it->second.Face ? &it->second : nullptr;
        TSystemFace face;
        TFontFile file;
        if (Library && MatchFontFile(want.Family, want.Bold, want.Italic, file) &&
            FT_New_Face(Library, file.Path.c_str(), file.Index, &face.Face) == 0) {
            FT_Select_Charmap(face.Face, FT_ENCODING_UNICODE);
            face.Cell = CellMetricsOf(face.Face);
            face.Embolden = file.Embolden;
            face.Oblique = file.Oblique;
        } else {
            face.Face = nullptr;
        }
        it = system_.emplace(key, face).first;
        return it->second.Face ? &it->second : nullptr;
    }

private:
    TFaces() {
        if (FT_Init_FreeType(&Library) != 0)
            Library = nullptr;
    }
    std::map<std::tuple<std::string, bool, bool>, TSystemFace> system_;
};

TBuiltFace::~TBuiltFace() {
    if (Face) {
        std::lock_guard guard(TFaces::Shared().Lock);
        FT_Done_Face(Face);
    }
}

// The glyph of a downloaded TrueType character: its glyph index and outline data.
struct TTrueTypeChar {
    uint16_t GlyphId = 0;
    std::string_view Glyph;
    int Advance = -1; // font units, when the character says
};

bool ParseTrueTypeChar(const std::string& data, TTrueTypeChar& out) {
    if (data.size() < 6 || data[0] != 1)
        return false;
    const size_t end = std::min(data.size(), size_t(2) + BigEndian16(data, 2));
    size_t at = 0;
    switch (data[1]) {
    case 0:
        at = 4;
        break;
    case 1:
        out.Advance = BigEndian16(data, 6);
        at = 8;
        break;
    case 2:
        out.Advance = BigEndian16(data, 6);
        at = 10;
        break;
    default:
        return false;
    }
    if (at + 2 > end)
        return false;
    out.GlyphId = BigEndian16(data, at);
    out.Glyph = std::string_view(data).substr(at + 2, end - at - 2);
    return true;
}

// A TrueType font file from the downloaded font: the tables of its header's "GT" segment, and
// "loca" and "glyf" made of the characters by glyph index. Empty when the header lacks what a
// face needs.
std::string BuildTrueType(const TDownloadedFont& font, int& unitsPerEm) {
    const auto segments = FontSegments(font.Header);
    const auto gt = segments.find(0x4754);
    if (gt == segments.end())
        return {};
    const std::string& dir = gt->second;
    std::map<std::string, std::string> tables;
    const uint16_t count = BigEndian16(dir, 4);
    for (size_t i = 0; i < count && 12 + 16 * i + 16 <= dir.size(); ++i) {
        const size_t rec = 12 + 16 * i;
        const uint32_t offset = BigEndian32(dir, rec + 8), length = BigEndian32(dir, rec + 12);
        if (offset <= dir.size() && length <= dir.size() - offset)
            tables[dir.substr(rec, 4)] = dir.substr(offset, length);
    }
    if (!tables.contains("head") || tables["head"].size() < 54 || !tables.contains("hhea") ||
        tables["hhea"].size() < 36)
        return {};
    unitsPerEm = std::max<int>(BigEndian16(tables["head"], 18), 16);
    std::map<uint16_t, TTrueTypeChar> glyphs;
    for (const auto& [code, data] : font.Chars) {
        TTrueTypeChar c;
        if (ParseTrueTypeChar(data->Bytes, c))
            glyphs[c.GlyphId] = c;
    }
    size_t numGlyphs = tables.contains("maxp") ? BigEndian16(tables["maxp"], 4) : 0;
    if (!glyphs.empty())
        numGlyphs = std::max<size_t>(numGlyphs, size_t(glyphs.rbegin()->first) + 1);
    numGlyphs = std::clamp<size_t>(numGlyphs, 1, 65535);
    std::string glyf, loca;
    for (size_t g = 0; g < numGlyphs; ++g) {
        Append32(loca, uint32_t(glyf.size()));
        if (const auto it = glyphs.find(uint16_t(g)); it != glyphs.end()) {
            glyf.append(it->second.Glyph);
            glyf.resize((glyf.size() + 3) & ~size_t(3), '\0');
        }
    }
    Append32(loca, uint32_t(glyf.size()));
    tables["glyf"] = glyf;
    tables["loca"] = loca;
    PutBigEndian16(tables["head"], 50, 1); // long offsets in loca
    if (!tables.contains("maxp") || tables["maxp"].size() < 6)
        tables["maxp"] = std::string("\x00\x00\x50\x00\x00\x00", 6);
    PutBigEndian16(tables["maxp"], 4, uint16_t(numGlyphs));
    // Metrics for every glyph: those the header has, or the characters' own advances.
    const size_t metrics = BigEndian16(tables["hhea"], 34);
    if (!tables.contains("hmtx") || metrics == 0 || tables["hmtx"].size() < metrics * 4) {
        std::string hmtx;
        for (size_t g = 0; g < numGlyphs; ++g) {
            const auto it = glyphs.find(uint16_t(g));
            Append16(hmtx, uint16_t(it != glyphs.end() && it->second.Advance >= 0 ? it->second.Advance
                                                                                  : unitsPerEm / 2));
            Append16(hmtx, 0);
        }
        tables["hmtx"] = hmtx;
        PutBigEndian16(tables["hhea"], 34, uint16_t(numGlyphs));
    }
    tables.erase("gdir");
    std::string file;
    Append32(file, 0x00010000);
    Append16(file, uint16_t(tables.size()));
    Append16(file, 0);
    Append16(file, 0);
    Append16(file, 0);
    size_t offset = 12 + 16 * tables.size();
    for (const auto& [tag, data] : tables) {
        file.append(tag);
        Append32(file, 0);
        Append32(file, uint32_t(offset));
        Append32(file, uint32_t(data.size()));
        offset += (data.size() + 3) & ~size_t(3);
    }
    for (const auto& [tag, data] : tables) {
        file.append(data);
        file.resize((file.size() + 3) & ~size_t(3), '\0');
    }
    return file;
}

// The face of a downloaded TrueType font, built when first needed and again when characters
// were added since. Called under the faces' lock.
TBuiltFace* TrueTypeFace(const TDownloadedFont& font) {
    auto* built = static_cast<TBuiltFace*>(font.Face.get());
    if (built && built->Chars == font.Chars.size())
        return built->Face ? built : nullptr;
    auto fresh = std::make_shared<TBuiltFace>();
    fresh->Chars = font.Chars.size();
    fresh->File = BuildTrueType(font, fresh->UnitsPerEm);
    FT_Library library = TFaces::Shared().Library;
    if (library && !fresh->File.empty() &&
        FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(fresh->File.data()),
                           FT_Long(fresh->File.size()), 0, &fresh->Face) != 0)
        fresh->Face = nullptr;
    font.Face = fresh;
    return fresh->Face ? fresh.get() : nullptr;
}

// Adds the outline of the glyph loaded in face (font units) to path, mapped by m.
void AddOutline(FT_Face face, const TMatrix& m, TPath& path) {
    struct TWalk {
        const TMatrix* M;
        TPath* Path;
        TPagePoint Current;
        FT_Vector Last;
    } walk{&m, &path, {}, {}};
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) {
        auto* w = static_cast<TWalk*>(user);
        w->Path->Close();
        w->Current = w->M->Apply(double(to->x), double(to->y));
        w->Path->MoveTo(w->Current);
        w->Last = *to;
        return 0;
    };
    funcs.line_to = [](const FT_Vector* to, void* user) {
        auto* w = static_cast<TWalk*>(user);
        const TPagePoint p = w->M->Apply(double(to->x), double(to->y));
        w->Path->LineTo(w->Current, p);
        w->Current = p;
        w->Last = *to;
        return 0;
    };
    funcs.conic_to = [](const FT_Vector* control, const FT_Vector* to, void* user) {
        auto* w = static_cast<TWalk*>(user);
        // The quadratic curve as a cubic one.
        const double x0 = double(w->Last.x), y0 = double(w->Last.y);
        const double cx = double(control->x), cy = double(control->y), x3 = double(to->x), y3 = double(to->y);
        const TPagePoint c1 = w->M->Apply(x0 + 2.0 / 3 * (cx - x0), y0 + 2.0 / 3 * (cy - y0));
        const TPagePoint c2 = w->M->Apply(x3 + 2.0 / 3 * (cx - x3), y3 + 2.0 / 3 * (cy - y3));
        const TPagePoint p = w->M->Apply(x3, y3);
        w->Path->CurveTo(w->Current, c1, c2, p);
        w->Current = p;
        w->Last = *to;
        return 0;
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        auto* w = static_cast<TWalk*>(user);
        const TPagePoint p = w->M->Apply(double(to->x), double(to->y));
        w->Path->CurveTo(w->Current, w->M->Apply(double(c1->x), double(c1->y)),
                         w->M->Apply(double(c2->x), double(c2->y)), p);
        w->Current = p;
        w->Last = *to;
        return 0;
    };
    FT_Outline_Decompose(&face->glyph->outline, &funcs, &walk);
    path.Close();
}

} // namespace

// ---- Names and codes -----------------------------------------------------------------------

TResidentFace ResidentFace(std::string_view name) {
    std::string n = Lower(name);
    while (!n.empty() && (n.back() == ' ' || n.back() == '\0'))
        n.pop_back();
    TResidentFace face;
    // Style marks as printers spell them: "Bd", "Bold", "Xb", "Halb", "Dm"; "It", "Obl", "Kursiv".
    face.Bold = Contains(n, "bd") || Contains(n, "bold") || Contains(n, "xb") || Contains(n, "halb") ||
                Contains(n, "hlb") || Contains(n, "demi") || n.ends_with("dm") || Contains(n, "heavy") ||
                Contains(n, "black");
    face.Italic = n.ends_with("it") || Contains(n, "bdit") || Contains(n, "-it") || Contains(n, "obl") ||
                  Contains(n, "kursiv") || Contains(n, "krsv") || Contains(n, "italic") || n.ends_with("ic");
    // The printers' Courier is the typewriter face, not Courier New: fontconfig finds that face
    // for "Courier", or the nearest one it has.
    if (n.starts_with("courier") || n.starts_with("lettergothic") || n.starts_with("linepr") ||
        n.starts_with("pica") || n.starts_with("elite"))
        face.Family = "Courier";
    else if (n.starts_with("times") || n.starts_with("cgtimes") || n.starts_with("garamond") ||
             Contains(n, "century") || n.starts_with("palatino") || n.starts_with("bookman") ||
             n.starts_with("clarendon") || n.starts_with("marigold") || n.starts_with("coronet") ||
             n.starts_with("newcent") || n.starts_with("itcbookman") || n.starts_with("albertus") ||
             n.starts_with("georgia"))
        face.Family = "Times New Roman";
    else if (n.starts_with("arial") || n.starts_with("univers") || n.starts_with("helvetica") ||
             n.starts_with("antiqueolive") || n.starts_with("itcavant") || n.starts_with("cgomega") ||
             n.starts_with("optima") || n.starts_with("gillsans") || n.starts_with("verdana") ||
             n.starts_with("tahoma") || n.starts_with("calibri"))
        face.Family = "Arial";
    else if (n.starts_with("symbol"))
        face.Family = "Symbol";
    else if (n.starts_with("wingdings"))
        face.Family = "Wingdings";
    else
        face.Family = "Courier"; // a printer's own stand-in for a font it does not know
    return face;
}

uint32_t SymbolSetCharacter(uint32_t code, int symbolSet) {
    if (symbolSet == 590)
        return code;
    if (code > 0xFF)
        return 0;
    if (symbolSet == 277 && code >= 0xA0)
        return kRoman8[code - 0xA0];
    if (code >= 0x80 && code < 0xA0 && symbolSet == 14)
        return 0;
    return WindowsCodePoint(uint8_t(code));
}

uint8_t WindowsByte(uint32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return uint8_t(character);
    static const std::map<uint32_t, uint8_t> upper = [] {
        std::map<uint32_t, uint8_t> table;
        for (int b = 0x80; b < 0xA0; ++b)
            if (const uint32_t cp = WindowsCodePoint(uint8_t(b)); cp != 0)
                table[cp] = uint8_t(b);
        return table;
    }();
    const auto it = upper.find(character);
    return it != upper.end() ? it->second : 0;
}

// ---- Downloads -----------------------------------------------------------------------------

void TInterpreter::BeginFontHeader(const TAttributes& a) {
    session_.FontBeingRead.reset();
    const TValue* name = a.Find(aFontName);
    if (name == nullptr)
        return;
    session_.FontName = NameOf(*name);
    session_.FontBeingRead = std::make_shared<TDownloadedFont>();
}

void TInterpreter::ReadFontHeader(const TOperation& op) {
    TDownloadedFont* font = session_.FontBeingRead.get();
    if (font == nullptr)
        return;
    // The data counts, whatever length the header claims.
    const size_t claimed = size_t(std::max<int64_t>(op.Attributes->Integer(aFontHeaderLength), 0));
    const std::string_view data = op.Data.substr(0, std::min(op.Data.size(), claimed));
    if (font->Header.size() + data.size() <= kMaxFontHeader)
        font->Header.append(data);
}

void TInterpreter::EndFontHeader() {
    std::shared_ptr<TDownloadedFont> font = std::move(session_.FontBeingRead);
    session_.FontBeingRead.reset();
    if (!font || font->Header.size() < 8)
        return;
    const auto segments = FontSegments(font->Header);
    if (const auto br = segments.find(0x4252); br != segments.end() && br->second.size() >= 4) {
        font->ResolutionX = std::clamp<int>(BigEndian16(br->second, 0), 30, 4800);
        font->ResolutionY = std::clamp<int>(BigEndian16(br->second, 2), 30, 4800);
    }
    if (session_.Fonts.size() < kMaxFonts || session_.Fonts.contains(session_.FontName))
        session_.Fonts[session_.FontName] = std::move(font);
}

void TInterpreter::BeginChar(const TAttributes& a) {
    const TValue* name = a.Find(aFontName);
    session_.CharFontName = name ? NameOf(*name) : std::string();
}

void TInterpreter::ReadChar(const TOperation& op) {
    const auto it = session_.Fonts.find(session_.CharFontName);
    if (it == session_.Fonts.end())
        return;
    const TAttributes& a = *op.Attributes;
    const int64_t code = a.Integer(aCharCode, -1);
    const size_t claimed = size_t(std::clamp<int64_t>(a.Integer(aCharDataSize), 0, int64_t(kMaxCharData)));
    if (code < 0 || code > 0xFFFF || claimed < 2)
        return;
    std::shared_ptr<TDownloadedFont>& font = it->second;
    if (font->Chars.size() >= kMaxChars && !font->Chars.contains(uint32_t(code)))
        return;
    // A font a kept session shares is copied before it changes.
    if (font.use_count() > 1) {
        auto copy = std::make_shared<TDownloadedFont>(*font);
        copy->Face.reset();
        font = std::move(copy);
    }
    auto data = std::make_shared<TCharData>();
    data->Bytes = std::string(op.Data.substr(0, std::min(op.Data.size(), claimed)));
    font->Chars[uint32_t(code)] = std::move(data);
}

void TInterpreter::RemoveFont(const TAttributes& a) {
    if (const TValue* name = a.Find(aFontName))
        session_.Fonts.erase(NameOf(*name));
}

void TInterpreter::SetFont(const TAttributes& a) {
    const TValue* name = a.Find(aFontName);
    if (name == nullptr)
        return;
    gs_.FontName = NameOf(*name);
    gs_.CharSize = std::abs(a.Number(aCharSize, 0, gs_.CharSize));
    gs_.SymbolSet = int(a.Integer(aSymbolSet, gs_.SymbolSet));
}

// ---- Text ----------------------------------------------------------------------------------

void TInterpreter::Text(const TAttributes& a, bool toPath) {
    const TValue* text = a.Find(aTextData);
    if (text == nullptr || gs_.FontName.empty())
        return;
    const TValue* xs = a.Find(aXSpacingData);
    const TValue* ys = a.Find(aYSpacingData);
    const auto fontIt = session_.Fonts.find(gs_.FontName);
    const TDownloadedFont* downloaded = fontIt != session_.Fonts.end() ? fontIt->second.get() : nullptr;
    const bool bitmap = downloaded && downloaded->Bitmap();

    // Em square to user units: the size, the character's scale, shear and angle, with the font's
    // y running up.
    TMatrix em;
    em.Scale(gs_.CharSize, -gs_.CharSize);
    em.Rotate(gs_.CharAngle);
    em.Concat({1, gs_.CharShearY, gs_.CharShearX, 1, 0, 0});
    em.Scale(gs_.CharScaleX, gs_.CharScaleY);
    TMatrix full = gs_.Ctm;
    full.E = full.F = 0;
    full.Concat(em);
    const double emPixels = full.A;
    const bool upright = std::abs(full.B) < 1e-6 * std::abs(full.A) &&
                         std::abs(full.C) < 1e-6 * std::abs(full.A) && full.A > 0 && full.D < 0 &&
                         std::abs(full.A + full.D) < 1e-3 * full.A;

    uint32_t colour = 0;
    const bool paints = device_ && PaintColour(gs_.Brush, 0, colour) && !gs_.Clip.IsEmpty();
    int clipLeft = 0, clipTop = 0, clipRight = 0, clipBottom = 0;
    if (device_)
        gs_.Clip.Bounds(device_->PageWidth(), device_->PageHeight(), clipLeft, clipTop, clipRight,
                        clipBottom);

    std::unique_lock lock(TFaces::Shared().Lock);
    const TSystemFace* system = nullptr;
    TResidentFace resident;
    if (!downloaded) {
        resident = ResidentFace(gs_.FontName);
        system = TFaces::Shared().System(resident);
    }
    TBuiltFace* built = downloaded && !bitmap ? TrueTypeFace(*downloaded) : nullptr;
    FT_Face face = system ? system->Face : built ? built->Face : nullptr;
    const double unitsPerEm = face ? double(face->units_per_EM) : 1000.0;
    const int symbolSet =
        downloaded ? (gs_.SymbolSet ? gs_.SymbolSet : downloaded->SymbolSet()) : gs_.SymbolSet;

    // Upright text in a resident font is a text run of the device.
    const bool run = system && upright && !toPath;
    TDeviceFont deviceFont;
    int ascent = 0;
    if (run) {
        deviceFont.Family = resident.Family;
        deviceFont.Bold = resident.Bold;
        deviceFont.Italic = resident.Italic;
        deviceFont.Colour = colour;
        deviceFont.Height = ToPixel(std::round(emPixels * system->Cell.CellUnits / unitsPerEm));
        ascent = ToPixel(
            std::round(double(deviceFont.Height) * system->Cell.AscentUnits / system->Cell.CellUnits));
    }
    const bool asRun = run && deviceFont.Height > 0 && deviceFont.Height <= kMaxDeviceCell;
    std::vector<TPlacedChar> placed, told;
    TPath outlines;
    int bitmapCell = 1;

    for (size_t i = 0; i < text->Size(); ++i) {
        const uint32_t code = uint32_t(std::clamp<int64_t>(text->Whole(i), 0, 0xFFFF));
        const TPagePoint origin = Cursor();
        const uint32_t character = SymbolSetCharacter(code, symbolSet);
        // Devices take the character itself; the byte is its Windows code, '?' for one the code
        // page lacks.
        const uint8_t byte = WindowsByte(character);
        const uint8_t code8 = byte != 0 ? byte : '?';
        double advance = 0; // em units
        if (bitmap) {
            const auto c = downloaded->Chars.find(code);
            if (c != downloaded->Chars.end() && paints)
                bitmapCell =
                    std::max(bitmapCell, DrawBitmapChar(*downloaded, c->second->Bytes, origin, colour));
        } else if (face) {
            FT_UInt glyph = 0;
            bool known = false;
            if (built) {
                const auto c = downloaded->Chars.find(code);
                TTrueTypeChar tt;
                known = c != downloaded->Chars.end() && ParseTrueTypeChar(c->second->Bytes, tt);
                glyph = tt.GlyphId;
            } else if (character != 0) {
                glyph = FT_Get_Char_Index(face, character);
                known = glyph != 0;
            }
            const bool loaded =
                known &&
                FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0;
            if (loaded) {
                advance = double(face->glyph->metrics.horiAdvance) / unitsPerEm;
                if (asRun) {
                    placed.push_back({code8, ToPixel(std::round(origin.X)),
                                      ToPixel(std::round(origin.Y)) - ascent,
                                      ToPixel(std::round(advance * emPixels)), character});
                } else if (paints || toPath) {
                    TMatrix glyphToPage = gs_.Ctm;
                    glyphToPage.E = origin.X;
                    glyphToPage.F = origin.Y;
                    glyphToPage.Concat(em);
                    glyphToPage.Scale(1 / unitsPerEm, 1 / unitsPerEm);
                    AddOutline(face, glyphToPage, toPath ? path_ : outlines);
                    if (character > ' ')
                        told.push_back({code8, ToPixel(std::round(origin.X)),
                                        ToPixel(std::round(origin.Y - std::abs(emPixels))),
                                        ToPixel(std::round(advance * std::abs(emPixels))), character});
                }
            }
        }
        // The next character's origin.
        TPagePoint step;
        if (xs || ys)
            step = gs_.Ctm.Distance(xs ? xs->At(i) : 0, ys ? ys->At(i) : 0);
        else
            step = gs_.Ctm.Distance(em.A * advance, em.B * advance);
        cursor_ = {origin.X + step.X, origin.Y + step.Y};
        hasCursor_ = true;
        if (bitmap && character > ' ' && downloaded->SymbolSet() != 0)
            told.push_back({code8, ToPixel(std::round(origin.X)), ToPixel(std::round(origin.Y)),
                            ToPixel(std::round(step.X)), character});
    }
    lock.unlock();
    if (!device_ || toPath)
        return;
    if (!told.empty()) {
        const int height = bitmap ? bitmapCell : std::max(1, ToPixel(std::round(std::abs(emPixels))));
        if (bitmap)
            for (TPlacedChar& c : told)
                c.Y -= height;
        device_->SoftFontText(height, told);
    }
    if (!paints)
        return;
    if (!placed.empty()) {
        // Characters outside the clip region are left out; the device cannot cut a character.
        std::erase_if(placed, [&](const TPlacedChar& c) {
            return c.X < clipLeft - deviceFont.Height || c.X >= clipRight ||
                   c.Y + deviceFont.Height <= clipTop || c.Y >= clipBottom;
        });
        if (!placed.empty())
            device_->DrawTextRun(deviceFont, placed);
    }
    if (!outlines.Empty()) {
        TInk ink;
        ink.Colour = colour;
        const std::vector<TPolygonRing> rings = outlines.Rings();
        const uint8_t rop = gs_.Rop;
        gs_.Rop = 240; // the colour is already the result
        FillRings(rings, TFillRule::NonZero, ink);
        gs_.Rop = rop;
    }
}

// Draws a bitmap character with its reference point at origin; returns how far it reaches
// above the baseline, in page pixels.
int TInterpreter::DrawBitmapChar(const TDownloadedFont& font, const std::string& data, TPagePoint origin,
                                 uint32_t colour) {
    if (data.size() < 10 || data[0] != 0)
        return 0;
    const int left = int16_t(BigEndian16(data, 2)), top = int16_t(BigEndian16(data, 4));
    const int width = BigEndian16(data, 6), height = BigEndian16(data, 8);
    const size_t rowBytes = (size_t(width) + 7) / 8;
    if (width == 0 || height == 0 || data.size() < 10 + rowBytes * size_t(height))
        return 0;
    const auto* bits = reinterpret_cast<const uint8_t*>(data.data()) + 10;
    // A glyph pixel is 300 / resolution page pixels, along the page's turned axes.
    const TPagePoint ax = gs_.Ctm.Distance(1, 0), ay = gs_.Ctm.Distance(0, 1);
    const double lx = std::hypot(ax.X, ax.Y), ly = std::hypot(ay.X, ay.Y);
    if (!(lx > 0) || !(ly > 0))
        return 0;
    const double sx = 300.0 / font.ResolutionX, sy = 300.0 / font.ResolutionY;
    TMatrix toPage{ax.X / lx * sx, ax.Y / lx * sx, ay.X / ly * sy, ay.Y / ly * sy, origin.X, origin.Y};
    toPage.Translate(left, -top);
    TMatrix toGlyph;
    if (!toPage.Invert(toGlyph))
        return 0;
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const double u : {0.0, double(width)})
        for (const double v : {0.0, double(height)}) {
            const TPagePoint p = toPage.Apply(u, v);
            x0 = std::min(x0, p.X);
            y0 = std::min(y0, p.Y);
            x1 = std::max(x1, p.X);
            y1 = std::max(y1, p.Y);
        }
    const int pageW = device_->PageWidth(), pageH = device_->PageHeight();
    const int bx = std::max(ToPixel(std::floor(x0)), 0), by = std::max(ToPixel(std::floor(y0)), 0);
    const int bw = std::min(ToPixel(std::ceil(x1)), pageW) - bx,
              bh = std::min(ToPixel(std::ceil(y1)), pageH) - by;
    const int reach = ToPixel(std::round(top * sy));
    if (bw <= 0 || bh <= 0)
        return reach;
    // Light colours leave the page as it is; every other one draws black.
    if ((299 * (colour & 0xFF) + 587 * (colour >> 8 & 0xFF) + 114 * (colour >> 16 & 0xFF)) >= 128 * 1000)
        return reach;
    const size_t outBytes = (size_t(bw) + 7) / 8;
    std::vector<uint8_t> out(outBytes * size_t(bh), 0);
    bool any = false;
    for (int y = 0; y < bh; ++y) {
        int clipL = 0, clipR = pageW;
        if (!gs_.Clip.Unclipped() && !gs_.Clip.RowSpan(by + y, pageW, clipL, clipR))
            continue;
        const double yc = by + y + 0.5;
        for (int x = std::max(0, clipL - bx); x < std::min(bw, clipR - bx); ++x) {
            const double xc = bx + x + 0.5;
            const double u = toGlyph.A * xc + toGlyph.C * yc + toGlyph.E;
            const double v = toGlyph.B * xc + toGlyph.D * yc + toGlyph.F;
            if (!(u >= 0 && v >= 0 && u < width && v < height))
                continue;
            const int gu = ToPixel(u), gv = ToPixel(v);
            if (bits[size_t(gv) * rowBytes + size_t(gu >> 3)] & (0x80 >> (gu & 7))) {
                out[size_t(y) * outBytes + size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
                any = true;
            }
        }
    }
    if (any)
        device_->DrawGlyph(bx, by, TBitImage{out, bw, bh, outBytes});
    return reach;
}

} // namespace pg::xl
