#include "SystemFonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <map>
#include <mutex>
#include <optional>
#include <tuple>

namespace pg {

namespace {

// With ch not 0, only a font that holds the character will do: the character set weighs more
// than the family in fontconfig's match.
bool AskFontconfig(const std::string& family, bool bold, bool italic, uint32_t ch, TFontFile& out) {
    FcInit();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (ch != 0) {
        FcCharSet* wanted = FcCharSetCreate();
        FcCharSetAddChar(wanted, ch);
        FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
        FcCharSetDestroy(wanted);
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    bool found = false;
    if (match) {
        FcChar8* file = nullptr;
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        FcCharSet* has = nullptr;
        const bool holds = ch == 0 || (FcPatternGetCharSet(match, FC_CHARSET, 0, &has) == FcResultMatch &&
                                       FcCharSetHasChar(has, ch));
        if (holds && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            out.Path = reinterpret_cast<const char*>(file);
            out.Index = index;
            out.Embolden = bold && weight < FC_WEIGHT_DEMIBOLD;
            out.Oblique = italic && slant == FC_SLANT_ROMAN;
            found = true;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

} // namespace

// Each family and style is asked of fontconfig once per process: the page bitmap and the PDF
// device, and every interpreter of a multi-page run, share the answers.
constexpr size_t kMaxFallbacks = 8192;

// Fallbacks are asked per character; the characters text can name are those of the symbol
// sets, so the answers stay few.
bool MatchFallbackFontFile(const std::string& family, bool bold, bool italic, uint32_t ch, TFontFile& out) {
    using TKey = std::tuple<std::string, bool, bool, uint32_t>;
    static std::mutex lock;
    static std::map<TKey, std::optional<TFontFile>> matches;
    std::lock_guard guard(lock);
    const TKey key{family, bold, italic, ch};
    auto it = matches.find(key);
    if (it == matches.end()) {
        if (matches.size() >= kMaxFallbacks)
            matches.clear();
        TFontFile file;
        std::optional<TFontFile> match;
        if (ch != 0 && AskFontconfig(family, bold, italic, ch, file))
            match = std::move(file);
        it = matches.emplace(key, std::move(match)).first;
    }
    if (!it->second)
        return false;
    out = *it->second;
    return true;
}

bool MatchFontFile(const std::string& family, bool bold, bool italic, TFontFile& out) {
    using TKey = std::tuple<std::string, bool, bool>;
    static std::mutex lock;
    static std::map<TKey, std::optional<TFontFile>> matches;
    std::lock_guard guard(lock);
    auto it = matches.find(TKey{family, bold, italic});
    if (it == matches.end()) {
        TFontFile file;
        std::optional<TFontFile> match;
        if (AskFontconfig(family, bold, italic, 0, file))
            match = std::move(file);
        it = matches.emplace(TKey{family, bold, italic}, std::move(match)).first;
    }
    if (!it->second)
        return false;
    out = *it->second;
    return true;
}

TCellMetrics CellMetricsOf(FT_FaceRec_* face) {
    TCellMetrics cell;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        cell.AscentUnits = os2->usWinAscent;
        cell.CellUnits = os2->usWinAscent + os2->usWinDescent;
    } else if (face->ascender - face->descender > 0) {
        cell.AscentUnits = face->ascender;
        cell.CellUnits = face->ascender - face->descender;
    }
    return cell;
}

} // namespace pg
